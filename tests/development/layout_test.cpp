#include <gtest/gtest.h>

#include "app/options.h"
#include "base/progress.h"
#include "base/settings.h"
#include "base/ui.h"
#include "development/development.h"
#include "development/layout.h"
#include "development/layout_dialog.h"
#include "recording_front_end.h"
#include "model/construction.h"
#include "development_checker.h"
#include "test_util.h"

using namespace plikatra;
using plikatra::test::addPolygonSolid;

namespace {

class Layout : public testing::Test {
protected:
    void SetUp() override {
        // One rectangle per part; sizes in development units with dMag2d = 1 (centimetres).
        model.dMag2d = 1.0;
        model.dMag3d = 1.0;
        model.boundsMin = {0, 0, 0};
        model.boundsMax = {10, 10, 10};
    }
    // Adds a part holding one rectangle w × h laid flat at an arbitrary offset.
    Part* addPart(double w, double h) {
        Solid* s = addPolygonSolid(model, {{0, 0, 0}, {w, 0, 0}, {w, h, 0}, {0, h, 0}}, {{0, 1, 2, 3}});
        Face* f = s->faces[0].get();
        cleanFace(*f);
        const double xs[] = {0, w, w, 0}, ys[] = {0, 0, h, h};
        for (int i = 0; i < 4; ++i) {
            f->halfedges[static_cast<size_t>(i)]->flatX = xs[i] - 7.5;
            f->halfedges[static_cast<size_t>(i)]->flatY = ys[i] + 3.25;
        }
        auto p = std::make_unique<Part>();
        p->index = static_cast<int>(model.parts.size());
        p->solid = s;
        p->faces.push_back(f);
        f->part = p.get();
        f->placed = true;
        model.parts.push_back(std::move(p));
        return model.parts.back().get();
    }

    // Given scale: spacing 0 mm so boxes are the rectangles themselves.
    void givenScale(bool pageDivide) {
        mode_ = kLayoutGivenScale;
        settings().layoutSpacingMm = 0;
        settings().bPageDivide = pageDivide;
    }
    bool layoutParts(Model& m) {
        plikatra::layoutParts(m, layoutParamsOf(settings_, mode_), rec);
        return true;
    }
    Settings& settings() { return settings_; }

    Model model;
    RecordingFrontEnd rec;
    Settings settings_;
    int mode_ = kLayoutAuto;
};

}  // namespace

TEST_F(Layout, SinglePartLandsAtOriginAndIsNormalised) {
    givenScale(true);
    settings().layoutSpacingMm = 10;  // margin 0.5 cm
    Part* p = addPart(4, 2);
    ASSERT_TRUE(layoutParts(model));
    EXPECT_EQ(p->x, 0.0);
    EXPECT_EQ(p->y, 0.0);
    EXPECT_DOUBLE_EQ(p->width, 5.0);
    EXPECT_DOUBLE_EQ(p->height, 3.0);
    EXPECT_DOUBLE_EQ(model.dKavimozuMargin, 0.5);
    EXPECT_DOUBLE_EQ(p->faces[0]->halfedges[0]->flatX, 0.5);
    EXPECT_DOUBLE_EQ(p->faces[0]->halfedges[0]->flatY, 0.5);
    EXPECT_EQ(model.dMag2d, 1.0);  // a given scale is kept
}

TEST_F(Layout, LargestFirstAndEqualScoresPreferHigherThenLeft) {
    givenScale(false);
    Part* small = addPart(2, 2);
    Part* big = addPart(6, 6);
    Part* small2 = addPart(2, 2);
    ASSERT_TRUE(layoutParts(model));
    EXPECT_EQ(big->x, 0.0);
    EXPECT_EQ(big->y, 0.0);
    // The page is tall (aspect 26.7 / 18), so the hull grows downwards: below the big part
    // (6 × 8 hull) beats its right (8 × 6 hull).
    EXPECT_EQ(small->x, 0.0);
    EXPECT_EQ(small->y, 6.0);
    // Candidates now (6, 0), (2, 6), (0, 8): (2, 6) stays inside the 6 × 8 hull.
    EXPECT_EQ(small2->x, 2.0);
    EXPECT_EQ(small2->y, 6.0);
}

TEST_F(Layout, EqualScoreTieBreak) {
    givenScale(false);
    // Square page so that aspect is 1.
    settings().pageWidth = settings().pageHeight = 23.0;
    Part* a = addPart(4, 4);
    Part* b = addPart(2, 2);
    Part* c = addPart(2, 2);
    Part* d = addPart(2, 2);
    ASSERT_TRUE(layoutParts(model));
    EXPECT_EQ(a->x, 0.0);
    // b: (4, 0) gives 6 × 4 → 36; (0, 4) gives 4 × 6 → 36: equal, the higher point (y 0) wins.
    EXPECT_EQ(b->x, 4.0);
    EXPECT_EQ(b->y, 0.0);
    // c: candidates (0,4), (6,0), (4,2): (4,2) stays inside 6 × 4 → 36, best.
    EXPECT_EQ(c->x, 4.0);
    EXPECT_EQ(c->y, 2.0);
    // d: (0,4) → 6 × 6 = 36 and (6,0) → 8 × 4 = 64 and (6, 2) → 64 and (4, 4) → 36:
    // equal scores at y 4: the left one.
    EXPECT_EQ(d->x, 0.0);
    EXPECT_EQ(d->y, 4.0);
}

