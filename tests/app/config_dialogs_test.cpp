#include "app/config_dialogs.h"

#include <gtest/gtest.h>

#include "recording_front_end.h"
#include "test_util.h"

using namespace plikatra;

namespace {

class ConfigDialogTest : public testing::Test {
protected:
    void SetUp() override {
        doc.addListener([this](DocumentEvent e) { events.push_back(e); });
    }
    // A cube with its development, the events so far forgotten.
    void openUnfoldedCube() {
        doc.adopt(test::makeCube());
        ASSERT_TRUE(doc.createDevelopment(true));
        events.clear();
        rec.entries.clear();
    }
    bool heard(DocumentEvent e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }
    std::vector<double> flapHeights() const {
        std::vector<double> heights;
        for (const auto& part : doc.model()->parts)
            for (Face* f : part->faces)
                for (const auto& h : f->halfedges) heights.push_back(h->flapHeight);
        return heights;
    }

    RecordingFrontEnd rec;
    Settings settings;
    Document doc{rec, settings};
    std::vector<DocumentEvent> events;
};

TEST(IntegerField, AcceptsOnlyWholeNumbersInRange) {
    EXPECT_EQ(parseIntegerField(" 15 "), 15);
    EXPECT_EQ(parseIntegerField("-7"), -7);
    EXPECT_EQ(parseIntegerField("+7"), 7);
    for (const char* bad : {"", " ", "15a", "1.5", "0x10", "- 3", "99999999999"})
        EXPECT_EQ(parseIntegerField(bad), std::nullopt) << bad;

    const IntRange angle = LineTypeConfig::kAngleRange;
    EXPECT_EQ(checkIntegerField("90", angle), "");
    EXPECT_EQ(checkIntegerField("180", angle), "");
    EXPECT_EQ(checkIntegerField("181", angle), "Please enter an integer between 90 and 180.");
    EXPECT_EQ(checkIntegerField("89", angle), "Please enter an integer between 90 and 180.");
    EXPECT_EQ(checkIntegerField("abc", angle), "Please enter an integer.");
}

TEST(RealField, ReadsInTheCLocaleOnly) {
    EXPECT_EQ(parseRealField(" 0.5 "), 0.5);
    EXPECT_EQ(parseRealField("1e2"), 100.0);
    EXPECT_EQ(parseRealField("0,5"), std::nullopt);
    EXPECT_EQ(parseRealField(""), std::nullopt);
}

TEST_F(ConfigDialogTest, LineTypeStoresAllSevenAndTheDerivedWidth) {
    LineTypeConfig c = LineTypeConfig::of(settings);
    EXPECT_EQ(c.iAngleEps, 178);
    EXPECT_TRUE(c.angleEnabled());
    c.iCutLineType = 1;
    c.iYamaLineType = 3;
    c.iTaniLineType = 0;
    c.iLineWidthIndex = 0;
    c.bDrawWhiteBkLine = true;
    c.bCullEdge = false;
    c.iAngleEps = 95;
    EXPECT_FALSE(c.angleEnabled());
    c.apply(doc);
    EXPECT_EQ(LineTypeConfig::of(settings).iYamaLineType, 3);
    EXPECT_EQ(settings.iCutLineType, 1);
    EXPECT_EQ(settings.iTaniLineType, 0);
    EXPECT_TRUE(settings.bDrawWhiteBkLine);
    EXPECT_FALSE(settings.bCullEdge);
    EXPECT_EQ(settings.iAngleEps, 95);
    EXPECT_DOUBLE_EQ(settings.lineWidth, 0.25);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::Redraw});
}

TEST_F(ConfigDialogTest, FlapWidthAnsweredNoChangesNothing) {
    openUnfoldedCube();
    settings.bDrawNorishiro = false;
    const Settings before = settings;
    const std::vector<double> heights = flapHeights();
    FlapConfig c = FlapConfig::of(settings);
    EXPECT_FALSE(c.changeAll);
    EXPECT_EQ(c.widthMm, 5);
    c.bDrawNorishiro = true;  // "Show Flap" switched on in the same visit
    c.changeAll = true;
    c.widthMm = 7;
    rec.answers = {Answer::No};
    EXPECT_FALSE(c.apply(doc));
    EXPECT_EQ(rec.texts(), std::vector<std::string>{kMsgChangeAllFlaps});
    EXPECT_EQ(settings, before);
    EXPECT_EQ(flapHeights(), heights);
    EXPECT_TRUE(events.empty());
}

