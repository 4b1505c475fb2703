#include <gtest/gtest.h>

#include <cmath>

#include "views/number_glyphs.h"

using namespace plikatra;

namespace {

double signedArea(const std::vector<Point2>& ring) {
    double a = 0.0;
    for (size_t i = 0; i < ring.size(); ++i) {
        const Point2& p = ring[i];
        const Point2& q = ring[(i + 1) % ring.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2;
}

class NumberGlyphs : public testing::Test {
protected:
    static void SetUpTestSuite() { glyphs = new GlyphSet(loadNumberGlyphs(&error)); }
    static void TearDownTestSuite() { delete glyphs; }
    static GlyphSet* glyphs;
    static std::string error;
};
GlyphSet* NumberGlyphs::glyphs = nullptr;
std::string NumberGlyphs::error;

}  // namespace

TEST_F(NumberGlyphs, TrianglesCoverEachOutlineExactlyOnce) {
    ASSERT_FALSE(glyphs->empty()) << error;
    for (char c : std::string("0123456789-")) {
        const Glyph* g = glyphs->glyph(c);
        ASSERT_TRUE(g);
        ASSERT_FALSE(g->triangles.empty()) << c;
        ASSERT_EQ(g->triangles.size() % 3, 0u);
        double outline = 0.0;
        for (const auto& contour : g->contours) outline += signedArea(contour);
        double covered = 0.0;
        for (size_t i = 0; i < g->triangles.size(); i += 3)
            covered += std::fabs(signedArea({g->triangles[i], g->triangles[i + 1],
                                             g->triangles[i + 2]}));
        // Holes (in 0, 4, 6, 8, 9) wind the other way, so the outline's net area is the ink.
        EXPECT_NEAR(covered, std::fabs(outline), 1e-6 + 0.001 * std::fabs(outline)) << c;
    }
}

TEST_F(NumberGlyphs, EmHeightIsOne) {
    ASSERT_FALSE(glyphs->empty()) << error;
    double top = -1, bottom = 1;
    for (const Point2& p : glyphs->glyph('8')->triangles) {
        top = std::max(top, p.y);
        bottom = std::min(bottom, p.y);
    }
    // Digits stand on the baseline and reach about 0.7 em in this face.
    EXPECT_NEAR(bottom, 0.0, 0.02);
    EXPECT_GT(top, 0.6);
    EXPECT_LT(top, 0.8);
    // Bold digits of this face share one advance, a little over half an em.
    EXPECT_NEAR(glyphs->glyph('1')->advance, glyphs->glyph('8')->advance, 1e-9);
    EXPECT_GT(glyphs->glyph('8')->advance, 0.5);
    EXPECT_LT(glyphs->glyph('8')->advance, 0.6);
}

TEST_F(NumberGlyphs, TextAdvanceGrowsWithTheDigitCount) {
    ASSERT_FALSE(glyphs->empty()) << error;
    EXPECT_LT(glyphs->advance("7"), glyphs->advance("25"));
    EXPECT_LT(glyphs->advance("25"), glyphs->advance("125"));
    EXPECT_NEAR(glyphs->advance("125"), 3 * glyphs->advance("1"), 1e-9);
    std::vector<Point2> set;
    const double width = glyphs->appendText("-10", set);
    EXPECT_DOUBLE_EQ(width, glyphs->advance("-10"));
    EXPECT_EQ(set.size(), glyphs->glyph('-')->triangles.size() +
                              glyphs->glyph('1')->triangles.size() +
                              glyphs->glyph('0')->triangles.size());
    // The second character starts one advance further along.
    double minX = 1e9;
    for (size_t i = glyphs->glyph('-')->triangles.size(); i < set.size(); ++i)
        minX = std::min(minX, set[i].x);
    EXPECT_GE(minX, glyphs->glyph('-')->advance);
}

TEST(NumberGlyphsFailure, AFontThatCannotBeReadGivesTheMessageAndNoGlyphs) {
    std::string error;
    const GlyphSet set = loadGlyphsFromFile("/nonexistent/font.ttf", 0, &error);
    EXPECT_TRUE(set.empty());
    EXPECT_EQ(error, "Failed to create Fonts");
    EXPECT_EQ(set.glyph('1'), nullptr);
    EXPECT_EQ(set.advance("12"), 0.0);
}

namespace {

// The atlas's value at em position `p` of character `c`'s cell, filtered linearly as the
// renderer's texture is.
double atlasValue(const GlyphAtlas& atlas, char c, Point2 p) {
    const GlyphAtlas::Cell& cell = *atlas.cell(c);
    const double u = cell.u0 + (p.x - cell.left) / (cell.right - cell.left) * (cell.u1 - cell.u0);
    const double v = cell.v0 + (p.y - cell.bottom) / (cell.top - cell.bottom) * (cell.v1 - cell.v0);
    const double x = u * atlas.width() - 0.5, y = v * atlas.height() - 0.5;
    const int i = static_cast<int>(std::floor(x)), j = static_cast<int>(std::floor(y));
    const double fx = x - i, fy = y - j;
    auto at = [&](int a, int b) {
        a = std::clamp(a, 0, atlas.width() - 1);
        b = std::clamp(b, 0, atlas.height() - 1);
        return static_cast<double>(atlas.pixels()[static_cast<size_t>(b * atlas.width() + a)]);
    };
    return (1 - fy) * ((1 - fx) * at(i, j) + fx * at(i + 1, j)) +
           fy * ((1 - fx) * at(i, j + 1) + fx * at(i + 1, j + 1));
}

bool inTriangles(const std::vector<Point2>& t, Point2 p) {
    for (size_t i = 0; i + 2 < t.size(); i += 3) {
        auto side = [&](Point2 a, Point2 b) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); };
        const double d0 = side(t[i], t[i + 1]), d1 = side(t[i + 1], t[i + 2]), d2 = side(t[i + 2], t[i]);
        if ((d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0)) return true;
    }
    return false;
}

double distanceToOutline(const Glyph& g, Point2 p) {
    double best = 1e9;
    for (const auto& c : g.contours)
        for (size_t i = 0; i < c.size(); ++i) {
            const Point2 a = c[i], b = c[(i + 1) % c.size()];
            const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
            const double t = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
            best = std::min(best, std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y));
        }
    return best;
}

}  // namespace

