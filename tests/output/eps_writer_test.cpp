#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "base/settings.h"
#include "development/development.h"
#include "development/development_drawing.h"
#include "eps_fixture.h"
#include "test_util.h"

using namespace plikatra;
using namespace plikatra::test;

namespace {

class EpsExport : public ::testing::Test {
protected:
    void SetUp() override {
        settings().bDrawEdgeNumber = true;
        d = makeSampleDevelopment();
    }

    Settings& settings() { return settings_; }
    std::string run() { return test::exportChecked(*d.model, settings_); }
    std::string exportToString(Model& m) { return test::exportToString(m, settings_); }
    std::string exportChecked(Model& m) { return test::exportChecked(m, settings_); }

    Settings settings_;
    SampleDevelopment d;
    // The sample with default settings and join numbers shown.
    const std::string sample = readFile(PLIKATRA_SOURCE_DIR "/tests/output/data/sample.eps");
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Lines of the line stage: the flap's base v1 → v2, the fold v2 → v0, the cut seen from part 2.
const std::string kFlapBase = "252.000000 -36.000000 moveto\n252.000000 108.000000 lineto\nstroke";
const std::string kFold = "252.000000 108.000000 moveto\n108.000000 -36.000000 lineto\nstroke";
const std::string kOtherSide = "360.000000 108.000000 moveto\n360.000000 -36.000000 lineto\nstroke";

}  // namespace

TEST_F(EpsExport, SampleDevelopmentIsWrittenExactly) {
    // Halfedges start with their drawn mark set, so this also shows the marks are cleared.
    const std::string eps = run();
    EXPECT_EQ(eps, sample);
    EXPECT_EQ(eps.find('\r'), std::string::npos);
    EXPECT_EQ(eps.rfind("\nshowpage\n%%EOF\n"), eps.size() - 16);
    const SheetRect used = sheetExtent(*d.model);
    EXPECT_DOUBLE_EQ(used.x, 1.0);
    EXPECT_DOUBLE_EQ(used.y, 1.0);
    EXPECT_DOUBLE_EQ(used.width, 6.0);
    EXPECT_DOUBLE_EQ(used.height, 3.0);
    EXPECT_EQ(d.model->dKavimozuWidth, 0.0) << "exporting stores nothing in the model";
}

TEST_F(EpsExport, TextItemsWidenTheBoxButAreNotWritten) {
    auto text = std::make_unique<TextItem>();
    text->text = "label";
    text->x = 7.0;
    text->y = 2.5;
    text->width = 2 * 2.54;  // two units
    text->height = 2.54;     // from y 1.5 to 3.0: inside the parts' rows
    d.model->texts.push_back(std::move(text));
    const std::string eps = run();
    EXPECT_DOUBLE_EQ(sheetExtent(*d.model).width, 8.0);
    // Nothing of the text is drawn, so neither the box nor the drawing changes.
    EXPECT_EQ(eps, sample);

    d.model->texts[0]->y = 1.0;  // reaches one unit up and half a unit down
    EXPECT_DOUBLE_EQ(sheetExtent(*d.model).y, 0.0);
    EXPECT_DOUBLE_EQ(sheetExtent(*d.model).height, 4.0);
    EXPECT_NE(run(), sample) << "the frame grows with the text";
}

TEST_F(EpsExport, HiddenFlapsTurnTheBaseIntoACutLine) {
    settings().bDrawNorishiro = false;
    const std::string eps = run();
    EXPECT_FALSE(has(eps, "270.000000"));  // no flap corner
    EXPECT_TRUE(has(eps, "[] 0 setdash\n" + kFlapBase));
    EXPECT_FALSE(has(eps, "[3 ] 0 setdash"));
    EXPECT_EQ(count(eps, "(1)show"), 2u);
}

TEST_F(EpsExport, ShownFlapBaseTakesTheFoldStyleOfItsEdge) {
    d.cut->mountain = false;
    std::string eps = run();
    EXPECT_TRUE(has(eps, "[8 4 4 4] 0 setdash\n" + kFlapBase));
    EXPECT_TRUE(has(eps, "[] 0 setdash\n" + kOtherSide));  // no flap on this side

    settings().iTaniLineType = 3;  // "none" hides the base, not the flap outline
    eps = run();
    EXPECT_FALSE(has(eps, kFlapBase));
    EXPECT_TRUE(has(eps, "270.000000 -18.000000 lineto"));
}

TEST_F(EpsExport, CutLineTypeOneDropsOnlyCutLines) {
    settings().iCutLineType = 1;
    const std::string eps = run();
    EXPECT_FALSE(has(eps, "\n[] 0 setdash"));
    EXPECT_TRUE(has(eps, "[3 ] 0 setdash\n" + kFlapBase));
    EXPECT_TRUE(has(eps, "[8 4 4 4] 0 setdash\n" + kFold));
    EXPECT_EQ(count(eps, "\nstroke"), 3u);  // flap outline, flap base, fold
    EXPECT_EQ(count(eps, "(1)show"), 2u);
}

TEST_F(EpsExport, NearlyFlatFoldsAreCulledOnlyWhenAskedAndOnlyWithATwin) {
    d.fold->foldAngle = 178.0;  // not above the threshold
    d.cut->foldAngle = 179.0;   // no twin on either side: never culled
    EXPECT_TRUE(has(run(), kFold));

    d.fold->foldAngle = 179.0;
    const std::string eps = run();
    EXPECT_FALSE(has(eps, "[8 4 4 4] 0 setdash"));  // from neither of its halfedges
    EXPECT_TRUE(has(eps, kFlapBase));
    EXPECT_TRUE(has(eps, kOtherSide));

    settings().bCullEdge = false;
    EXPECT_TRUE(has(run(), kFold));
}

TEST_F(EpsExport, ErasedLinesAreSkipped) {
    // Erasing a fold clears both of its halfedges.
    d.foldFirst->lineShown = false;
    d.foldSecond->lineShown = false;
    d.otherSide->lineShown = false;
    const std::string eps = run();
    EXPECT_FALSE(has(eps, "[8 4 4 4] 0 setdash"));
    EXPECT_FALSE(has(eps, kOtherSide));
    EXPECT_TRUE(has(eps, kFlapBase));
}

TEST_F(EpsExport, MirroringAndReverseSettingsCancel) {
    auto expectFlipped = [](const std::string& eps) {
        EXPECT_TRUE(has(eps, "234.000000 -18.000000 lineto"));  // flap on the face's side
        EXPECT_EQ(lineAfter(eps, "gsave"), "253.120000 38.800000 translate");
        EXPECT_TRUE(has(eps, "\n-90.000000 rotate"));
    };
    d.model->bReverse = true;
    expectFlipped(run());
    settings().bNorishiroReverse = true;
    settings().bEdgeIdReverse = true;
    EXPECT_EQ(run(), sample);
    d.model->bReverse = false;
    expectFlipped(run());
}

TEST_F(EpsExport, JoinNumbersShiftBackByHalfTheirDigits) {
    // The number runs up the edge x = 252, y -36..108, so the shift by half the digits'
    // advance (0.7 × 8 pt each) lowers it from the midpoint y 36.
    const std::pair<int, const char*> cases[] = {
        {7, "250.880000 33.200000 translate"},
        {25, "250.880000 30.400000 translate"},
        {100, "250.880000 27.600000 translate"},
        {0, "250.880000 33.200000 translate"},  // counted as one digit
    };
    for (const auto& [number, expected] : cases) {
        d.cut->joinNumber = number;
        const std::string eps = run();
        EXPECT_EQ(lineAfter(eps, "gsave"), expected) << number;
        EXPECT_EQ(count(eps, "(" + std::to_string(number) + ")show"), 2u) << number;
    }
    d.cut->joinNumber = -1;
    settings().iEdgeNumberFontSize = 12;
    const std::string eps = run();
    EXPECT_FALSE(has(eps, ")show"));
    EXPECT_TRUE(has(eps, "\n[]0 setdash\n0.0 0.0 0.0 setrgbcolor\n/Helvetica findfont\n12 scalefont setfont"));
}

TEST_F(EpsExport, TurnableNumbersGetABarUnderTheirDigits) {
    // 6 reads as 9 upside down: the same number, lifted to 0.3 of the font size (2.4 pt) off
    // its edge, with a bar as wide as the digits the interpreter sets beneath it.
    d.cut->joinNumber = 6;
    std::string expected = sample;
    for (const auto& [before, after] : {std::pair<std::string, std::string>{"250.880000 33.200000", "249.600000 33.200000"},
                                        {"361.120000 38.800000", "362.400000 38.800000"}})
        expected.replace(expected.find(before), before.size(), after);
    const std::string bar =
        "(6)show\nnewpath\n0 -0.560000 moveto\n0 -1.200000 lineto\n(6) stringwidth pop -1.200000 lineto"
        "\n(6) stringwidth pop -0.560000 lineto\nclosepath fill";
    for (size_t at = expected.find("(1)show"); at != std::string::npos; at = expected.find("(1)show", at))
        expected.replace(at, 7, bar);
    const std::string eps = run();
    EXPECT_EQ(eps, expected);
    expectGhostscriptAccepts(eps);

    // Fitted to its face, a number keeps its place rules in its own smaller system.
    d.cut->joinNumber = 1;
    settings().iEdgeNumberFontSize = 100;
    EXPECT_FALSE(has(run(), " scale\n"));
    settings().bFitEdgeNumberToFace = true;
    const std::string fitted = run();
    const std::string rotate = lineAfter(fitted, lineAfter(fitted, "gsave"));
    const std::string scale = lineAfter(fitted, rotate);
    ASSERT_NE(scale.find(" scale"), std::string::npos) << fitted;
    const double k = std::atof(scale.c_str());
    EXPECT_GT(k, kSmallestFittedNumberSize / 100);
    EXPECT_LT(k, 1.0);
}

TEST_F(EpsExport, FillOptions) {
    settings().bOmitFillNorishiroInEPS = true;
    std::string eps = run();
    EXPECT_EQ(count(eps, "\nfill"), 3u);  // the faces
    EXPECT_TRUE(has(eps, "\n\n0.0 0.0 0.0 setrgbcolor\n252.000000 108.000000 moveto"));  // outline kept

    settings().bOmitFillNorishiroInEPS = false;
    settings().bOmitFillFaceInEPS = true;
    eps = run();
    EXPECT_EQ(count(eps, "\nfill"), 1u);  // the flap
    EXPECT_FALSE(has(eps, "\n "));

    // Textures are not exported: a textured face is white, like every face without materials.
    settings().bOmitFillFaceInEPS = false;
    d.model->materials[0]->hasTexture = true;
    eps = run();
    EXPECT_FALSE(has(eps, "0.250000 0.500000 0.750000"));
    EXPECT_EQ(count(eps, "0.850980 0.850980 1.000000 setrgbcolor"), 2u);
    settings().bUseMaterial = false;
    EXPECT_EQ(count(run(), "closepath\n1.0 1.0 1.0 setrgbcolor\nfill"), 4u);
}

TEST_F(EpsExport, WhiteBackgroundLinesUnderDashedLinesOnly) {
    settings().bDrawWhiteBkLine = true;
    const std::string eps = run();
    const std::string white = "\n1.0 1.0 1.0 setrgbcolor\n[] 0 setdash\n";
    EXPECT_EQ(count(eps, white), 2u);
    EXPECT_TRUE(has(eps, white + kFlapBase + "\n0.0 0.0 0.0 setrgbcolor\n[3 ] 0 setdash\n" + kFlapBase));
    EXPECT_TRUE(has(eps, white + kFold + "\n0.0 0.0 0.0 setrgbcolor\n[8 4 4 4] 0 setdash\n" + kFold));
}

TEST_F(EpsExport, FlapShapes) {
    // Twice the height reaches past the 144 pt base: a triangle with its apex 3 cm out.
    d.flapSide->flapHeight = 3.0;
    EXPECT_EQ(count(run(), "252.000000 108.000000 moveto\n337.039370 36.000000 lineto\n"
                           "252.000000 -36.000000 lineto\n"), 2u);

    // A base below 0.01 pt gets no flap: 2 units are 0.0057 pt at this scale. Flap and
    // digits keep their paper size, so both are made tiny to stay inside the box.
    settings().bDrawEdgeNumber = false;
    d.flapSide->flapHeight = 0.001;
    d.model->dMag2d = 1e-4;
    EXPECT_EQ(count(run(), "\nstroke"), 8u);  // the eight edge lines only
    d.model->dMag2d = 2e-4;                   // 0.0113 pt
    EXPECT_EQ(count(run(), "\nstroke"), 9u);
}
