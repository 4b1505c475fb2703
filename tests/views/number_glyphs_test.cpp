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
