#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/settings.h"
#include "views/development_renderer.h"
#include "views/development_view_transform.h"
#include "views/model_renderer.h"

using namespace plikatra;

namespace {

SheetFrame twoByOnePages() {
    SheetFrame f;
    f.pagesAcross = 2;
    f.pagesDown = 1;
    f.width = 2 * 1.5 + 2 * (21.0 - 3.0);
    f.height = 29.7;
    f.mag2d = 40.0;
    return f;
}

DevelopmentViewTransform view(double zoom, double panX, double panY) {
    DevelopmentViewTransform t;
    t.clientWidth = 801;  // odd, so that the integer half width matters
    t.clientHeight = 600;
    t.pixelsPerCm = 12.5;
    t.zoom = zoom;
    t.panX = panX;
    t.panY = panY;
    return t;
}

}  // namespace

TEST(DevelopmentViewTransform, SheetOriginAndInverse) {
    const SheetFrame f = twoByOnePages();
    const DevelopmentViewTransform t = view(1.7, 23.0, -11.5);
    const double k = 1.7 * 12.5;
    // Development (0, 0) is the top-left corner of the first page's printable area.
    const Point2 origin = sheetToScreen(t, f, {0, 0});
    EXPECT_DOUBLE_EQ(origin.x, 400 + 1.7 * 23.0 - k * f.width / 2 + k * 1.5);
    EXPECT_DOUBLE_EQ(origin.y, 300 + 1.7 * 11.5 - k * f.height / 2 + k * 1.5);
    // One development unit is mag2d centimetres, down the sheet for +y.
    const Point2 step = sheetToScreen(t, f, {0.25, 0.5});
    EXPECT_NEAR(step.x - origin.x, 0.25 * 40 * k, 1e-9);
    EXPECT_NEAR(step.y - origin.y, 0.5 * 40 * k, 1e-9);
    for (const DevelopmentViewTransform& v : {t, view(0.3, 0, 0), view(25.0, -400, 90)})
        for (Point2 p : {Point2{0, 0}, Point2{0.7, -0.2}, Point2{-3, 12}}) {
            const Point2 back = screenToSheet(v, f, sheetToScreen(v, f, p));
            EXPECT_NEAR(back.x, p.x, 1e-12);
            EXPECT_NEAR(back.y, p.y, 1e-12);
        }
    EXPECT_DOUBLE_EQ(pixelsPerUnit(t, f), k * 40);
}

TEST(DevelopmentViewTransform, FitLeavesFifteenPixelsAroundTheLimitingSide) {
    const SheetFrame f = twoByOnePages();
    DevelopmentViewTransform t = view(3, 50, 50);
    fitSheet(t, f);
    EXPECT_EQ(t.zoom, 1.0);
    EXPECT_EQ(t.panX, 0.0);
    EXPECT_EQ(t.panY, 0.0);
    // The sheet is 39 × 29.7 cm: the height limits in an 801 × 600 client.
    EXPECT_DOUBLE_EQ(t.pixelsPerCm, (600 - 30) / f.height);
    const Point2 top = sheetCmToScreen(t, f, {0, 0});
    const Point2 bottom = sheetCmToScreen(t, f, {f.width, f.height});
    EXPECT_NEAR(top.y, 15, 1e-9);
    EXPECT_NEAR(bottom.y, 600 - 15, 1e-9);
    EXPECT_GT(top.x, 15);
    EXPECT_NEAR(top.x + bottom.x, 800, 1e-9);  // centred on the integer half width
}

TEST(DevelopmentViewTransform, ZoomIsRefusedOutsideThePageWidthLimits) {
    const SheetFrame f = twoByOnePages();
    DevelopmentViewTransform t = view(1, 0, 0);  // page 21 cm × 12.5 = 262.5 pixels
    EXPECT_TRUE(setZoomWithinLimits(t, f, 20000 / 262.5));
    EXPECT_FALSE(setZoomWithinLimits(t, f, 20001 / 262.5));
    EXPECT_DOUBLE_EQ(t.zoom, 20000 / 262.5);
    EXPECT_TRUE(setZoomWithinLimits(t, f, 20 / 262.5));
    EXPECT_FALSE(setZoomWithinLimits(t, f, 19.9 / 262.5));
    EXPECT_DOUBLE_EQ(t.zoom, 20 / 262.5);
}

