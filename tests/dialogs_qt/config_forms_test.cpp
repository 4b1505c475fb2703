#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

#include "qt/dialogs/color_button.h"
#include "qt/dialogs/config_forms.h"
#include "qt/dialogs/dialogs.h"
#include "qt/dialogs/info_forms.h"
#include "form_test_util.h"

using namespace plikatra;
using namespace plikatra::test;

namespace {

using ConfigForms = DocumentFixture;

const QString kAngleRange = "Please enter an integer between 90 and 180.";

TEST_F(ConfigForms, EveryFormsCancelLeavesTheSettingsAlone) {
    openCube(true);
    const std::vector<std::function<std::unique_ptr<FormDialog>()>> forms = {
        [&] { return std::make_unique<LineTypeForm>(doc); },
        [&] { return std::make_unique<FlapForm>(doc); },
        [&] { return std::make_unique<JoinNumberForm>(doc); },
        [&] { return std::make_unique<PageSettingsForm>(doc); },
        [&] { return std::make_unique<OtherForm>(doc); },
    };
    const Settings before = settings;
    for (const auto& make : forms) {
        std::unique_ptr<FormDialog> form = make();
        driver.attach(*form);
        // Change every control there is.
        for (QCheckBox* box : form->findChildren<QCheckBox*>()) box->setChecked(!box->isChecked());
        for (QComboBox* combo : form->findChildren<QComboBox*>()) combo->setCurrentIndex(0);
        for (QLineEdit* field : form->findChildren<QLineEdit*>()) type(field, "2");
        driver.cancel(*form);
        EXPECT_FALSE(form->isVisible()) << form->windowTitle().toStdString();
        EXPECT_EQ(form->result(), QDialog::Rejected);
        EXPECT_TRUE(settings == before) << form->windowTitle().toStdString();
    }
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(rec.entries.empty());
}

TEST_F(ConfigForms, LineTypeRefusesAnAngleOutOfRangeAndStoresOnOk) {
    LineTypeForm form(doc);
    driver.attach(form);
    EXPECT_EQ(form.windowTitle(), "Line Type Configuration");
    auto* angle = child<QLineEdit>(&form, "iAngleEps");
    EXPECT_EQ(angle->text(), "178");
    auto* mountain = child<QComboBox>(&form, "iYamaLineType");
    ASSERT_EQ(mountain->count(), 4);
    EXPECT_EQ(mountain->itemText(2), "Dot 2 -- - -- - -- - -- ");
    EXPECT_EQ(child<QComboBox>(&form, "iCutLineType")->count(), 2);
    EXPECT_EQ(child<QComboBox>(&form, "iLineWidthIndex")->currentText(), "1(default)");

    type(angle, "181");
    driver.ok(form);
    EXPECT_EQ(driver.messages, QStringList{kAngleRange});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.focusWidget(), angle);
    EXPECT_EQ(settings.iAngleEps, 178);

    type(angle, "89");
    driver.ok(form);
    EXPECT_EQ(driver.messages.size(), 2);
    EXPECT_EQ(driver.messages.back(), kAngleRange);

    type(angle, "90");
    mountain->setCurrentIndex(3);
    child<QComboBox>(&form, "iLineWidthIndex")->setCurrentIndex(7);
    click(child<QCheckBox>(&form, "bDrawWhiteBkLine"));
    driver.ok(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(settings.iAngleEps, 90);
    EXPECT_EQ(settings.iYamaLineType, 3);
    EXPECT_DOUBLE_EQ(settings.lineWidth, 5.0);
    EXPECT_TRUE(settings.bDrawWhiteBkLine);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::Redraw});
}

TEST_F(ConfigForms, LineTypeAngleFollowsTheHideCheckBox) {
    LineTypeForm form(doc);
    driver.attach(form);
    auto* angle = child<QLineEdit>(&form, "iAngleEps");
    auto* hide = child<QCheckBox>(&form, "bCullEdge");
    EXPECT_TRUE(angle->isEnabled());
    click(hide);
    EXPECT_FALSE(angle->isEnabled());
    click(hide);
    EXPECT_TRUE(angle->isEnabled());
}

