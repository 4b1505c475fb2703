#include <cstring>
#include <sstream>

#include "reader_support.h"
#include "textures/texture_image.h"
#include "workfile/work_file_writer.h"

namespace plikatra {
namespace {

using test::ReaderTest;
using test::replaced;

const char* const kVersionLines = "version 2\nmin_version 2\n";

TEST_F(ReaderTest, VersionRules) {
    const std::string file = golden("development.ufd");

    // Newer, but readable by version 2: a warning, then the whole file.
    LoadOutcome outcome;
    auto m = load(replaced(file, kVersionLines, "version 3\nmin_version 2\n"), outcome);
    ASSERT_TRUE(m);
    EXPECT_EQ(ui_.texts(), std::vector<std::string>{kMsgWorkFileNewer});
    EXPECT_EQ(m->solids.size(), 1u);
    EXPECT_EQ(m->texts.size(), 1u);

    struct Refused {
        const char* lines;
        const char* message;
    };
    for (const Refused& r : {Refused{"version 3\n", kMsgWorkFileTooNew},
                             Refused{"version 3\nmin_version 3\n", kMsgWorkFileTooNew},
                             Refused{"version 2\nmin_version 5\n", kMsgWorkFileTooNew},
                             Refused{"version 1\nmin_version 1\n", kMsgWorkFileTooOld},
                             Refused{"version 1\n", kMsgWorkFileTooOld}}) {
        ui_.entries.clear();
        EXPECT_FALSE(load(replaced(file, kVersionLines, r.lines), outcome)) << r.lines;
        EXPECT_EQ(outcome.result, kReadFailedReported) << r.lines;
        // The reader's own message only: the loader adds none for this result.
        EXPECT_EQ(ui_.texts(), std::vector<std::string>{r.message}) << r.lines;
    }

    // No minimum: the word after the version is the next keyword, and it is not lost.
    ui_.entries.clear();
    m = load(replaced(file, kVersionLines, "version 2\n"), outcome);
    ASSERT_TRUE(m);
    EXPECT_DOUBLE_EQ(m->boundsMax.x, 2.5);
    EXPECT_DOUBLE_EQ(m->boundsMax.z, 0.123457);
    EXPECT_EQ(m->solids.size(), 1u);
    EXPECT_TRUE(ui_.entries.empty());

    // A version without its number fails.
    EXPECT_FALSE(load("# header\nversion", outcome));
    EXPECT_EQ(outcome.result, kReadFailed);
    EXPECT_EQ(ui_.texts().back(), kMsgLoadFailed);
}

TEST_F(ReaderTest, InfoSectionKeysAndDefaults) {
    settings().bDrawWhiteBkLine = true;
    settings().bEnableLineAlpha = true;
    auto m = load(
        "version 2 min_version 2\ninfo\nbUnknownKey 77\ndMag2d 12.5\niPageType 1\n"
        "bEnableLineAlpha 0\niYamaLineType 9\niPageType 42\n/info\niAngleEps 3\nend 2\n");
    ASSERT_TRUE(m);
    // The unknown key and its value pass without effect; the next key is read normally.
    EXPECT_DOUBLE_EQ(m->dMag2d, 12.5);
    // A file without the key turns white background lines off.
    EXPECT_FALSE(settings().bDrawWhiteBkLine);
    EXPECT_TRUE(settings().bEnableLineAlpha);
    // Values no drawing understands leave the settings as they were.
    EXPECT_EQ(settings().iYamaLineType, Settings{}.iYamaLineType);
    EXPECT_EQ(settings().iPageType, 1);
    EXPECT_DOUBLE_EQ(settings().pageWidth, 29.7);
    EXPECT_DOUBLE_EQ(settings().pageHeight, 21.0);
    // Outside the section the key is an ordinary unknown word.
    EXPECT_EQ(settings().iAngleEps, Settings{}.iAngleEps);

    // Margins that would leave a paper no printable area are not taken.
    m = load("version 2\ninfo\ndPageMarginSide 30\ndPageMarginTop -1\n/info\nend 2\n");
    ASSERT_TRUE(m);
    EXPECT_DOUBLE_EQ(settings().dPageMarginSide, Settings{}.dPageMarginSide);
    EXPECT_DOUBLE_EQ(settings().dPageMarginTop, Settings{}.dPageMarginTop);
    m = load("version 2\ninfo\ndPageMarginSide 8.5\n/info\nend 2\n");
    ASSERT_TRUE(m);
    EXPECT_DOUBLE_EQ(settings().dPageMarginSide, 8.5);
}

TEST_F(ReaderTest, DefaultMaterialKeepsItsOwnColours) {
    const std::string file = golden("development.ufd");
    const std::string defaultLine =
        "0.850980 0.850980 1.000000 1.000000 0.850980 0.850980 1.000000 1.000000 0.000000 "
        "0.000000 0.000000 1.000000 0.000000 0.000000 0.000000 1.000000 0.000000 0.850980 "
        "0.850980 1.000000 0 0";
    const std::string other =
        "0.100000 0.200000 0.300000 0.400000 0.100000 0.200000 0.300000 0.400000 0.500000 "
        "0.500000 0.500000 1.000000 0.600000 0.600000 0.600000 1.000000 7.000000 0.100000 "
        "0.200000 0.300000 1 0";
    auto m = load(replaced(replaced(file, "defaultmaterial\nmaterial\n\n", "defaultmaterial\nmaterial\nbase\n"),
                           defaultLine, other));
    ASSERT_TRUE(m);
    const Material fresh;
    EXPECT_EQ(m->defaultMaterial.name, "base");
    EXPECT_FLOAT_EQ(m->defaultMaterial.ambient.r, fresh.ambient.r);
    EXPECT_FLOAT_EQ(m->defaultMaterial.diffuse.b, fresh.diffuse.b);
    EXPECT_FLOAT_EQ(m->defaultMaterial.emission.r, fresh.emission.r);
    EXPECT_FLOAT_EQ(m->defaultMaterial.shininess, fresh.shininess);
    EXPECT_FLOAT_EQ(m->defaultMaterial.flatColor.g, fresh.flatColor.g);
    EXPECT_TRUE(m->defaultMaterial.colorGiven);
    // The listed material takes the file's colours.
    EXPECT_FLOAT_EQ(m->materials[0]->ambient.r, 0.25f);
}

TEST_F(ReaderTest, FileCutInsideTexturePixelsFails) {
    const std::string file = golden("development.ufd");
    const size_t pixels = file.find("\n2 2\n") + 5;
    for (size_t cut : {pixels, pixels + 6, pixels + 11}) {
        ui_.entries.clear();
        LoadOutcome outcome;
        EXPECT_FALSE(load(file.substr(0, cut), outcome)) << cut;
        EXPECT_EQ(outcome.result, kReadFailed) << cut;
        EXPECT_EQ(ui_.texts(), std::vector<std::string>{kMsgLoadFailed}) << cut;
    }
}

TEST_F(ReaderTest, StoredTextureLargerThanTheLimitIsFitted) {
    auto m = test::makeCube();
    Material* mat = m->addMaterial();
    mat->hasTexture = true;
    mat->texture = std::make_unique<TextureImage>();
    mat->texture->width = 200;
    mat->texture->height = 100;
    for (int i = 0; i < 200 * 100 * 3; ++i) mat->texture->pixels.push_back(static_cast<std::uint8_t>(i / 3 % 251));
    auto back = load(workFileText(*m, {}));
    ASSERT_TRUE(back);
    const int limit = kMinTextureSide;  // no view has read the graphics limit
    ASSERT_LT(limit, 200);
    const TextureImage& t = *back->materials[0]->texture;
    EXPECT_EQ(t.width, limit);
    EXPECT_EQ(t.height, limit);
    EXPECT_EQ(t.pixels.size(), static_cast<size_t>(limit * limit * 3));
}

// Numbers and counts a file cannot hold or that point nowhere fail the load.
TEST_F(ReaderTest, UntrustedNumbersFailTheLoad) {
    const std::string file = golden("development.ufd");
    struct Case {
        const char* what;
        const char* from;
        const char* to;
    };
    const Case cases[] = {
        {"negative count", "vertices 4", "vertices -1"},
        {"count beyond the file", "vertices 4", "vertices 99999999"},
        {"huge count", "edges 6", "edges 2147483647"},
        {"corner count below three", "1.000000 -0.500000 3 ", "1.000000 -0.500000 2 "},
        {"corner vertex out of range", "3 0.000000 1.250000", "4 0.000000 1.250000"},
        {"corner vertex negative", "3 0.000000 1.250000", "-1 0.000000 1.250000"},
        {"edge face out of range", "0 1 2 0 7 1", "2 1 2 0 7 1"},
        {"edge face below -1", "0 1 2 0 7 1", "-2 1 2 0 7 1"},
        {"edge vertex out of range", "0 -1 0 1 21 0", "0 -1 0 9 21 0"},
        {"corner on two edges", "0 -1 1 2 5 0", "0 -1 0 1 5 0"},
        {"unknown edge kind", "0 1 2 0 7 1", "0 1 2 0 9 1"},
        {"face part out of range", "0 0 0.000000 0.000000 1.000000 -0.500000",
         "0 1 0.000000 0.000000 1.000000 -0.500000"},
        {"part solid out of range", "0 1.500000 2.250000", "1 1.500000 2.250000"},
        {"part solid negative", "0 1.500000 2.250000", "-1 1.500000 2.250000"},
        {"texture wider than a row buffer", "\n2 2\n", "\n4097 0\n"},
        {"texture beyond the file", "\n2 2\n", "\n2 3000\n"},
        {"texture size negative", "\n2 2\n", "\n-2 -2\n"},
    };
    for (const Case& c : cases) {
        ui_.entries.clear();
        LoadOutcome outcome;
        EXPECT_FALSE(load(replaced(file, c.from, c.to), outcome)) << c.what;
        EXPECT_EQ(outcome.result, kReadFailed) << c.what;
        EXPECT_EQ(ui_.texts(), std::vector<std::string>{kMsgLoadFailed}) << c.what;
    }
}

// A file that ends anywhere before its "end" line is only part of a document; opening it as
// the document would lose the rest on the next save.
TEST_F(ReaderTest, FileCutShortAtAnyLineFails) {
    const std::string file = golden("development.ufd");
    const size_t end = file.rfind("end 2");
    int cuts = 0;
    for (size_t at = 0; at <= end; at = file.find('\n', at) + 1) {
        ui_.entries.clear();
        LoadOutcome outcome;
        ASSERT_FALSE(load(file.substr(0, at), outcome)) << at;
        EXPECT_EQ(outcome.result, kReadFailed) << at;
        EXPECT_EQ(ui_.texts(), std::vector<std::string>{kMsgLoadFailed}) << at;
        ++cuts;
    }
    EXPECT_GT(cuts, 60);
    // The "end" line itself needs nothing after its keyword.
    EXPECT_TRUE(load(file.substr(0, end + 3)));
}

TEST_F(ReaderTest, FaceMaterialMissingFromTheFileBecomesTheDefault) {
    const std::string file = replaced(golden("development.ufd"),
                                      "-1 0 0.000000 0.000000 1.000000 0.000000 3",
                                      "0 0 0.000000 0.000000 1.000000 0.000000 3");
    // Without listed materials the material block is read as unknown words and passed over.
    auto m = load(replaced(file, "materials 1", "materials 0"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->solids[0]->faces[0]->materialIndex, -1);
    EXPECT_EQ(m->solids[0]->edges.size(), 6u);
    // With the materials the same index stands.
    m = load(file);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->solids[0]->faces[0]->materialIndex, 0);
}

TEST_F(ReaderTest, NamesAndTextsHaveBoundedLines) {
    const std::string file = golden("development.ufd");
    // 254 characters fit the name's buffer.
    const std::string longest(254, 'n');
    auto m = load(replaced(file, "solid\nsheet\n", "solid\n" + longest + "\n"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->solids[0]->name, longest);
    EXPECT_EQ(m->texts.size(), 1u);

    // One more does not fit: the file cannot be read as written.
    LoadOutcome outcome;
    EXPECT_FALSE(load(replaced(file, "solid\nsheet\n", "solid\n" + longest + "x\n"), outcome));
    EXPECT_EQ(outcome.result, kReadFailed);

    // The text of a text item holds 511 characters, its font name 510.
    const std::string text(511, 't');
    m = load(replaced(file, "Hello world\n", text + "\n"));
    ASSERT_TRUE(m);
    ASSERT_EQ(m->texts.size(), 1u);
    EXPECT_EQ(m->texts[0]->text, text);
    EXPECT_DOUBLE_EQ(m->dMag2d, 20.0);
    EXPECT_TRUE(load(replaced(file, "Liberation Sans\n", std::string(510, 'f') + "\n")));
    EXPECT_FALSE(load(replaced(file, "Liberation Sans\n", std::string(511, 'f') + "\n")));
}

// Names of any length come from model files; a saved file keeps as much of each as its reader
// takes, so it always reads back.
TEST_F(ReaderTest, LongNamesAreCutToWhatAFileHolds) {
    auto m = test::makeCube();
    m->solids[0]->name = std::string(300, 's');
    m->addMaterial()->name = std::string(1000, 'm');
    auto text = std::make_unique<TextItem>();
    text->fontName = std::string(600, 'f');
    text->text = std::string(600, 't');
    m->texts.push_back(std::move(text));
    auto back = load(workFileText(*m, {}));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->solids[0]->name, std::string(254, 's'));
    EXPECT_EQ(back->materials[0]->name, std::string(254, 'm'));
    ASSERT_EQ(back->texts.size(), 1u);
    EXPECT_EQ(back->texts[0]->text, std::string(511, 't'));
}

TEST_F(ReaderTest, MissingFontsAreReplacedWithOneMessage) {
    std::string file = golden("development.ufd");
    file = replaced(file, "text 1\n1\nLiberation Sans\nHello world\n",
                    "text 3\n1\nLiberation Sans\nHello world\n"
                    "24 1.000000 -2.000000 3.500000 1.250000 0 10 20 30\n"
                    "7\nNo Such Face\nsecond\n"
                    "24 1.000000 -2.000000 3.500000 1.250000 0 10 20 30\n"
                    "1\ndejavu sans\nthird\n");
    auto m = load(file);
    ASSERT_TRUE(m);
    ASSERT_EQ(m->texts.size(), 3u);
    EXPECT_EQ(m->texts[0]->fontName, "Liberation Sans");
    EXPECT_EQ(m->texts[1]->fontName, kDefaultFontName);
    // Face names compare without regard to case.
    EXPECT_EQ(m->texts[2]->fontName, "dejavu sans");
    // The first further int is not taken from the file.
    EXPECT_EQ(m->texts[1]->extra1, 1);
    EXPECT_EQ(ui_.texts(), std::vector<std::string>{kMsgFontsReplaced});

    // All faces present: no message.
    ui_.entries.clear();
    EXPECT_TRUE(load(golden("development.ufd")));
    EXPECT_TRUE(ui_.entries.empty());
}

TEST(SystemFontsTest, ListsAndMeasuresInstalledFaces) {
    SystemFonts system;
    const auto names = system.faceNames();
    if (names.empty()) GTEST_SKIP() << "no fonts installed";
    EXPECT_TRUE(system.isInstalled(names.front()));
    EXPECT_FALSE(system.isInstalled("No Such Face 4711"));
    const TextExtent one = system.textExtent(names.front(), 32, "W");
    const TextExtent three = system.textExtent(names.front(), 32, "WWW");
    EXPECT_GT(one.width, 0);
    EXPECT_GT(three.width, 2 * one.width);
    EXPECT_GE(one.height, 32);
    EXPECT_EQ(system.textExtent(names.front(), 0, "W").width, 0);
}

}  // namespace
}  // namespace plikatra