TEST_F(Layout, PageBreakRuleAndFirstFreePage) {
    givenScale(true);
    // Usable page 18 × 26.7 cm at dMag2d 1.
    Part* first = addPart(12, 20);
    Part* second = addPart(10, 20);
    Part* third = addPart(10, 10);
    ASSERT_TRUE(layoutParts(model));
    EXPECT_EQ(first->x, 0.0);
    EXPECT_EQ(first->y, 0.0);
    // At (12, 0) the second part would span the break at x = 18, at (0, 20) the one at 26.7:
    // it goes to the first free page of ring 1, column 1 row 0.
    EXPECT_DOUBLE_EQ(second->x, 18.0);
    EXPECT_EQ(second->y, 0.0);
    // The third fits nowhere on page (0, 0) or (1, 0) without breaks; candidates exist at
    // (28, 0) which crosses 36, (18, 20) which crosses 26.7 ... and the free-page point.
    const double W = 18.0, H = 26.7;
    auto crosses = [](double pos, double size, double page) {
        for (int k = 1; k <= 5; ++k)
            if (pos < k * page && k * page < pos + size) return true;
        return false;
    };
    EXPECT_FALSE(crosses(third->x, third->width, W));
    EXPECT_FALSE(crosses(third->y, third->height, H));
    EXPECT_TRUE(plikatra::test::checkNoOverlap(model));
}

TEST_F(Layout, PartLargerThanPageIgnoresBreaks) {
    givenScale(true);
    Part* a = addPart(5, 5);
    Part* huge = addPart(30, 3);  // wider than a page
    Part* b = addPart(4, 4);
    ASSERT_TRUE(layoutParts(model));
    EXPECT_EQ(huge->x, 0.0);
    EXPECT_EQ(huge->y, 0.0);
    EXPECT_EQ(a->y, 3.0);  // below the huge part: (30, 0) would widen the layout a lot
    (void)b;
    EXPECT_TRUE(plikatra::test::checkNoOverlap(model));
}

TEST_F(Layout, AutoModeMarginAndScale) {
    Part* p = addPart(4, 2);
    ASSERT_TRUE(layoutParts(model));
    // Largest extent 10 × 15 percent × dMag3d × 0.005 = 0.75.
    EXPECT_DOUBLE_EQ(model.dKavimozuMargin, 0.75);
    EXPECT_DOUBLE_EQ(p->width, 5.5);
    const double expected = 0.99 * std::min(18.0 / 5.5, 26.7 / 3.5);
    EXPECT_DOUBLE_EQ(model.dMag2d, expected);
}

TEST(LayoutDialog, InitialValuesLinkingAndRange) {
    LayoutParams params;
    Model m;
    m.boundsMin = {0, 0, 0};
    m.boundsMax = {4, 2, 8};
    LayoutDialog d = LayoutDialog::initial(m, params, false);
    EXPECT_DOUBLE_EQ(d.scale, 5.0);  // 10 / dy
    EXPECT_EQ(d.assembledSizeText(), "10.0");
    EXPECT_EQ(d.scaleText(), "5.000000");
    // A flat model: its larger horizontal extent becomes 10 cm.
    m.boundsMax = {4, 0.3, 8};
    d = LayoutDialog::initial(m, params, false);
    EXPECT_DOUBLE_EQ(d.scale, 10.0 / 8);
    EXPECT_EQ(d.assembledSizeText(), "0.4");
    d.setAssembledSize(3.0);
    EXPECT_EQ(d.scaleText(), "10.000000");
    d.setScale(1000);
    EXPECT_EQ(d.assembledSizeText(), "300.0");
    EXPECT_EQ(d.validate(), "Specify a value of 0.1 - 200 for assembled size");
    d.setAssembledSize(0.1);
    EXPECT_EQ(d.validate(), "");
    d.setAssembledSize(0.09);
    EXPECT_FALSE(d.validate().empty());
    // OK in mode 1 stores the scale as dMag2d = scale / dMag3d.
    m.dMag3d = 0.25;
    d.mode = kLayoutGivenScale;
    d.setScale(2.0);
    d.spacingMm = 7;
    d.apply(m, params);
    EXPECT_DOUBLE_EQ(m.dMag2d, 8.0);
    EXPECT_EQ(params.spacingMm, 7);
    EXPECT_EQ(params.mode, kLayoutGivenScale);
    // A model with no height at all is measured along its longest side, so a size can be
    // given for it.
    Model plate;
    plate.boundsMin = {0, 0, 0};
    plate.boundsMax = {4, 0, 8};
    LayoutDialog flat = LayoutDialog::initial(plate, params, false);
    EXPECT_EQ(flat.assembledSizeText(), "10.0");
    EXPECT_EQ(flat.validate(), "");
    flat.setAssembledSize(20);
    EXPECT_DOUBLE_EQ(flat.scale, 2.5);
    // Recalculating starts from the current scale.
    d = LayoutDialog::initial(m, params, true);
    EXPECT_DOUBLE_EQ(d.scale, 2.0);
    EXPECT_DOUBLE_EQ(d.assembledSize, 0.6);
}

TEST(PageGrid, GridAndSheetSize) {
    const PageSetup page;
    Model m;
    computePageGrid(m, page);
    EXPECT_EQ(m.pagesAcross, 1);
    m.bFinished = true;
    m.dMag2d = 2.0;
    auto p = std::make_unique<Part>();
    p->x = 10;
    p->width = 8;       // right edge 18 × 2 = 36 cm over 18 cm usable: 2 full pages → 3
    p->height = 100;    // far beyond five pages
    m.parts.push_back(std::move(p));
    computePageGrid(m, page);
    EXPECT_EQ(m.pagesAcross, 3);
    EXPECT_EQ(m.pagesDown, 5);
    const SheetSize s = printedSheetSize(m, page);
    EXPECT_DOUBLE_EQ(s.width, 3 + 18.0 * 3);
    EXPECT_DOUBLE_EQ(s.height, 3 + 26.7 * 5);
}