TEST(DevelopmentViewTransform, GridChangeKeepsTheSheetCornerInPlace) {
    const SheetFrame before = twoByOnePages();
    SheetFrame after = before;
    after.pagesAcross = 3;
    after.pagesDown = 2;
    after.width += 18.0;
    after.height += 26.7;
    DevelopmentViewTransform t = view(2.5, 10, -4);
    const Point2 corner = sheetCmToScreen(t, before, {0, 0});
    keepSheetCorner(t, before, after);
    const Point2 moved = sheetCmToScreen(t, after, {0, 0});
    EXPECT_NEAR(moved.x, corner.x, 1e-9);
    EXPECT_NEAR(moved.y, corner.y, 1e-9);
}

TEST(DevelopmentViewTransform, PagesAddedLeftAndAboveKeepTheDevelopmentInPlace) {
    const SheetFrame before = twoByOnePages();
    SheetFrame after = before;
    after.pagesAcross = 3;
    after.pagesDown = 2;
    after.width += 18.0;
    after.height += 26.7;
    after.originX = -18.0;
    after.originY = -26.7;
    DevelopmentViewTransform t = view(2.5, 10, -4);
    const Point2 part{-0.1, 0.3};  // development units, left of the origin
    const Point2 seen = sheetToScreen(t, before, part);
    keepSheetCorner(t, before, after);
    const Point2 now = sheetToScreen(t, after, part);
    EXPECT_NEAR(now.x, seen.x, 1e-9);
    EXPECT_NEAR(now.y, seen.y, 1e-9);
    const Point2 back = screenToSheet(t, after, now);
    EXPECT_NEAR(back.x, part.x, 1e-12);
    EXPECT_NEAR(back.y, part.y, 1e-12);
}