TEST_F(ConfigDialogTest, FlapWidthAnsweredYesReachesEveryHalfedgeOfEveryPart) {
    openUnfoldedCube();
    doc.setModified(false);
    FlapConfig c = FlapConfig::of(settings);
    c.changeAll = true;
    c.widthMm = 7;
    EXPECT_TRUE(c.apply(doc));
    EXPECT_DOUBLE_EQ(settings.dNorishiroHeight, 0.7);
    for (double h : flapHeights()) EXPECT_DOUBLE_EQ(h, 0.7);
    EXPECT_TRUE(doc.modified());
    EXPECT_TRUE(heard(DocumentEvent::Redraw));
}

TEST_F(ConfigDialogTest, FlapStyleBelongsToTheDevelopmentAndIsAStep) {
    // No development: the style is not offered and nothing takes it.
    doc.adopt(test::makeCube());
    FlapConfig none = FlapConfig::of(settings, doc.model());
    EXPECT_FALSE(none.styleEnabled);
    none.flapStyle = static_cast<int>(FlapStyle::Shadow);
    EXPECT_TRUE(none.apply(doc));
    EXPECT_EQ(doc.model()->flapStyle, FlapStyle::White);

    openUnfoldedCube();
    doc.setModified(false);
    FlapConfig c = FlapConfig::of(settings, doc.model());
    EXPECT_TRUE(c.styleEnabled);
    EXPECT_EQ(c.flapStyle, static_cast<int>(FlapStyle::White));
    c.flapStyle = static_cast<int>(FlapStyle::Textured);
    EXPECT_TRUE(c.apply(doc));
    EXPECT_EQ(doc.model()->flapStyle, FlapStyle::Textured);
    EXPECT_TRUE(doc.modified());
    EXPECT_EQ(FlapConfig::of(settings, doc.model()).flapStyle, static_cast<int>(FlapStyle::Textured));
    ASSERT_TRUE(doc.canUndo());
    doc.undo();
    EXPECT_EQ(doc.model()->flapStyle, FlapStyle::White);
}

TEST_F(ConfigDialogTest, FlapQuestionOnlyWhenAllFlapsCanChange) {
    // Without a development, or with flaps hidden, the width is stored without asking and no
    // halfedge changes.
    doc.adopt(test::makeCube());
    FlapConfig c = FlapConfig::of(settings);
    c.changeAll = true;
    c.widthMm = 12;
    EXPECT_TRUE(c.apply(doc));
    EXPECT_TRUE(rec.entries.empty());
    EXPECT_DOUBLE_EQ(settings.dNorishiroHeight, 1.2);

    openUnfoldedCube();
    const std::vector<double> heights = flapHeights();
    c = FlapConfig::of(settings);
    c.bDrawNorishiro = false;
    c.changeAll = true;
    c.widthMm = 3;
    EXPECT_FALSE(c.widthEnabled());
    EXPECT_FALSE(c.changeAllEnabled());
    EXPECT_TRUE(c.apply(doc));
    EXPECT_TRUE(rec.entries.empty());
    EXPECT_FALSE(settings.bDrawNorishiro);
    EXPECT_EQ(flapHeights(), heights);
}

TEST_F(ConfigDialogTest, FlapDialogNeverStoresReversePosition) {
    settings.bNorishiroReverse = true;
    FlapConfig c = FlapConfig::of(settings);
    EXPECT_TRUE(c.bNorishiroReverse);
    c.bNorishiroReverse = false;
    c.apply(doc);
    EXPECT_TRUE(settings.bNorishiroReverse);
}

TEST_F(ConfigDialogTest, FlapWidthShowsWholeMillimetres) {
    settings.dNorishiroHeight = 0.57;
    EXPECT_EQ(FlapConfig::of(settings).widthMm, 5);
    settings.dNorishiroHeight = 1e300;  // from a damaged profile: shown, then refused
    EXPECT_EQ(FlapConfig::of(settings).widthMm, 0);
    // Every width the field accepts comes back as itself.
    for (int mm = FlapConfig::kWidthRange.min; mm <= FlapConfig::kWidthRange.max; ++mm) {
        FlapConfig c = FlapConfig::of(settings);
        c.widthMm = mm;
        c.apply(doc);
        EXPECT_EQ(FlapConfig::of(settings).widthMm, mm);
    }
}

TEST_F(ConfigDialogTest, JoinNumberStoresItsValues) {
    JoinNumberConfig c = JoinNumberConfig::of(settings);
    EXPECT_FALSE(c.bFitEdgeNumberToFace);
    c.bDrawEdgeNumber = true;
    c.bEdgeIdReverse = true;
    c.iEdgeNumberFontSize = 100;
    c.bFitEdgeNumberToFace = true;
    c.apply(doc);
    EXPECT_TRUE(settings.bDrawEdgeNumber);
    EXPECT_TRUE(settings.bEdgeIdReverse);
    EXPECT_EQ(settings.iEdgeNumberFontSize, 100);
    EXPECT_TRUE(settings.bFitEdgeNumberToFace);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::Redraw});
}