TEST_F(ConfigForms, FlapAnswerNoClosesAndStoresNothing) {
    openCube(true);
    settings.bDrawNorishiro = false;
    const Settings before = settings;
    FlapForm form(doc);
    driver.attach(form);
    auto* show = child<QCheckBox>(&form, "bDrawNorishiro");
    auto* changeAll = child<QCheckBox>(&form, "changeAll");
    auto* width = child<QLineEdit>(&form, "flapWidth");
    auto* tint = child<QCheckBox>(&form, "bTintCollidingNorishiro");
    EXPECT_FALSE(changeAll->isEnabled());
    EXPECT_FALSE(width->isEnabled());
    EXPECT_FALSE(tint->isEnabled());
    click(show);
    EXPECT_TRUE(tint->isEnabled());
    click(tint);
    EXPECT_TRUE(changeAll->isEnabled());
    EXPECT_FALSE(width->isEnabled());
    click(changeAll);
    EXPECT_TRUE(width->isEnabled());
    type(width, "7");

    rec.answers = {Answer::No};
    driver.ok(form);
    EXPECT_EQ(rec.texts(), std::vector<std::string>{kMsgChangeAllFlaps});
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_TRUE(settings == before);
}

TEST_F(ConfigForms, FlapWidthRangeAndYes) {
    openCube(true);
    FlapForm form(doc);
    driver.attach(form);
    auto* reverse = child<QCheckBox>(&form, "bNorishiroReverse");
    EXPECT_FALSE(reverse->isVisibleTo(&form));
    EXPECT_FALSE(reverse->isEnabled());
    click(child<QCheckBox>(&form, "changeAll"));
    auto* width = child<QLineEdit>(&form, "flapWidth");
    EXPECT_EQ(width->text(), "5");
    type(width, "51");
    driver.ok(form);
    EXPECT_EQ(driver.messages, QStringList{"Please enter an integer between 1 and 50."});
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(rec.entries.empty());  // the range comes first, the question after

    type(width, "20");
    auto* tint = child<QCheckBox>(&form, "bTintCollidingNorishiro");
    EXPECT_TRUE(tint->isChecked());
    click(tint);
    driver.ok(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(settings.bTintCollidingNorishiro);
    EXPECT_DOUBLE_EQ(settings.dNorishiroHeight, 2.0);
    EXPECT_DOUBLE_EQ(doc.model()->parts.front()->faces.front()->halfedges.front()->flapHeight, 2.0);
}

TEST_F(ConfigForms, JoinNumberFontSize) {
    JoinNumberForm form(doc);
    driver.attach(form);
    auto* size = child<QLineEdit>(&form, "iEdgeNumberFontSize");
    type(size, "twelve");
    driver.ok(form);
    type(size, "0");
    driver.ok(form);
    EXPECT_EQ(driver.messages, (QStringList{"Please enter an integer.",
                                            "Please enter an integer between 1 and 100."}));
    type(size, "12");
    click(child<QCheckBox>(&form, "bDrawEdgeNumber"));
    click(child<QCheckBox>(&form, "bEdgeIdReverse"));
    auto* fit = child<QCheckBox>(&form, "bFitEdgeNumberToFace");
    EXPECT_EQ(fit->text(), "Fit numbers to small faces");
    EXPECT_FALSE(fit->isChecked());
    click(fit);
    driver.ok(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(settings.iEdgeNumberFontSize, 12);
    EXPECT_TRUE(settings.bDrawEdgeNumber && settings.bEdgeIdReverse && settings.bFitEdgeNumberToFace);
}

TEST_F(ConfigForms, PageMarginsInWholeMillimetres) {
    openCube(true);
    settings.dPageMarginTop = 1.57;
    PageSettingsForm form(doc);
    driver.attach(form);
    auto* top = child<QLineEdit>(&form, "marginTop");
    auto* side = child<QLineEdit>(&form, "marginSide");
    EXPECT_EQ(top->text(), "15");
    EXPECT_EQ(side->text(), "15");
    auto* paper = child<QComboBox>(&form, "iPageType");
    ASSERT_EQ(paper->count(), 8);
    EXPECT_EQ(paper->itemText(7), "B4 H [353x250]mm");
    EXPECT_EQ(child<QComboBox>(&form, "iPrintPPIIndex")->currentText(), "100");

    type(side, "0");
    driver.ok(form);
    EXPECT_EQ(driver.messages, QStringList{"Please enter an integer between 1 and 50."});
    EXPECT_EQ(form.focusWidget(), side);
    type(side, "15");
    driver.ok(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(settings.dPageMarginTop, 1.5);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::FitSheet});
}

TEST_F(ConfigForms, PagePaperChoiceStoresThePageSize) {
    PageSettingsForm form(doc);
    driver.attach(form);
    child<QComboBox>(&form, "iPageType")->setCurrentIndex(5);
    click(child<QCheckBox>(&form, "bPrintRaster"));
    driver.ok(form);
    EXPECT_EQ(settings.iPageType, 5);
    EXPECT_DOUBLE_EQ(settings.pageWidth, 25.7);
    EXPECT_DOUBLE_EQ(settings.pageHeight, 18.2);
    EXPECT_TRUE(settings.bPrintRaster);
}

TEST_F(ConfigForms, ColoursTakeEffectAtOnceAndResetRestoresThem) {
    ColorForm form(doc);
    driver.attach(form);
    int asked = 0;
    form.chooseColor = [&](const QColor& initial) -> std::optional<QColor> {
        ++asked;
        EXPECT_EQ(initial, QColor(255, 100, 0));  // the cut edge colour
        return QColor(0, 255, 0);
    };
    auto* cut = child<ColorButton>(&form, "color4");
    click(cut);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(settings.colors[4], 0x00FF00u);
    EXPECT_EQ(cut->color(), QColor(0, 255, 0));

    form.chooseColor = [](const QColor&) { return std::optional<QColor>(); };  // cancelled
    click(child<ColorButton>(&form, "color0"));
    EXPECT_EQ(settings.colors[0], kInitialColors[0]);

    click(child<QPushButton>(&form, "resetColors"));
    EXPECT_EQ(settings.colors, kInitialColors);
    EXPECT_EQ(cut->color(), QColor(255, 100, 0));
    EXPECT_EQ(form.findChild<QAbstractButton*>("cancel"), nullptr);  // OK only
    EXPECT_TRUE(events.empty());
    driver.ok(form);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::Redraw});
}

