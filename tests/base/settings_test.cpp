#include "base/settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "app/document.h"
#include "base/profile.h"
#include "model/model.h"
#include "recording_front_end.h"
#include "temp_profile.h"

namespace plikatra {
namespace {

// Every profile entry in order: its initial value as written, and another valid value.
struct Row {
    const char* name;
    const char* initial;
    const char* other;
};
const Row kRows[] = {
    {"bDrawColorEdge", "1", "0"},
    {"bDrawEdgeNumber", "0", "1"},
    {"bDrawNorishiro", "1", "0"},
    {"iEdgeNumberFontSize", "8", "12"},
    {"bCullFace", "0", "1"},
    {"bUseOriginalFont", "0", "1"},
    {"bCullEdge", "1", "0"},
    {"iTaniLineType", "2", "3"},
    {"iYamaLineType", "1", "0"},
    {"iCutLineType", "0", "1"},
    {"iAlgorithmType", "1", "2"},
    {"dNorishiroHeight", "0.500000", "0.750000"},
    {"bPrintRaster", "0", "1"},
    {"iAngleEps", "178", "120"},
    {"bOmitFillFaceInEPS", "0", "1"},
    {"bOmitFillNorishiroInEPS", "0", "1"},
    {"bEnhanceCutEdgeOpen", "1", "0"},
    {"iPrintPPIIndex", "1", "3"},
    {"bSound", "1", "0"},
    {"bNorishiroReverse", "0", "1"},
    {"bEdgeIdReverse", "0", "1"},
    {"bRenderAllGL", "0", "1"},
    {"bPageDivide", "1", "0"},
    {"dPageMarginSide", "1.500000", "0.250000"},
    {"dPageMarginTop", "1.500000", "2.125000"},
    {"bKavimoAllAuto", "1", "0"},
    {"bLineSmooth", "0", "1"},
    {"bZoomWheelInvert", "0", "1"},
    {"bTextureSmooth", "1", "0"},
    {"iLineWidthIndex", "3", "7"},
    {"bPrintTombo", "0", "1"},
    {"bPrintOmitPage", "1", "0"},
    {"bPrintPageNumber", "0", "1"},
    {"bLimitTextureSize", "0", "1"},
    {"iTextureLimitSizeIndex", "3", "4"},
    {"bSlideColorToWhite", "1", "0"},
    {"bOmitMaterialWhenModelRotate", "0", "1"},
    {"bDrawWhiteBkLine", "0", "1"},
    {"bFirstStartUp", "1", "0"},
    {"bUnStrictEdgeCrossCheck", "0", "1"},
    {"bPlaceTextOnGrid", "1", "0"},
    {"textGridSize", "10", "20"},
    {"iFewestPartsSeconds", "3", "5"},
    {"bTintCollidingNorishiro", "1", "0"},
    {"iAutoSaveMinutes", "2", "10"},
    {"iUndoMemoryMB", "256", "64"},
    {"bFitEdgeNumberToFace", "0", "1"},
};
const char* kInitialColorTexts[] = {"16767449", "16711680", "16776960", "255",
                                    "25855",    "65535",    "255",      "16777215"};

// The "Settings" section as saveSettings(settings()) writes it, with the initial colours.
std::string savedText(bool initial) {
    std::string text = "[Settings]\n";
    for (const Row& r : kRows) text += std::string(r.name) + "=" + (initial ? r.initial : r.other) + "\n";
    for (int i = 0; i < kColorCount; ++i)
        text += "color" + std::to_string(i) + "=" + kInitialColorTexts[i] + "\n";
    return text;
}

using SettingsProfile = TempProfileTest;

TEST_F(SettingsProfile, NoProfileLeavesInitialValuesAndSavesThemInOrder) {
    settings().bFirstStartUp = false;
    loadSettings(settings(), profilePath());
    EXPECT_TRUE(settings().bFirstStartUp);
    EXPECT_EQ(settings(), Settings{});
    EXPECT_EQ(settings().lineWidth, 1.0);
    EXPECT_EQ(settings().printPPI, 100);
    EXPECT_EQ(settings().textureSizeLimit, 512);

    saveSettings(settings(), profilePath());
    EXPECT_FALSE(settings().bFirstStartUp);
    std::string expected = savedText(true);
    expected.replace(expected.find("bFirstStartUp=1"), 15, "bFirstStartUp=0");
    EXPECT_EQ(readFile(), expected);
}

TEST_F(SettingsProfile, ParsesLikeScanfAndKeepsUnreadableEntries) {
    writeFile(
        "[Settings]\n"
        "iAngleEps=0x10\n"
        "bCullFace=0x10\n"
        "iEdgeNumberFontSize=010\n"
        "dNorishiroHeight= 0.75cm\n"
        "bSound=junk\n"
        "iTaniLineType=\n"
        "bDrawColorEdge=-7\n"
        "color0=nonsense\n"
        "color1=0x123\n"
        "color3=-1\n"
        "color7=-2\n");
    loadSettings(settings(), profilePath());
    const Settings& s = settings();
    EXPECT_EQ(s.iAngleEps, 16);
    EXPECT_TRUE(s.bCullFace);
    EXPECT_EQ(s.iEdgeNumberFontSize, 8);  // octal
    EXPECT_EQ(s.dNorishiroHeight, 0.75);
    EXPECT_TRUE(s.bSound);
    EXPECT_EQ(s.iTaniLineType, 2);
    EXPECT_TRUE(s.bDrawColorEdge);
    EXPECT_EQ(getColor(settings(), 0), kInitialColors[0]);
    EXPECT_EQ(getColor(settings(), 1), 0x123u);
    EXPECT_EQ(getColor(settings(), 3), 255u);
    EXPECT_EQ(getColor(settings(), 7), 0xFFFFFFFEu);
}

TEST_F(SettingsProfile, OutOfRangeIndicesBecomeZero) {
    writeFile("[Settings]\niTextureLimitSizeIndex=7\niPrintPPIIndex=-1\niLineWidthIndex=8\n");
    loadSettings(settings(), profilePath());
    EXPECT_EQ(settings().iTextureLimitSizeIndex, 0);
    EXPECT_EQ(settings().textureSizeLimit, 64);
    EXPECT_EQ(settings().iPrintPPIIndex, 0);
    EXPECT_EQ(settings().printPPI, 75);
    EXPECT_EQ(settings().iLineWidthIndex, 0);
    EXPECT_EQ(settings().lineWidth, 0.25);

    writeFile("[Settings]\niTextureLimitSizeIndex=4\niPrintPPIIndex=3\niLineWidthIndex=7\n");
    loadSettings(settings(), profilePath());
    EXPECT_EQ(settings().textureSizeLimit, 1024);
    EXPECT_EQ(settings().printPPI, 200);
    EXPECT_EQ(settings().lineWidth, 5.0);
}

TEST_F(SettingsProfile, EveryEntryRoundTrips) {
    // Every "other" value differs from the initial one, so an entry that is not read or
    // not written shows up as a difference in the saved text.
    const std::string text = savedText(false);
    writeFile(text);
    loadSettings(settings(), profilePath());
    EXPECT_FALSE(settings().autoCheck);  // follows bKavimoAllAuto=0
    saveSettings(settings(), profilePath());
    EXPECT_EQ(readFile(), text);
    const Settings saved = settings();
    settings() = Settings{};
    loadSettings(settings(), profilePath());
    EXPECT_EQ(settings(), saved);
}

TEST_F(SettingsProfile, SavingKeepsUnknownKeysAndTheProgressPosition) {
    writeFile("[Window]\nshow=1\n[Settings]\nX=40\nY=50\nmyOwn=keep\nbSound=0\n");
    loadSettings(settings(), profilePath());
    saveSettings(settings(), profilePath());
    const IniDocument doc = loadProfile(path_);
    EXPECT_EQ(doc.get("Settings", "myOwn"), "keep");
    EXPECT_EQ(doc.get("Settings", "bSound"), "0");
    EXPECT_EQ(doc.get("Window", "show"), "1");
    const ScreenPoint p = readProgressPosition(profilePath());
    EXPECT_EQ(p.x, 40);
    EXPECT_EQ(p.y, 50);
}

TEST_F(SettingsProfile, GarbageProfileLeavesInitialValues) {
    std::mt19937 rng(7);
    std::string junk = "[Settings]\n";
    for (int i = 0; i < 20000; ++i) junk += static_cast<char>(rng() & 0xFF);
    for (const Row& r : kRows) junk += std::string(r.name) + "=\x01\xff z\n";
    writeFile(junk);
    loadSettings(settings(), profilePath());
    EXPECT_EQ(settings(), Settings{});
}

TEST_F(SettingsProfile, ProgressPositionAndWindowPlacement) {
    EXPECT_EQ(readProgressPosition(profilePath()).x, -1);  // never stored: the window centres itself
    EXPECT_EQ(loadWindowPlacement(profilePath()), WindowPlacement{});
    EXPECT_EQ(loadWindowPlacement(profilePath()).show, 3);
    writeProgressPosition(profilePath(), -5, 300);
    const WindowPlacement w{10, 20, 810, 620, 1, 400};
    saveWindowPlacement(profilePath(), w);
    EXPECT_EQ(loadWindowPlacement(profilePath()), w);
    EXPECT_EQ(readProgressPosition(profilePath()).x, -5);
    EXPECT_EQ(readProgressPosition(profilePath()).y, 300);
}

// Starts from a record where every profile entry, colour and page value differs from its
// initial value.
class ResetToDefault : public TempProfileTest {
protected:
    void SetUp() override {
        TempProfileTest::SetUp();
        writeFile(savedText(false));
        loadSettings(settings(), profilePath());
        setColor(settings(), 0, 0);
        setColor(settings(), 4, 7);
        Settings& s = settings();
        s.iPageType = 5;
        s.pageWidth = 25.7;
        s.pageHeight = 18.2;
        s.dTextureLineAlpha = 0.1;
        s.layoutSpacingPercent = 3;
        s.layoutSpacingMm = 4;
        s.bUseMaterial = false;
        changed_ = s;
        doc.addListener([this](DocumentEvent e) { hookCalls_ += e == DocumentEvent::FitSheet; });
    }
    Settings changed_;
    int hookCalls_ = 0;
    RecordingFrontEnd ui;
    Document doc{ui, settings()};
};

TEST_F(ResetToDefault, CancelChangesNothing) {
    ui.answers = {Answer::Cancel};
    EXPECT_FALSE(doc.resetSettings());
    EXPECT_EQ(settings(), changed_);
    EXPECT_EQ(hookCalls_, 0);
    ASSERT_EQ(ui.entries.size(), 1u);
    EXPECT_EQ(ui.entries[0].text, "Reset all settings to initial state.");
    EXPECT_TRUE(ui.entries[0].question);
    EXPECT_EQ(ui.entries[0].icon, MessageIcon::Question);
}

TEST_F(ResetToDefault, OkResetsTheResetColumnOnly) {
    ui.answers = {Answer::Ok};
    EXPECT_TRUE(doc.resetSettings());

    Settings expected;  // the initial values, except for the entries that do not reset
    expected.bUseOriginalFont = changed_.bUseOriginalFont;
    expected.bOmitFillFaceInEPS = changed_.bOmitFillFaceInEPS;
    expected.bOmitFillNorishiroInEPS = changed_.bOmitFillNorishiroInEPS;
    expected.bNorishiroReverse = changed_.bNorishiroReverse;
    expected.bRenderAllGL = changed_.bRenderAllGL;
    expected.bKavimoAllAuto = changed_.bKavimoAllAuto;
    expected.bOmitMaterialWhenModelRotate = changed_.bOmitMaterialWhenModelRotate;
    expected.bDrawWhiteBkLine = changed_.bDrawWhiteBkLine;
    expected.bFirstStartUp = changed_.bFirstStartUp;
    expected.bUnStrictEdgeCrossCheck = changed_.bUnStrictEdgeCrossCheck;
    expected.bPlaceTextOnGrid = changed_.bPlaceTextOnGrid;
    expected.textGridSize = changed_.textGridSize;
    expected.bUseMaterial = changed_.bUseMaterial;
    expected.autoCheck = changed_.autoCheck;
    EXPECT_EQ(settings(), expected);
    EXPECT_EQ(hookCalls_, 1);
}

TEST_F(ResetToDefault, ColourZeroRecoloursTheDefaultMaterialOfADevelopment) {
    doc.adopt(std::make_unique<Model>());
    Material& mat = doc.model()->defaultMaterial;
    mat.setColor(0.5f, 0.5f, 0.5f);
    mat.ambient.a = 0.25f;
    doc.setColor(0, 0x00FF8000);  // no development yet
    EXPECT_EQ(getColor(settings(), 0), 0x00FF8000u);
    EXPECT_EQ(mat.diffuse.r, 0.5f);

    doc.model()->bFinished = true;
    doc.setColor(1, 0x00FF8000);
    doc.setColor(8, 1);  // ignored, as is a negative index
    EXPECT_EQ(getColor(settings(), 8), 0u);
    EXPECT_EQ(mat.diffuse.r, 0.5f);
    doc.setColor(0, 0x00FF8000);
    EXPECT_EQ(mat.ambient.r, 0.0f);
    EXPECT_EQ(mat.ambient.g, static_cast<float>(128 * 0.00392156862745098));
    EXPECT_EQ(mat.flatColor.b, 1.0f);

    doc.resetSettings();
    EXPECT_EQ(settings().colors, kInitialColors);
    const float c217 = static_cast<float>(217 * 0.00392156862745098);
    EXPECT_EQ(mat.flatColor.r, c217);
    EXPECT_EQ(mat.diffuse.g, c217);
    EXPECT_EQ(mat.ambient.b, 1.0f);
    EXPECT_EQ(mat.ambient.a, 0.25f);  // alpha is not a colour channel here
}

TEST_F(SettingsProfile, SetSettingByName) {
    std::string error;
    for (const char* kv : {"iAngleEps=0x5A", "BDRAWEDGENUMBER=1", "iLineWidthIndex=4",
                           "iTextureLimitSizeIndex=5", "iPrintPPIIndex=4", "iPageType=3",
                           "color6=0xFF00"}) {
        const std::string text(kv);
        const size_t eq = text.find('=');
        EXPECT_TRUE(setSettingByName(settings(), text.substr(0, eq), text.substr(eq + 1), &error)) << kv;
    }
    const Settings& s = settings();
    EXPECT_EQ(s.iAngleEps, 90);
    EXPECT_TRUE(s.bDrawEdgeNumber);
    EXPECT_EQ(s.lineWidth, 2.0);
    EXPECT_EQ(s.textureSizeLimit, 64);  // clamped indices, recomputed values
    EXPECT_EQ(s.printPPI, 75);
    EXPECT_EQ(s.pageWidth, 42.0);
    EXPECT_EQ(s.pageHeight, 29.7);
    EXPECT_EQ(getColor(settings(), 6), 0xFF00u);

    const Settings before = settings();
    EXPECT_FALSE(setSettingByName(settings(), "dPageMarginTop", "wide", &error));
    EXPECT_NE(error.find("dPageMarginTop"), std::string::npos);
    EXPECT_FALSE(setSettingByName(settings(), "iPageType", "8", &error));
    EXPECT_FALSE(setSettingByName(settings(), "X", "1", &error));
    EXPECT_NE(error.find("Unknown setting"), std::string::npos);
    EXPECT_FALSE(setSettingByName(settings(), "bSoundX", "1", nullptr));
    EXPECT_EQ(settings(), before);

    const std::vector<std::string> names = settingNames();
    EXPECT_EQ(names.size(), std::size(kRows) + kColorCount + 1);
    EXPECT_EQ(names.front(), "bDrawColorEdge");
}

}  // namespace
}  // namespace plikatra