TEST_F(ConfigDialogTest, MarginShowsWholeMillimetresAndStoresCentimetres) {
    settings.dPageMarginTop = 1.57;
    settings.dPageMarginSide = 2.0;
    PageConfig c = PageConfig::of(settings);
    EXPECT_EQ(c.marginTopMm, 15);
    EXPECT_EQ(c.marginSideMm, 20);
    c.apply(doc);
    EXPECT_DOUBLE_EQ(settings.dPageMarginTop, 1.5);
    EXPECT_DOUBLE_EQ(settings.dPageMarginSide, 2.0);
    // 1.57 became 1.5: that is a new margin.
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::FitSheet});
}

TEST_F(ConfigDialogTest, SamePaperAndMarginsKeepThePageGrid) {
    openUnfoldedCube();
    doc.model()->pagesAcross = 4;  // a grid the recomputation would not give
    PageConfig c = PageConfig::of(settings);
    c.bPrintTombo = true;
    c.iPrintPPIIndex = 3;
    c.apply(doc);
    EXPECT_EQ(doc.model()->pagesAcross, 4);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::Redraw});
    EXPECT_TRUE(settings.bPrintTombo);
    EXPECT_EQ(settings.printPPI, 200);
}

TEST_F(ConfigDialogTest, NewPaperOrMarginRecomputesThePageGrid) {
    openUnfoldedCube();
    doc.model()->pagesAcross = 4;
    PageConfig c = PageConfig::of(settings);
    c.iPageType = 3;
    c.apply(doc);
    EXPECT_EQ(doc.model()->pagesAcross, 1);
    EXPECT_DOUBLE_EQ(settings.pageWidth, 42.0);
    EXPECT_DOUBLE_EQ(settings.pageHeight, 29.7);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::FitSheet});

    events.clear();
    doc.model()->pagesAcross = 4;
    c = PageConfig::of(settings);
    c.marginSideMm = 1;
    c.apply(doc);
    EXPECT_EQ(doc.model()->pagesAcross, 1);
    EXPECT_DOUBLE_EQ(settings.dPageMarginSide, 0.1);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::FitSheet});
}

TEST_F(ConfigDialogTest, ColoursChangeAtOnceAndResetRestoresAll) {
    openUnfoldedCube();
    ColorConfig c = ColorConfig::of(settings);
    EXPECT_EQ(c.kRows.back().index, 0);
    c.setColor(doc, 4, 0x00FF00);
    EXPECT_EQ(settings.colors[4], 0x00FF00u);
    EXPECT_EQ(c.colors[4], 0x00FF00u);
    c.setColor(doc, 0, 0x0000FF);  // pure red
    EXPECT_EQ(doc.model()->defaultMaterial.flatColor.r, 1.0f);
    EXPECT_EQ(doc.model()->defaultMaterial.flatColor.g, 0.0f);
    c.setColor(doc, 8, 0);  // no such colour: ignored
    c.resetToDefault(doc);
    EXPECT_EQ(settings.colors, kInitialColors);
    EXPECT_EQ(c.colors, kInitialColors);
    ColorConfig::finish(doc);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::Redraw});
}

std::unique_ptr<TextureImage> texture(int w, int h) {
    auto t = std::make_unique<TextureImage>();
    t->width = w;
    t->height = h;
    t->pixels.assign(size_t(w) * h * 3, 200);
    return t;
}

TEST_F(ConfigDialogTest, SwitchingTheLimitOnShrinksOnlyLargerTextures) {
    doc.adopt(test::makeCube());
    Material* wide = doc.model()->addMaterial();
    wide->texture = texture(1024, 768);
    wide->hasTexture = true;
    Material* fits = doc.model()->addMaterial();
    fits->texture = texture(512, 512);
    fits->hasTexture = true;

    OtherConfig c = OtherConfig::of(settings);
    EXPECT_FALSE(c.limitIndexEnabled());
    c.apply(doc);  // limit still off
    EXPECT_EQ(wide->texture->width, 1024);

    c.bLimitTextureSize = true;
    c.iTextureLimitSizeIndex = 3;
    c.apply(doc);
    EXPECT_EQ(settings.textureSizeLimit, 512);
    EXPECT_EQ(wide->texture->width, 512);
    EXPECT_EQ(wide->texture->height, 512);
    EXPECT_EQ(wide->texture->pixels.size(), 512u * 512 * 3);
    EXPECT_TRUE(wide->hasTexture);
    EXPECT_EQ(fits->texture->width, 512);
    EXPECT_EQ(fits->texture->pixels.size(), 512u * 512 * 3);
}

