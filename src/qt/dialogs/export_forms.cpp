#include "qt/dialogs/export_forms.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace plikatra {

EpsSaveSettingsForm::EpsSaveSettingsForm(EpsSaveSettings& values, QWidget* parent)
    : FormDialog(parent, QString::fromUtf8(kEpsSaveSettingsTitle)), values_(values) {
    omitFace_ = checkBox("omitFillFace", kEpsOmitFillFaceLabel, values.omitFillFace);
    omitFlap_ = checkBox("omitFillFlap", kEpsOmitFillFlapLabel, values.omitFillFlap);
    auto* info = new QLineEdit(QString::fromStdString(values.info), this);
    info->setObjectName("info");
    info->setReadOnly(true);
    info->setFrame(false);
    info->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(omitFace_);
    layout->addWidget(omitFlap_);
    layout->addWidget(info);
    layout->addWidget(buttonBox());
}

bool EpsSaveSettingsForm::commit() {
    values_.omitFillFace = omitFace_->isChecked();
    values_.omitFillFlap = omitFlap_->isChecked();
    return true;
}

BitmapSizeForm::BitmapSizeForm(BitmapSizeDialog& dialog, QWidget* parent)
    : FormDialog(parent, QString::fromUtf8(dialog.title())), dialog_(dialog) {
    using Field = BitmapSizeDialog::Field;
    const struct {
        Field field;
        const char* name;
        const char* label;
        const char* unit;
    } rows[] = {
        {Field::Width, "width", kBitmapSizeWidthLabel, "pixel"},
        {Field::Height, "height", kBitmapSizeHeightLabel, "pixel"},
        {Field::Scale, "scale", kBitmapSizeScaleLabel, "%"},
    };
    auto* grid = new QGridLayout;
    int row = 0;
    for (const auto& r : rows) {
        auto* edit = new QLineEdit(QString::fromStdString(dialog.text(r.field)), this);
        edit->setObjectName(r.name);
        edit->setMaxLength(kBitmapFieldChars);
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) *
                                (kBitmapFieldChars + 2) + 12);
        fields_[static_cast<int>(r.field)] = edit;
        addRow(grid, row++, r.label, edit, r.unit);
        const Field field = r.field;
        connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& typed) {
            dialog_.edit(field, typed.toStdString());
        });
    }
    dialog_.onFieldSet = [this](Field field, const std::string& text) {
        fields_[static_cast<int>(field)]->setText(QString::fromStdString(text));
    };

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(QString::fromUtf8(kBitmapSizeNote)));
    layout->addWidget(buttonBox());
}

BitmapSizeForm::~BitmapSizeForm() { dialog_.onFieldSet = nullptr; }

bool BitmapSizeForm::commit() {
    const BitmapSizeDialog::OkOutcome outcome = dialog_.ok();
    switch (outcome.kind) {
        case BitmapSizeDialog::OkOutcome::Kind::Invalid:
            refuse(fields_[static_cast<int>(BitmapSizeDialog::Field::Width)], outcome.text);
            return false;
        case BitmapSizeDialog::OkOutcome::Kind::Ask:
            return askYesNo(QString::fromStdString(outcome.text));
        case BitmapSizeDialog::OkOutcome::Kind::Accept:
            break;
    }
    return true;
}

}  // namespace plikatra
