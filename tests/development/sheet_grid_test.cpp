#include <gtest/gtest.h>

#include "app/options.h"
#include "development/development_drawing.h"
#include "development/editing_hits.h"
#include "editing_support.h"
#include "model/primitive_shapes.h"

using namespace plikatra;

namespace {

class SheetGridTest : public test::EditingTest {
protected:
    // A box cut into two parts; the first is the one moved.
    void SetUp() override {
        use(makeBox(1, 1, 1));
        Halfedge* fold = nullptr;
        for (Face* f : model->parts[0]->faces)
            for (auto& h : f->halfedges)
                if (!fold && h->twin) fold = h.get();
        ASSERT_NE(fold, nullptr);
        mode(kModeCutPart);
        click(inside(fold));
        ASSERT_EQ(model->parts.size(), 2u);
        mode(kModeMovePart);
    }

    // Drags the first part by (dx, dy) centimetres on paper.
    void moveFirstPart(double dx, double dy) {
        const Part& p = *model->parts[0];
        const Point2 from{p.x + p.width / 2, p.y + p.height / 2};
        ASSERT_EQ(hitPart(*model, from), &p);
        drag(from, {from.x + dx / model->dMag2d, from.y + dy / model->dMag2d});
    }

    SheetGrid grid() const { return drawDevelopment(*model, drawingOptionsOf(settings_)).grid; }

    // Every face corner lies inside the grid's cells.
    void expectFacesOnTheGrid() const {
        const DevelopmentDrawing d = drawDevelopment(*model, drawingOptionsOf(settings_));
        const Point2 first = d.grid.cellCorner(0, 0), end = d.grid.cellCorner(d.grid.pagesAcross, d.grid.pagesDown);
        for (const DrawnFace& f : d.faces)
            for (Point2 p : f.corners) {
                EXPECT_GT(p.x * d.mag2d, first.x);
                EXPECT_GT(p.y * d.mag2d, first.y);
                EXPECT_LT(p.x * d.mag2d, end.x);
                EXPECT_LT(p.y * d.mag2d, end.y);
            }
    }
};

}  // namespace

TEST_F(SheetGridTest, GrowsByWholePagesLeftAndUpAndBackAgain) {
    const SheetGrid before = grid();
    EXPECT_EQ(before.firstColumn, 0);
    EXPECT_EQ(before.firstRow, 0);
    EXPECT_EQ(before.pagesAcross, model->pagesAcross);
    EXPECT_FALSE(before.cutOff);

    const PageSetup page = before.page;
    // The part's box to 30 % of a page left of and 20 % above the origin.
    const Part& p = *model->parts[0];
    moveFirstPart(-p.x * model->dMag2d - 0.3 * page.cellWidth(), -p.y * model->dMag2d - 0.2 * page.cellHeight());
    const SheetGrid after = grid();
    EXPECT_EQ(after.firstColumn, -1);
    EXPECT_EQ(after.firstRow, -1);
    EXPECT_EQ(after.pagesAcross, before.pagesAcross + 1);
    EXPECT_EQ(after.pagesDown, before.pagesDown + 1);
    EXPECT_DOUBLE_EQ(after.sheetWidth, before.sheetWidth + page.cellWidth());
    EXPECT_DOUBLE_EQ(after.cellCorner(1, 1).x, 0.0) << "the pages of the other parts stay where they were";
    EXPECT_FALSE(after.cutOff);
    expectFacesOnTheGrid();

    doc.undo();
    const SheetGrid undone = grid();
    EXPECT_EQ(undone.firstColumn, 0);
    EXPECT_EQ(undone.firstRow, 0);
    EXPECT_EQ(undone.pagesAcross, before.pagesAcross);
}

TEST_F(SheetGridTest, BeyondFivePagesTheGridIsCappedAndSaysSo) {
    const PageSetup page = grid().page;
    moveFirstPart(-4.5 * page.cellWidth(), 0.0);
    EXPECT_EQ(grid().firstColumn, -5);
    EXPECT_EQ(grid().pagesAcross, 5) << "five pages from the moved part's; the rest lies beyond";
    EXPECT_TRUE(grid().cutOff);
    doc.undo();
    // Both parts together: the grid follows them and leaves the empty pages between out.
    const Part& second = *model->parts[1];
    click({second.x + second.width / 2, second.y + second.height / 2}, kKeyShift);
    moveFirstPart(-4.5 * page.cellWidth(), 0.0);
    EXPECT_EQ(grid().firstColumn, -5);
    EXPECT_LE(grid().pagesAcross, 2);
    EXPECT_FALSE(grid().cutOff);
    expectFacesOnTheGrid();
    doc.undo();
    click({model->parts[0]->x + model->parts[0]->width / 2, model->parts[0]->y + model->parts[0]->height / 2});
    moveFirstPart(0.0, -3.5 * page.cellHeight());
    EXPECT_EQ(grid().firstRow, -4);
    EXPECT_EQ(grid().pagesDown, 5);
    EXPECT_FALSE(grid().cutOff);
    expectFacesOnTheGrid();
}
