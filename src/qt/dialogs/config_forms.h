// The forms of the "&Configuration" menu. Each copies its values from the document's settings
// when it is made and hands them to the document only on OK; Cancel leaves everything as it
// was. Color Configuration is the exception the user expects of it: a colour takes effect as
// soon as it is chosen.
#pragma once

#include <array>

#include "app/config_dialogs.h"
#include "qt/dialogs/form_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace plikatra {

class ColorButton;

class LineTypeForm : public FormDialog {
    Q_OBJECT
public:
    LineTypeForm(Document& doc, QWidget* parent = nullptr);

protected:
    bool commit() override;

private:
    Document& doc_;
    LineTypeConfig config_;
    QComboBox* cut_;
    QComboBox* mountain_;
    QComboBox* valley_;
    QComboBox* lineWidth_;
    QCheckBox* whiteUnder_;
    QCheckBox* cullEdge_;
    QLineEdit* angle_;
};

class FlapForm : public FormDialog {
    Q_OBJECT
public:
    FlapForm(Document& doc, QWidget* parent = nullptr);

protected:
    // A No to the question about all flaps closes the dialog as Cancel would.
    bool commit() override;

private:
    void updateEnabled();

    Document& doc_;
    FlapConfig config_;
    QCheckBox* show_;
    QCheckBox* tint_;
    QCheckBox* changeAll_;
    QLineEdit* width_;
    QComboBox* style_;
    QCheckBox* reverse_;
};

class JoinNumberForm : public FormDialog {
    Q_OBJECT
public:
    JoinNumberForm(Document& doc, QWidget* parent = nullptr);

protected:
    bool commit() override;

private:
    Document& doc_;
    JoinNumberConfig config_;
    QCheckBox* show_;
    QCheckBox* reverse_;
    QLineEdit* fontSize_;
    QCheckBox* fit_;
};

class PageSettingsForm : public FormDialog {
    Q_OBJECT
public:
    PageSettingsForm(Document& doc, QWidget* parent = nullptr);

protected:
    bool commit() override;

private:
    Document& doc_;
    PageConfig config_;
    QComboBox* paper_;
    QLineEdit* marginTop_;
    QLineEdit* marginSide_;
    QCheckBox* pageNumber_;
    QCheckBox* alignMarks_;
    QCheckBox* omitEmpty_;
    QCheckBox* raster_;
    QComboBox* resolution_;
};

class ColorForm : public FormDialog {
    Q_OBJECT
public:
    ColorForm(Document& doc, QWidget* parent = nullptr);

protected:
    bool commit() override { return true; }
    // However it closes, the views redraw with the colours now set.
    void done(int result) override;

private:
    void choose(int row);
    void resetToDefault();
    void showColors();

    Document& doc_;
    ColorConfig config_;
    std::array<ColorButton*, kColorCount> buttons_{};  // in row order
};

class OtherForm : public FormDialog {
    Q_OBJECT
public:
    OtherForm(Document& doc, QWidget* parent = nullptr);

protected:
    bool commit() override;

private:
    Document& doc_;
    OtherConfig config_;
    QCheckBox* colorEdge_;
    QCheckBox* cutPoint_;
    QCheckBox* beep_;
    QCheckBox* zoomInvert_;
    QCheckBox* textureSmooth_;
    QLineEdit* seconds_ = nullptr;
    QLineEdit* autoSave_ = nullptr;
    QComboBox* algorithm_;
    QCheckBox* relaxCheck_;
    QCheckBox* cullFace_;
    QCheckBox* simpleDisplay_;
    QCheckBox* omitMaterial_;
    QCheckBox* limitTexture_;
    QComboBox* limitSize_;
    QCheckBox* whitish_;
};

}  // namespace plikatra
