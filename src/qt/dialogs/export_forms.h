// The forms asked before the development is written out: "EPS Save Settings" and
// "Development Size (BMP Format)".
#pragma once

#include "qt/dialogs/form_dialog.h"
#include "output/bitmap_size_dialog.h"
#include "output/eps_save_settings.h"

class QCheckBox;
class QLineEdit;

namespace plikatra {

class EpsSaveSettingsForm : public FormDialog {
    Q_OBJECT
public:
    EpsSaveSettingsForm(EpsSaveSettings& values, QWidget* parent = nullptr);

protected:
    bool commit() override;

private:
    EpsSaveSettings& values_;
    QCheckBox* omitFace_;
    QCheckBox* omitFlap_;
};

class BitmapSizeForm : public FormDialog {
    Q_OBJECT
public:
    // The form shows and edits `dialog` for as long as it lives.
    BitmapSizeForm(BitmapSizeDialog& dialog, QWidget* parent = nullptr);
    ~BitmapSizeForm() override;

protected:
    // A size outside 1..limit is refused; a large image closes only after a Yes.
    bool commit() override;

private:
    BitmapSizeDialog& dialog_;
    QLineEdit* fields_[3];  // by BitmapSizeDialog::Field
};

}  // namespace plikatra