TEST_F(ConfigDialogTest, OtherConfigurationsStoreEveryValue) {
    OtherConfig c = OtherConfig::of(settings);
    EXPECT_TRUE(c.simpleDisplay);  // bRenderAllGL starts off
    c.bDrawColorEdge = false;
    c.bEnhanceCutEdgeOpen = false;
    c.bSound = false;
    c.bZoomWheelInvert = true;
    c.iAlgorithmType = 2;
    c.bUnStrictEdgeCrossCheck = true;
    c.bCullFace = true;
    c.simpleDisplay = false;
    c.bOmitMaterialWhenModelRotate = true;
    c.bSlideColorToWhite = false;
    c.apply(doc);
    EXPECT_TRUE(settings.bRenderAllGL);
    EXPECT_EQ(settings.iAlgorithmType, 2);
    EXPECT_FALSE(settings.bDrawColorEdge || settings.bEnhanceCutEdgeOpen || settings.bSound ||
                 settings.bSlideColorToWhite);
    EXPECT_TRUE(settings.bZoomWheelInvert && settings.bUnStrictEdgeCrossCheck &&
                settings.bCullFace && settings.bOmitMaterialWhenModelRotate);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::Redraw});

    events.clear();
    c.bTextureSmooth = false;
    c.apply(doc);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::TextureFilter});
}

TEST(ModelInfo, CountsTheModel) {
    auto cube = test::makeCube();
    ModelInfo info = ModelInfo::of(*cube);
    EXPECT_EQ(info.faces, 6);
    EXPECT_EQ(info.vertices, 8);
    EXPECT_EQ(info.materials, 1);  // empty table
    EXPECT_EQ(info.objects, 1);
    EXPECT_STREQ(info.uvText(), "Does not exist");
    EXPECT_EQ(info.textureImages, 0);

    cube->addMaterial();
    Material* textured = cube->addMaterial();
    textured->texture = texture(64, 64);
    textured->hasTexture = true;
    cube->bTextureCoodinates = true;
    info = ModelInfo::of(*cube);
    EXPECT_EQ(info.materials, 2);
    EXPECT_EQ(info.textureImages, 1);
    EXPECT_STREQ(info.uvText(), "Exist");

    EXPECT_EQ((OpenGlInfo{"4.5", "llvmpipe", 16384}.maxTextureSizeText()), "16384 x 16384");
}

TEST_F(ConfigDialogTest, ObjectListNamesAndVisibility) {
    auto model = test::makeCube();
    model->addSolid("");
    model->addSolid("wheel");
    model->addSolid("");
    doc.adopt(std::move(model));
    ObjectList list = ObjectList::of(doc.model());
    EXPECT_EQ(list.names, (std::vector<std::string>{"Object-1", "Object-2", "wheel", "Object-3"}));
    EXPECT_EQ(list.selected, std::vector<bool>(4, true));

    EXPECT_TRUE(ObjectList::applySelection(doc, {true, false, true, false}));
    EXPECT_EQ(ObjectList::of(doc.model()).selected, (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(ObjectList::applySelection(doc, {true}));  // wrong length
    EXPECT_TRUE(ObjectList::selectAll(doc, false));
    EXPECT_EQ(ObjectList::of(doc.model()).selected, std::vector<bool>(4, false));
    EXPECT_EQ(events.back(), DocumentEvent::Redraw);
    EXPECT_TRUE(ObjectList::of(nullptr).names.empty());
}

TEST_F(ConfigDialogTest, ObjectListIsFixedOnceUnfolded) {
    EXPECT_FALSE(ObjectList::editable(doc));
    EXPECT_FALSE(ObjectList::selectAll(doc, true));
    openUnfoldedCube();
    EXPECT_FALSE(ObjectList::editable(doc));
    EXPECT_FALSE(ObjectList::applySelection(doc, {false}));
    EXPECT_TRUE(doc.model()->solids[0]->visible);
    EXPECT_TRUE(events.empty());
}

TEST(InputString, FontSizeAndFace) {
    EXPECT_EQ(checkTextFontSize("5"), "");
    EXPECT_EQ(checkTextFontSize("100"), "");
    EXPECT_EQ(checkTextFontSize("4"), "Specify a value of 5 - 100 for font size");
    EXPECT_EQ(checkTextFontSize("101"), "Specify a value of 5 - 100 for font size");
    EXPECT_EQ(checkTextFontSize("big"), "Please enter an integer.");

    TextDialogValues v;
    v.fontName = "liberation sans";
    settleTextFont(v, {"DejaVu Sans", "Liberation Sans"});
    EXPECT_EQ(v.fontName, "liberation sans");
    v.fontName = "Nowhere Font";
    settleTextFont(v, {"DejaVu Sans", "Liberation Sans"});
    EXPECT_EQ(v.fontName, "Arial");
}

}  // namespace
