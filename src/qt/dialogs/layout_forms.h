// "Specify Development Layout Method" and "Specify Development Size": forms over the layout
// dialog's values, with the scale and the assembled size linked while the user types.
#pragma once

#include "qt/dialogs/form_dialog.h"
#include "development/layout_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace plikatra {

// The scale ("%.6f") and assembled size ("%.1f") fields: typing a number into one recomputes
// the other. The exact numbers are kept in the dialog's values, so a scale shown with six
// decimals loses nothing.
class ScaleSizeFields : public QObject {
    Q_OBJECT
public:
    ScaleSizeFields(LayoutDialog& values, QWidget* parent);
    QLineEdit* scale() const { return scale_; }
    QLineEdit* assembledSize() const { return size_; }
    // Empty when both fields hold numbers and the size is acceptable; else the message, with
    // the field to focus in `field`.
    std::string check(QLineEdit** field) const;

private:
    LayoutDialog& values_;
    QLineEdit* scale_;
    QLineEdit* size_;
};

class LayoutMethodForm : public FormDialog {
    Q_OBJECT
public:
    LayoutMethodForm(LayoutDialog& values, QWidget* parent = nullptr);

protected:
    bool commit() override;

private:
    LayoutDialog& values_;
    LayoutDialog work_;
    QRadioButton* auto_;
    QRadioButton* given_;
    QLineEdit* spacingPercent_;
    QLineEdit* spacingMm_;
    QCheckBox* pageDivide_;
    QCheckBox* byOutline_;
    QComboBox* rotationStep_;
    ScaleSizeFields* fields_;
};

class DevelopmentSizeForm : public FormDialog {
    Q_OBJECT
public:
    DevelopmentSizeForm(LayoutDialog& values, QWidget* parent = nullptr);

protected:
    bool commit() override;

private:
    LayoutDialog& values_;
    LayoutDialog work_;
    ScaleSizeFields* fields_;
};

}  // namespace plikatra