TEST_F(ConfigForms, OtherConfigurations) {
    OtherForm form(doc);
    driver.attach(form);
    auto* algorithm = child<QComboBox>(&form, "iAlgorithmType");
    ASSERT_EQ(algorithm->count(), int(kAlgorithmItems.size()));
    EXPECT_EQ(algorithm->currentText(), "Well suited for ruled figure");
    auto* limit = child<QComboBox>(&form, "iTextureLimitSizeIndex");
    EXPECT_FALSE(limit->isEnabled());
    click(child<QCheckBox>(&form, "bLimitTextureSize"));
    EXPECT_TRUE(limit->isEnabled());
    limit->setCurrentIndex(0);
    EXPECT_TRUE(child<QCheckBox>(&form, "simpleDisplay")->isChecked());
    click(child<QCheckBox>(&form, "simpleDisplay"));
    click(child<QCheckBox>(&form, "bTextureSmooth"));
    // The search time belongs to the fewest-parts method alone.
    auto* seconds = child<QLineEdit>(&form, "iFewestPartsSeconds");
    EXPECT_FALSE(seconds->isEnabled());
    algorithm->setCurrentIndex(3);
    EXPECT_TRUE(seconds->isEnabled());
    type(seconds, "7");
    driver.ok(form);
    EXPECT_EQ(settings.iAlgorithmType, 3);
    EXPECT_EQ(settings.iFewestPartsSeconds, 7);
    EXPECT_TRUE(settings.bLimitTextureSize);
    EXPECT_EQ(settings.textureSizeLimit, 64);
    EXPECT_TRUE(settings.bRenderAllGL);
    EXPECT_FALSE(settings.bTextureSmooth);
    EXPECT_EQ(events, std::vector<DocumentEvent>{DocumentEvent::TextureFilter});
}

