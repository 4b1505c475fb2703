// The forms over the core's own dialog values: they copy back only on OK, and only values
// that passed their checks.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "qt/dialogs/color_button.h"
#include "qt/dialogs/dialogs.h"
#include "qt/dialogs/export_forms.h"
#include "qt/dialogs/layout_forms.h"
#include "qt/dialogs/text_forms.h"
#include "form_test_util.h"

using namespace plikatra;
using namespace plikatra::test;

namespace {

LayoutDialog layoutValues() {
    LayoutDialog d;
    d.modelHeight = 4.0;
    d.setAssembledSize(10.0);  // scale 2.5
    return d;
}

TEST(LayoutMethodForm, ScaleAndSizeStayLinkedWhileTyping) {
    LayoutDialog values = layoutValues();
    LayoutMethodForm form(values);
    FormDriver driver;
    driver.attach(form);
    EXPECT_EQ(form.windowTitle(), "Specify Development Layout Method");
    auto* scale = child<QLineEdit>(&form, "scale");
    auto* size = child<QLineEdit>(&form, "assembledSize");
    EXPECT_EQ(scale->text(), "2.500000");
    EXPECT_EQ(size->text(), "10.0");
    type(scale, "3");
    EXPECT_EQ(size->text(), "12.0");
    type(size, "2");
    EXPECT_EQ(scale->text(), "0.500000");
    EXPECT_EQ(values.scale, 2.5);  // nothing copied back yet
}

TEST(LayoutMethodForm, RefusesSizesAndSpacingsOutOfRange) {
    LayoutDialog values = layoutValues();
    const LayoutDialog before = values;
    LayoutMethodForm form(values);
    FormDriver driver;
    driver.attach(form);
    auto* size = child<QLineEdit>(&form, "assembledSize");
    type(size, "200.5");
    driver.ok(form);
    EXPECT_EQ(driver.messages, QStringList{kMsgAssembledSizeRange});
    EXPECT_EQ(form.focusWidget(), size);
    type(size, "0.05");
    driver.ok(form);
    type(size, "abc");
    driver.ok(form);
    EXPECT_EQ(driver.messages.mid(1), (QStringList{kMsgAssembledSizeRange, "Please enter a number."}));
    type(size, "20");
    type(child<QLineEdit>(&form, "spacingPercent"), "101");
    driver.ok(form);
    EXPECT_EQ(driver.messages.back(), "Please enter an integer between 0 and 100.");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(values.assembledSize, before.assembledSize);

    driver.cancel(form);
    EXPECT_EQ(values.scale, before.scale);
    EXPECT_EQ(values.mode, before.mode);
    EXPECT_EQ(values.spacingPercent, before.spacingPercent);
}

TEST(LayoutMethodForm, OkCopiesEverythingBack) {
    LayoutDialog values = layoutValues();
    LayoutMethodForm form(values);
    FormDriver driver;
    driver.attach(form);
    click(child<QRadioButton>(&form, "given"));
    type(child<QLineEdit>(&form, "spacingMm"), "4");
    type(child<QLineEdit>(&form, "spacingPercent"), "20");
    click(child<QCheckBox>(&form, "pageDivide"));
    type(child<QLineEdit>(&form, "assembledSize"), "30");
    driver.ok(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(values.mode, kLayoutGivenScale);
    EXPECT_EQ(values.spacingMm, 4);
    EXPECT_EQ(values.spacingPercent, 20);
    EXPECT_FALSE(values.pageDivide);
    EXPECT_DOUBLE_EQ(values.assembledSize, 30.0);
    EXPECT_DOUBLE_EQ(values.scale, 7.5);  // exact, not the six decimals shown
}

TEST(DevelopmentSizeForm, LimitsAndCopyBack) {
    LayoutDialog values = layoutValues();
    DevelopmentSizeForm form(values);
    FormDriver driver;
    driver.attach(form);
    EXPECT_EQ(form.windowTitle(), "Specify Development Size");
    type(child<QLineEdit>(&form, "scale"), "100");  // 400 cm
    driver.ok(form);
    EXPECT_EQ(driver.messages, QStringList{kMsgAssembledSizeRange});
    EXPECT_EQ(values.scale, 2.5);
    type(child<QLineEdit>(&form, "scale"), "0.1");
    driver.ok(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(values.scale, 0.1);
    EXPECT_DOUBLE_EQ(values.assembledSize, 0.4);
}

TextDialogValues textValues() {
    TextDialogValues v;
    v.title = kTextDialogEditTitle;
    v.text = "Wing";
    v.fontName = "Liberation Sans";
    v.fontSize = 36;
    v.color = 0x0000FF;
    return v;
}

const std::vector<std::string> kFaces = {"DejaVu Sans", "Liberation Sans", "Liberation Serif"};

TEST(InputStringForm, RefusesFontSizesOutsideFiveToHundred) {
    TextDialogValues values = textValues();
    InputStringForm form(values, kFaces);
    FormDriver driver;
    driver.attach(form);
    EXPECT_EQ(form.windowTitle(), "Modify/Delete text");
    auto* size = child<QComboBox>(&form, "fontSize");
    EXPECT_EQ(size->currentText(), "36");
    EXPECT_EQ(size->itemText(0), "8");
    EXPECT_EQ(size->itemText(size->count() - 1), "72");
    EXPECT_EQ(child<QComboBox>(&form, "fontName")->currentText(), "Liberation Sans");
    for (const char* bad : {"4", "101"}) {
        size->setEditText(bad);
        driver.ok(form);
    }
    size->setEditText("x");
    driver.ok(form);
    EXPECT_EQ(driver.messages, (QStringList{kMsgTextFontSizeRange, kMsgTextFontSizeRange,
                                            "Please enter an integer."}));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(values.fontSize, 36);
    driver.cancel(form);
    EXPECT_EQ(values.text, "Wing");
    EXPECT_EQ(values.fontSize, 36);
}

TEST(InputStringForm, ATypedSizeStaysAsTypedAndIsRefusedWhenSmall) {
    TextDialogValues values = textValues();
    InputStringForm form(values, kFaces);
    FormDriver driver;
    driver.attach(form);
    // Completion works only in the window that has the keyboard.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    auto* size = child<QComboBox>(&form, "fontSize");
    // "3" begins the listed "36": completing it would slip past the range check.
    type(size->lineEdit(), "3");
    EXPECT_EQ(size->currentText(), "3");
    driver.ok(form);
    EXPECT_EQ(driver.messages, QStringList{kMsgTextFontSizeRange});
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(size->isAncestorOf(form.focusWidget()) || form.focusWidget() == size);
    type(size->lineEdit(), "7");
    driver.ok(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(values.fontSize, 7);
}

TEST(InputStringForm, OkCopiesTextFaceSizeAndColour) {
    TextDialogValues values = textValues();
    InputStringForm form(values, kFaces);
    FormDriver driver;
    driver.attach(form);
    form.chooseColor = [](const QColor& initial) {
        EXPECT_EQ(initial, QColor(255, 0, 0));
        return std::optional<QColor>(QColor(0, 0, 255));
    };
    // Typed keys are ASCII only; the text arrives as an input method would deliver it.
    child<QLineEdit>(&form, "text")->setText(QString::fromUtf8("Flügel"));
    child<QComboBox>(&form, "fontName")->setCurrentIndex(2);
    child<QComboBox>(&form, "fontSize")->setEditText("100");
    click(child<ColorButton>(&form, "color"));
    driver.ok(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(values.text, "Flügel");
    EXPECT_EQ(values.fontName, "Liberation Serif");
    EXPECT_EQ(values.fontSize, 100);
    EXPECT_EQ(values.color, 0xFF0000u);
}

TEST(InputStringForm, AFaceNotInstalledComesBackAsArial) {
    TextDialogValues values = textValues();
    values.fontName = "Gone Sans";
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        EXPECT_EQ(modal->findChild<QComboBox*>("fontName")->currentText(), "Gone Sans");
        click(modal->findChild<QAbstractButton*>("ok"));
    });
    EXPECT_TRUE(execInputStringDialog(nullptr, values, kFaces));
    EXPECT_EQ(values.fontName, "Arial");
}

TEST(EpsSaveSettingsForm, ShowsTheNoteAndStoresOnOkOnly) {
    EpsSaveSettings values{false, true, kEpsTextNotSupported};
    {
        EpsSaveSettingsForm form(values);
        FormDriver driver;
        driver.attach(form);
        EXPECT_EQ(form.windowTitle(), "EPS Save Settings");
        EXPECT_EQ(child<QLineEdit>(&form, "info")->text(), "* Text output is not supported");
        EXPECT_TRUE(child<QCheckBox>(&form, "omitFillFlap")->isChecked());
        click(child<QCheckBox>(&form, "omitFillFace"));
        driver.cancel(form);
        EXPECT_FALSE(values.omitFillFace);
    }
    EpsSaveSettingsForm form(values);
    FormDriver driver;
    driver.attach(form);
    click(child<QCheckBox>(&form, "omitFillFace"));
    click(child<QCheckBox>(&form, "omitFillFlap"));
    driver.ok(form);
    EXPECT_TRUE(values.omitFillFace);
    EXPECT_FALSE(values.omitFillFlap);
}

TEST(BitmapSizeForm, FieldsLinkAndOkChecksTheLimit) {
    // 25.4 cm × 12.7 cm is 720 × 360 pixels at 72 per inch.
    BitmapSizeDialog dialog(25.4, 12.7, kBitmapFileLimit);
    BitmapSizeForm form(dialog);
    FormDriver driver;
    driver.attach(form);
    auto* width = child<QLineEdit>(&form, "width");
    auto* height = child<QLineEdit>(&form, "height");
    auto* scale = child<QLineEdit>(&form, "scale");
    EXPECT_EQ(width->text(), "720");
    EXPECT_EQ(height->text(), "360");
    EXPECT_EQ(scale->text(), "100");
    EXPECT_EQ(width->maxLength(), 5);
    type(width, "1440");
    EXPECT_EQ(height->text(), "720");
    EXPECT_EQ(scale->text(), "200");
    type(scale, "50");
    EXPECT_EQ(width->text(), "360");
    EXPECT_EQ(height->text(), "180");

    type(width, "5000");
    driver.ok(form);
    EXPECT_EQ(driver.messages,
              QStringList{"Specify a value of 1 - 4096 for vertical and horizontal pixel number"});
    EXPECT_TRUE(form.isVisible());

    type(width, "4000");  // 4000 × 2000 × 3 bytes: 24 MB
    driver.yes = false;
    driver.ok(form);
    ASSERT_EQ(driver.questions.size(), 1);
    EXPECT_TRUE(driver.questions[0].startsWith("The BMP file size will be about 24 MB."));
    EXPECT_TRUE(form.isVisible());
    driver.yes = true;
    driver.ok(form);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.width(), 4000);
    EXPECT_EQ(dialog.height(), 2000);
}

}  // namespace