TEST(JoinNumberLayout, AngleRule) {
    // Second point to the left: the plain arcsine; to the right: 180 minus it.
    EXPECT_DOUBLE_EQ(joinNumberAngle({1, 0}, {0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(joinNumberAngle({0, 0}, {1, 0}), 180.0);
    EXPECT_NEAR(joinNumberAngle({1, 0}, {0, 1}), 45.0, 1e-12);
    EXPECT_NEAR(joinNumberAngle({0, 0}, {1, 1}), 135.0, 1e-12);
    EXPECT_NEAR(joinNumberAngle({0, 0}, {0, -2}), -90.0, 1e-12);
    EXPECT_TRUE(std::isnan(joinNumberAngle({3, 3}, {3, 3})));
}

TEST(JoinNumberLayout, CentredOnTheMidpointAndRunningFromSecondToFirst) {
    const GlyphSet glyphs = loadNumberGlyphs();
    ASSERT_FALSE(glyphs.empty());
    const double em = 8 * 0.042333333333333334;
    for (auto [first, second] : {std::pair{Point2{10, 4}, Point2{4, 4}},
                                 std::pair{Point2{4, 4}, Point2{10, 12}},
                                 std::pair{Point2{6, 1}, Point2{6, 9}}}) {
        const auto tris = layoutJoinNumber(glyphs, 42, first, second, em);
        ASSERT_FALSE(tris.points.empty());
        const Point2 mid{(first.x + second.x) / 2, (first.y + second.y) / 2};
        const double len = std::hypot(first.x - second.x, first.y - second.y);
        const Point2 along{(first.x - second.x) / len, (first.y - second.y) / len};
        double lo = 1e9, hi = -1e9, side = 0;
        ASSERT_EQ(tris.indices.size() % 3, 0u);
        for (const Point2& p : tris.points) {
            const double s = (p.x - mid.x) * along.x + (p.y - mid.y) * along.y;
            lo = std::min(lo, s);
            hi = std::max(hi, s);
            side += (p.x - mid.x) * along.y - (p.y - mid.y) * along.x;
        }
        // Centred along the edge within the side bearings, about two digits wide.
        EXPECT_NEAR((lo + hi) / 2, 0.0, 0.1 * em);
        EXPECT_NEAR(hi - lo, glyphs.advance("42") * em, 0.2 * em);
        // The glyphs stand on the side (along.y, -along.x): up on screen for a number that
        // reads left to right, so it is never mirrored.
        EXPECT_GT(side, 0.0);
    }
    EXPECT_TRUE(layoutJoinNumber(glyphs, 3, {1, 1}, {1, 1}, em).points.empty());
}

TEST(JoinNumberLayout, TurnableNumbersCarryABarAndStandClearOfTheEdge) {
    const GlyphSet glyphs = loadNumberGlyphs();
    ASSERT_FALSE(glyphs.empty());
    const double em = 8 * 0.042333333333333334;
    const Point2 first{10, 4}, second{4, 4};  // reads left to right above the edge y = 4
    const TriangleMesh plain = layoutJoinNumber(glyphs, 6, first, second, em);
    const TriangleMesh marked = layoutJoinNumber(glyphs, 6, first, second, em, true);
    // The bar: four more corners and two more triangles, as wide as the digit's advance.
    ASSERT_EQ(marked.points.size(), plain.points.size() + 4);
    ASSERT_EQ(marked.indices.size(), plain.indices.size() + 6);
    double left = 1e9, right = -1e9, barTop = 1e9, barFoot = -1e9;
    for (size_t i = plain.points.size(); i < marked.points.size(); ++i) {
        const Point2 p = marked.points[i];
        left = std::min(left, p.x), right = std::max(right, p.x);
        barTop = std::min(barTop, p.y), barFoot = std::max(barFoot, p.y);
    }
    EXPECT_NEAR(right - left, glyphs.advance("6") * em, 1e-9);
    // y runs down the sheet: the bar lies below the digits' base line and above the edge,
    // clear of the edge's line.
    double digitFoot = -1e9;
    for (size_t i = 0; i < plain.points.size(); ++i) digitFoot = std::max(digitFoot, marked.points[i].y);
    EXPECT_NEAR(4 - barFoot, 0.15 * em, 1e-9);
    EXPECT_GT(barTop, digitFoot);  // below the base line, clear of the digits
    // The digits themselves are the same, only lifted further.
    const double lift = (plain.points[0].y - marked.points[0].y) / em;
    EXPECT_NEAR(lift, 0.3 - 0.2 * 0.7 / 1.2, 1e-9);
}

TEST(ViewOptions, DefaultsAreTheInitialSettings) {
    const Settings s;
    const DevelopmentViewOptions d;
    EXPECT_EQ(d.lineWidth, s.lineWidth);
    EXPECT_EQ(d.lineSmooth, s.bLineSmooth);
    EXPECT_EQ(d.lineAlpha, s.bEnableLineAlpha);
    EXPECT_EQ(d.textureLineAlpha, s.dTextureLineAlpha);
    EXPECT_EQ(d.textureSmooth, s.bTextureSmooth);
    EXPECT_EQ(d.whiteUnderLines, s.bDrawWhiteBkLine);
    EXPECT_EQ(d.numberFontSize, s.iEdgeNumberFontSize);
    EXPECT_EQ(d.selectionColor, s.colors[6]);
    const ModelViewOptions m;
    EXPECT_EQ(m.colors, s.colors);
    EXPECT_EQ(m.cullFace, s.bCullFace);
    EXPECT_EQ(m.cullEdge, s.bCullEdge);
    EXPECT_EQ(m.angleEps, s.iAngleEps);
    EXPECT_EQ(m.colorEdges, s.bDrawColorEdge);
    EXPECT_EQ(m.useMaterial, s.bUseMaterial);
    EXPECT_EQ(m.openedCuts, s.bEnhanceCutEdgeOpen);
    EXPECT_EQ(m.omitMaterialWhileRotating, s.bOmitMaterialWhenModelRotate);
    EXPECT_EQ(m.textureSmooth, s.bTextureSmooth);
}