TEST_F(ConfigForms, InformationForms) {
    openCube(false);
    ModelInfoForm info(ModelInfo::of(*doc.model()));
    EXPECT_EQ(info.windowTitle(), "Model Info");
    EXPECT_EQ(child<QLineEdit>(&info, "faces")->text(), "6");
    EXPECT_EQ(child<QLineEdit>(&info, "vertices")->text(), "8");
    EXPECT_EQ(child<QLineEdit>(&info, "materials")->text(), "1");
    EXPECT_EQ(child<QLineEdit>(&info, "uv")->text(), "Does not exist");
    EXPECT_TRUE(child<QLineEdit>(&info, "faces")->isReadOnly());

    OpenGlInfoForm gl(OpenGlInfo{"4.5 (Compatibility Profile) Mesa 22.3.6", "llvmpipe", 16384});
    EXPECT_EQ(gl.windowTitle(), "OpenGL Info");
    EXPECT_EQ(child<QLineEdit>(&gl, "maxTextureSize")->text(), "16384 x 16384");
    EXPECT_EQ(child<QLineEdit>(&gl, "renderer")->text(), "llvmpipe");

    AboutForm about("4.5", "llvmpipe");
    EXPECT_TRUE(child<QLabel>(&about, "version")->text().contains("Ver1.1d"));
    EXPECT_EQ(child<QLineEdit>(&about, "glVersion")->text(), "4.5");
}

TEST_F(ConfigForms, EveryFormOpensWideEnoughForItsWholeTitle) {
    openCube(true);
    const std::vector<std::function<std::unique_ptr<FormDialog>()>> forms = {
        [&] { return std::make_unique<LineTypeForm>(doc); },
        [&] { return std::make_unique<FlapForm>(doc); },
        [&] { return std::make_unique<JoinNumberForm>(doc); },
        [&] { return std::make_unique<PageSettingsForm>(doc); },
        [&] { return std::make_unique<ColorForm>(doc); },
        [&] { return std::make_unique<OtherForm>(doc); },
        [&] { return std::make_unique<ModelInfoForm>(ModelInfo::of(*doc.model())); },
        [&] { return std::make_unique<OpenGlInfoForm>(OpenGlInfo{"4.5", "llvmpipe", 16384}); },
    };
    // A window manager's title bar: the title in bold beside an icon and three buttons.
    QFont bold = QApplication::font();
    bold.setBold(true);
    for (const auto& make : forms) {
        std::unique_ptr<FormDialog> form = make();
        driver.attach(*form);
        const int needed = QFontMetrics(bold).horizontalAdvance(form->windowTitle()) + 100;
        EXPECT_GE(form->width(), needed) << form->windowTitle().toStdString();
        form->close();
    }
}

TEST_F(ConfigForms, ExecReturnsOnlyAfterTheDialogCloses) {
    // The modal call as the main window makes it: Cancel from inside its event loop.
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        auto* field = modal->findChild<QLineEdit*>("iEdgeNumberFontSize");
        ASSERT_NE(field, nullptr);
        type(field, "42");
        click(modal->findChild<QAbstractButton*>("cancel"));
    });
    EXPECT_FALSE(execJoinNumberDialog(nullptr, doc));
    EXPECT_EQ(settings.iEdgeNumberFontSize, 8);

    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        type(modal->findChild<QLineEdit*>("iEdgeNumberFontSize"), "42");
        click(modal->findChild<QAbstractButton*>("ok"));
    });
    EXPECT_TRUE(execJoinNumberDialog(nullptr, doc));
    EXPECT_EQ(settings.iEdgeNumberFontSize, 42);
}

}  // namespace
