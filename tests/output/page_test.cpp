#include <gtest/gtest.h>

#include <tuple>

#include "development/development.h"
#include "model/construction.h"
#include "output/page_list.h"
#include "output/print_page.h"
#include "output/recording_canvas.h"
#include "output_support.h"
#include "test_util.h"

using namespace plikatra;
using Kind = CanvasOp::Kind;

namespace {

constexpr double kPx300 = 300 / 2.54;

// A 3 × 2 grid of A4 cells (18 × 26.7 cm, dMag2d 1) with a triangle whose edge runs from
// cell (0,0) through (1,0) into (2,0), and a small triangle in cell (1,1).
struct Grid3x2 {
    test::SheetBuilder s;
    Part* p;
    Grid3x2() {
        s.drawing.grid.pagesAcross = 3;
        s.drawing.grid.pagesDown = 2;
        p = s.part(0, 0, 60, 60);
        s.face(p, {{17, 1}, {37, 1}, {17, 2}});
        s.face(p, {{20, 30}, {22, 30}, {20, 32}});
    }
};

TEST(PageList, OmittedCellsLeaveTheNumbersConsecutive) {
    Grid3x2 g;
    const std::vector<PageCell> pages = buildPageList(g.s.drawing, true);
    EXPECT_EQ(pages, (std::vector<PageCell>{{0, 0}, {1, 0}, {2, 0}, {1, 1}}));
    EXPECT_EQ(pageLabel(4, pageCellOf(pages, 4)), "-  page 4 [row 2, column 2]  -");
    EXPECT_EQ(buildPageList(g.s.drawing, false).size(), 6u);
    // Outside 1..count is page 1.
    EXPECT_EQ(pageCellOf(pages, 0), (PageCell{0, 0}));
    EXPECT_EQ(pageCellOf(pages, 5), (PageCell{0, 0}));
    EXPECT_EQ(pageCellOf(pages, 2), (PageCell{1, 0}));
}

TEST(PageList, FlapsCountWhileShownAndTextBoxesByTheirExtent) {
    Grid3x2 g;
    // A flap below an edge near the bottom of cell (0,0) reaches 0.3 cm into cell (0,1).
    g.s.face(g.p, {{1, 25}, {5, 26.5}, {1, 26.5}});
    EXPECT_FALSE(cellHoldsDevelopment(g.s.drawing, {0, 1}));
    g.s.flap(g.p, {5, 26.5}, {1, 26.5}, 0.5);
    EXPECT_TRUE(cellHoldsDevelopment(g.s.drawing, {0, 1}));
    // A text item's box reaches from x to x + width and from y - height to y + height / 2.
    EXPECT_FALSE(cellHoldsDevelopment(g.s.drawing, {2, 1}));
    TextItem* t = g.s.text("T", 30, 26.0, 12);
    t->width = 5.0;
    t->height = 1.0;
    EXPECT_FALSE(cellHoldsDevelopment(g.s.drawing, {2, 1}));  // 30..35, 25..26.5
    t->width = 6.0;  // touches x = 36: borders count
    EXPECT_TRUE(cellHoldsDevelopment(g.s.drawing, {2, 0}));
    t->y = 26.2;     // now also reaches y = 26.7
    EXPECT_TRUE(cellHoldsDevelopment(g.s.drawing, {2, 1}));
}

TEST(PageList, WideSheetsAreCutOffAtFiveColumns) {
    auto model = std::make_unique<Model>();
    Solid* solid = test::addPolygonSolid(*model, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    Face* f = solid->faces[0].get();
    cleanFace(*f);
    auto part = std::make_unique<Part>();
    part->width = 140;  // seven cells of 18 cm
    part->height = 3;
    part->faces.push_back(f);
    f->part = part.get();
    f->placed = true;
    const double xs[] = {1, 139, 1}, ys[] = {1, 1, 2};
    for (int i = 0; i < 3; ++i) {
        f->halfedges[static_cast<std::size_t>(i)]->flatX = xs[i];
        f->halfedges[static_cast<std::size_t>(i)]->flatY = ys[i];
    }
    model->parts.push_back(std::move(part));
    model->dMag2d = 1.0;
    model->bFinished = true;
    computePageGrid(*model, PageSetup{});
    const DevelopmentDrawing d = drawDevelopment(*model, DrawingOptions{});
    EXPECT_EQ(d.grid.pagesAcross, 5);
    const std::vector<PageCell> pages = buildPageList(d, true);
    ASSERT_EQ(pages.size(), 5u);
    EXPECT_EQ(pages.back(), (PageCell{4, 0}));
}

TEST(PageList, UnfoldedCubeIsOnePageWithoutMarks) {
    auto model = test::unfoldedCube();
    const DevelopmentDrawing d = drawDevelopment(*model, DrawingOptions{});
    const std::vector<PageCell> pages = buildPageList(d, true);
    ASSERT_EQ(pages, (std::vector<PageCell>{{0, 0}}));
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    PrintOptions o;
    o.alignmentMarks = true;
    o.printPageNumber = true;
    ASSERT_TRUE(printPage(c, d, pages, 1, {}, o, nullptr).ok());
    for (const CanvasOp* op : c.of(Kind::Polyline)) EXPECT_NE(op->pen.width, kAlignmentMarkPenWidth);
    ASSERT_FALSE(c.of(Kind::Text).empty());
    EXPECT_EQ(c.of(Kind::Text)[0]->text, "-  page 1 [row 1, column 1]  -");
    EXPECT_EQ(c.of(Kind::Polygon).size(), 6u);
}

// Renders plain near-white images and remembers the requests.
class FakeRaster : public RasterSource {
public:
    std::vector<RasterRequest> requests;
    std::string failure;
    RasterResult render(const RasterRequest& r) override {
        requests.push_back(r);
        if (!failure.empty()) return {{}, failure};
        return {RgbImage(r.width, r.height, {252, 252, 252}), {}};
    }
};

struct TwoCells {
    test::SheetBuilder s;
    TwoCells() {
        s.drawing.grid.pagesAcross = 2;
        Part* p = s.part(0, 0, 30, 10);
        s.face(p, {{2, 2}, {30, 2}, {2, 8}}, s.material(0, 0, 1));
        s.text("Hi", 20, 5, 36, 0x0000FF);
    }
};

TEST(PrintPage, VectorPageWithLabelMarksAndClip) {
    TwoCells t;
    const std::vector<PageCell> pages = buildPageList(t.s.drawing, true);
    ASSERT_EQ(pages.size(), 2u);
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    PrintOptions o;
    o.printPageNumber = true;
    o.alignmentMarks = true;
    PrintDevice dev;
    dev.offsetX = 30;
    dev.offsetY = 40;
    ASSERT_TRUE(printPage(c, t.s.drawing, pages, 2, dev, o, nullptr).ok());

    const auto texts = c.of(Kind::Text);
    ASSERT_EQ(texts.size(), 2u);
    const CanvasOp& label = *texts[0];
    EXPECT_EQ(label.text, "-  page 2 [row 1, column 2]  -");
    EXPECT_EQ(label.font, (Font{"Arial", -42, 400, 0}));  // 10 points at 300 per inch
    EXPECT_EQ(label.transform, (CanvasTransform{-30, -40, 1, 1}));
    // Centred on the paper: 30 characters of 21 pixels with the fixed metrics.
    EXPECT_EQ(label.points[0], (IntPoint{static_cast<int>(10.5 * kPx300 - 315), static_cast<int>(28.4 * kPx300)}));

    std::vector<const CanvasOp*> marks;
    for (const CanvasOp* op : c.of(Kind::Polyline))
        if (op->pen.width == kAlignmentMarkPenWidth) marks.push_back(op);
    ASSERT_EQ(marks.size(), 3u * 2u * 2u);
    EXPECT_EQ(marks[0]->points, (std::vector<IntPoint>{{static_cast<int>(-0.5 * kPx300), static_cast<int>(1.5 * kPx300)},
                                                       {static_cast<int>(3.5 * kPx300), static_cast<int>(1.5 * kPx300)}}));

    ASSERT_EQ(c.of(Kind::Clip).size(), 1u);
    const int m = static_cast<int>(1.5 * kPx300);
    EXPECT_EQ(c.of(Kind::Clip)[0]->rect, (IntRect{m, m, static_cast<int>(19.5 * kPx300), static_cast<int>(28.2 * kPx300)}));

    // The development is shifted by one cell: sheet x = 18 cm lands on the left margin.
    const auto polygons = c.of(Kind::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    const CanvasTransform& v = polygons[0]->transform;
    EXPECT_EQ(v, (CanvasTransform{-30.0 + m - static_cast<int>(18 * kPx300), -40.0 + m, 1, 1}));
    EXPECT_EQ(polygons[0]->points[0], (IntPoint{static_cast<int>(2 * kPx300), static_cast<int>(2 * kPx300)}));

    const CanvasOp& item = *texts[1];
    EXPECT_EQ(item.text, "Hi");
    EXPECT_EQ(item.anchor, TextAnchor::BaselineLeft);
    EXPECT_EQ(item.textColor, (DeviceColor{255, 0, 0}));
    EXPECT_EQ(item.font.height, -150);  // 36 points at 300 per inch
    EXPECT_EQ(item.transform, v);
    EXPECT_EQ(item.points[0], (IntPoint{static_cast<int>(20 * kPx300), static_cast<int>(5 * kPx300)}));
    // Everything is put back.
    EXPECT_EQ(c.ops.back().kind, Kind::Restore);
    EXPECT_EQ(c.transform(), CanvasTransform{});
}

// A page draws what reaches its cell, a millimetre's margin included, and leaves out the rest
// of the sheet: a many-page document is not the whole development on every page.
TEST(PrintPage, EachPageDrawsOnlyWhatReachesItsCell) {
    Grid3x2 g;
    // Lines 0.05 cm and 0.5 cm below cell (1,0), that is into cell (1,1).
    g.s.line(g.p, {20, 26.75}, {22, 26.75}, LineRole::Cut, kLineSolid);
    g.s.line(g.p, {20, 27.2}, {22, 27.2}, LineRole::Cut, kLineSolid);
    g.s.number(g.p, {21, 31}, {21, 30}, 7);
    const std::vector<PageCell> pages = buildPageList(g.s.drawing, true);
    ASSERT_EQ(pages.size(), 4u);
    FixedTextMetrics metrics;
    auto drawn = [&](int page) {
        RecordingCanvas c(metrics);
        EXPECT_TRUE(printPage(c, g.s.drawing, pages, page, {}, {}, nullptr).ok());
        std::vector<int> firstXs, lineYs;
        for (const CanvasOp* op : c.of(Kind::Polygon)) firstXs.push_back(op->points[0].x);
        for (const CanvasOp* op : c.of(Kind::Polyline)) lineYs.push_back(op->points[0].y);
        return std::tuple{firstXs, lineYs, c.of(Kind::Text).size()};
    };
    const int x17 = static_cast<int>(17 * kPx300), x20 = static_cast<int>(20 * kPx300);
    const int yNear = static_cast<int>(26.75 * kPx300), yFar = static_cast<int>(27.2 * kPx300);
    // Cell (1,0): the long triangle and the line just below the cell, not the small triangle,
    // the line half a centimetre down or the number.
    EXPECT_EQ(drawn(2), std::tuple(std::vector<int>{x17}, std::vector<int>{yNear}, size_t{0}));
    // Cell (1,1): the small triangle, both lines and the number.
    EXPECT_EQ(drawn(4), std::tuple(std::vector<int>{x20}, std::vector<int>{yNear, yFar}, size_t{1}));
    // Cell (2,0) is reached by the long triangle alone.
    EXPECT_EQ(drawn(3), std::tuple(std::vector<int>{x17}, std::vector<int>{}, size_t{0}));
}

TEST(PrintPage, PreviewShowsTheRasterPageAtThePrintResolution) {
    TwoCells t;
    const std::vector<PageCell> pages = buildPageList(t.s.drawing, true);
    FixedTextMetrics metrics;
    RecordingCanvas c(metrics);
    FakeRaster raster;
    PrintOptions o;
    o.lineSmooth = true;  // off for the preview unless raster printing is chosen
    PrintDevice dev;
    dev.preview = true;
    ASSERT_TRUE(printPage(c, t.s.drawing, pages, 2, dev, o, &raster).ok());
    ASSERT_EQ(raster.requests.size(), 1u);
    const RasterRequest& r = raster.requests[0];
    EXPECT_EQ(r.width, 708);  // 100 ppi over 18 cm
    EXPECT_EQ(r.height, 1051);
    EXPECT_DOUBLE_EQ(r.pixelsPerCm, 100 / 2.54);
    EXPECT_DOUBLE_EQ(r.left, 18.0);
    EXPECT_DOUBLE_EQ(r.top, 0.0);
    EXPECT_FALSE(r.texturesOnly);
    EXPECT_FALSE(r.lineSmooth);
    EXPECT_TRUE(c.of(Kind::Polygon).empty());
    ASSERT_EQ(c.of(Kind::Image).size(), 1u);
    const CanvasOp& image = *c.of(Kind::Image)[0];
    EXPECT_EQ(image.rect, c.of(Kind::Clip)[0]->rect);
    EXPECT_EQ(image.image.pixels[0], 255);  // near-white printed as paper

    o.printRaster = true;
    RecordingCanvas d(metrics);
    printPage(d, t.s.drawing, pages, 2, dev, o, &raster);
    EXPECT_TRUE(raster.requests.back().lineSmooth);
}

TEST(PrintPage, TexturesGoBeneathTheVectorPageOnlyWhereTheyAre) {
    TwoCells t;
    t.s.drawing.grid.pagesAcross = 3;
    Part* p = t.s.parts[0].get();
    t.s.face(p, {{20, 2}, {40, 3}, {21, 10}}, t.s.material(1, 1, 1, true));
    const std::vector<PageCell> pages = buildPageList(t.s.drawing, true);
    ASSERT_EQ(pages.size(), 3u);
    FixedTextMetrics metrics;
    FakeRaster raster;
    RecordingCanvas first(metrics);
    printPage(first, t.s.drawing, pages, 1, {}, {}, &raster);
    EXPECT_TRUE(raster.requests.empty());  // no textured corner in cell (0,0)

    RecordingCanvas c(metrics);
    ASSERT_TRUE(printPage(c, t.s.drawing, pages, 2, {}, {}, &raster).ok());
    ASSERT_EQ(raster.requests.size(), 1u);
    const RasterRequest& r = raster.requests[0];
    EXPECT_TRUE(r.texturesOnly);
    EXPECT_DOUBLE_EQ(r.left, 20.0);
    EXPECT_DOUBLE_EQ(r.top, 2.0);
    EXPECT_EQ(r.width, 629);  // the box clamped to the cell: 16 × 8 cm at 100 ppi
    EXPECT_EQ(r.height, 314);
    const auto images = c.of(Kind::Image);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0]->rect, (IntRect{static_cast<int>(3.5 * kPx300), static_cast<int>(3.5 * kPx300),
                                        static_cast<int>(19.5 * kPx300), static_cast<int>(11.5 * kPx300)}));
    // The vector page follows, with the textured face left open.
    const auto polygons = c.of(Kind::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_GT(polygons[0] - c.ops.data(), images[0] - c.ops.data());

    const std::optional<SheetBox> box = texturedBox(t.s.drawing, {1, 0});
    ASSERT_TRUE(box.has_value());
    EXPECT_DOUBLE_EQ(box->x1, 36.0);
    EXPECT_DOUBLE_EQ(box->y1, 10.0);
}

TEST(PrintPage, RasterFailureIsReportedAfterTheRestOfThePage) {
    TwoCells t;
    const std::vector<PageCell> pages = buildPageList(t.s.drawing, true);
    FixedTextMetrics metrics;
    FakeRaster raster;
    raster.failure = kMsgCreateDibSectionError;
    RecordingCanvas c(metrics);
    PrintOptions o;
    o.printRaster = true;
    EXPECT_EQ(printPage(c, t.s.drawing, pages, 1, {}, o, &raster).message, "CreateDIBSection Error");
    EXPECT_TRUE(c.of(Kind::Image).empty());
    EXPECT_EQ(c.of(Kind::Text).size(), 1u);  // the text item is still printed
    EXPECT_EQ(rasterPageSize(200, 18.0, 26.7), (TextSize{1417, 2102}));
}

}  // namespace