TEST_F(NumberGlyphs, AtlasCutsTheSameShapesAsTheTriangles) {
    ASSERT_FALSE(glyphs->empty()) << error;
    const int texelsPerEm = 64;
    const GlyphAtlas atlas = buildGlyphAtlas(*glyphs, texelsPerEm);
    ASSERT_FALSE(atlas.empty());
    for (char c : std::string("0123456789-")) {
        const Glyph& g = *glyphs->glyph(c);
        const GlyphAtlas::Cell* cell = atlas.cell(c);
        ASSERT_TRUE(cell) << c;
        ASSERT_FALSE(cell->blank) << c;
        EXPECT_DOUBLE_EQ(cell->advance, g.advance);
        // Across the whole cell, at points off the grid of texel centres: the threshold
        // agrees with the triangles wherever the outline is more than a texel away.
        int inside = 0;
        for (double y = cell->bottom + 0.003; y < cell->top; y += 0.0113)
            for (double x = cell->left + 0.002; x < cell->right; x += 0.0107) {
                const Point2 p{x, y};
                if (distanceToOutline(g, p) < 1.0 / texelsPerEm) continue;
                const bool ink = inTriangles(g.triangles, p);
                inside += ink;
                EXPECT_EQ(atlasValue(atlas, c, p) >= 127.5, ink) << c << " at " << x << ", " << y;
            }
        EXPECT_GT(inside, 50) << c;
    }
    EXPECT_EQ(atlas.cell('a'), nullptr);
    // The solid block is ink wherever a texture lookup may land on it.
    const int sx = static_cast<int>(atlas.solidU() * atlas.width());
    const int sy = static_cast<int>(atlas.solidV() * atlas.height());
    for (int j = sy - 1; j <= sy; ++j)
        for (int i = sx - 1; i <= sx; ++i)
            EXPECT_EQ(atlas.pixels()[static_cast<size_t>(j * atlas.width() + i)], 255);
    EXPECT_TRUE(buildGlyphAtlas(GlyphSet{}).empty());
}
