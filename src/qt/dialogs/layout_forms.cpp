#include "qt/dialogs/layout_forms.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace plikatra {

namespace {

constexpr const char* kLayoutMethodTitle = "Specify Development Layout Method";
constexpr const char* kDevelopmentSizeTitle = "Specify Development Size";
constexpr const char* kAutoLabel = "Auto Calculation";
constexpr const char* kGivenLabel = "Specify Value";
constexpr const char* kAutoNote = "Fits the whole development on one page.";
constexpr const char* kSpacingLabel = "Spacing between Parts";
constexpr const char* kPageDivideLabel = "Place Parts so as Avoid Page Breaks";
constexpr const char* kOutlineLabel = "Arrange by Outline (fewer pages, parts may be turned)";
constexpr const char* kRotationLabel = "Turn Parts in Steps of";
constexpr const char* kScaleLabel = "Scale";
constexpr const char* kScaleUnit = "cm per model unit";
constexpr const char* kAssembledSizeLabel = "Assembled Size";
constexpr const char* kAssembledSizeUnit = "cm (height of the assembled model)";

QString text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

ScaleSizeFields::ScaleSizeFields(LayoutDialog& values, QWidget* parent)
    : QObject(parent), values_(values) {
    scale_ = new QLineEdit(text(values.scaleText()), parent);
    scale_->setObjectName("scale");
    size_ = new QLineEdit(text(values.assembledSizeText()), parent);
    size_->setObjectName("assembledSize");
    // setText() does not report an edit, so each field's update cannot echo back.
    connect(scale_, &QLineEdit::textEdited, this, [this](const QString& typed) {
        if (const auto v = parseRealField(typed.toStdString())) {
            values_.setScale(*v);
            size_->setText(text(values_.assembledSizeText()));
        }
    });
    connect(size_, &QLineEdit::textEdited, this, [this](const QString& typed) {
        if (const auto v = parseRealField(typed.toStdString())) {
            values_.setAssembledSize(*v);
            scale_->setText(text(values_.scaleText()));
        }
    });
}

std::string ScaleSizeFields::check(QLineEdit** field) const {
    for (QLineEdit* edit : {scale_, size_}) {
        if (!parseRealField(edit->text().toStdString())) {
            *field = edit;
            return kMsgEnterNumber;
        }
    }
    *field = size_;
    return values_.validate();
}

LayoutMethodForm::LayoutMethodForm(LayoutDialog& values, QWidget* parent)
    : FormDialog(parent, QString::fromUtf8(kLayoutMethodTitle)), values_(values), work_(values) {
    auto_ = new QRadioButton(QString::fromUtf8(kAutoLabel), this);
    auto_->setObjectName("auto");
    given_ = new QRadioButton(QString::fromUtf8(kGivenLabel), this);
    given_->setObjectName("given");
    auto* modes = new QButtonGroup(this);
    modes->addButton(auto_);
    modes->addButton(given_);
    (work_.mode == kLayoutGivenScale ? given_ : auto_)->setChecked(true);

    spacingPercent_ =
        integerField("spacingPercent", kLayoutSpacingPercentRange, work_.spacingPercent);
    spacingMm_ = integerField("spacingMm", kLayoutSpacingMmRange, work_.spacingMm);
    pageDivide_ = checkBox("pageDivide", kPageDivideLabel, work_.pageDivide);
    byOutline_ = checkBox("byOutline", kOutlineLabel, work_.method == LayoutMethod::Outline);
    rotationStep_ = new QComboBox(this);
    rotationStep_->setObjectName("rotationStep");
    for (int step : kRotationSteps) {
        rotationStep_->addItem(step ? QString::fromUtf8("%1°").arg(step) : QString::fromUtf8("None"), step);
        if (step == work_.rotationStep) rotationStep_->setCurrentIndex(rotationStep_->count() - 1);
    }
    rotationStep_->setEnabled(byOutline_->isChecked());
    connect(byOutline_, &QCheckBox::toggled, rotationStep_, &QWidget::setEnabled);
    fields_ = new ScaleSizeFields(work_, this);

    auto* autoBox = new QGroupBox(this);
    auto* autoGrid = new QGridLayout(autoBox);
    autoGrid->addWidget(auto_, 0, 0, 1, 3);
    autoGrid->addWidget(new QLabel(QString::fromUtf8(kAutoNote)), 1, 0, 1, 3);
    addRow(autoGrid, 2, kSpacingLabel, spacingPercent_, "%");

    auto* givenBox = new QGroupBox(this);
    auto* givenGrid = new QGridLayout(givenBox);
    givenGrid->addWidget(given_, 0, 0, 1, 3);
    addRow(givenGrid, 1, kSpacingLabel, spacingMm_, "mm");
    givenGrid->addWidget(pageDivide_, 2, 0, 1, 3);
    givenGrid->addWidget(byOutline_, 3, 0, 1, 3);
    givenGrid->addWidget(new QLabel(QString::fromUtf8(kRotationLabel)), 4, 0);
    givenGrid->addWidget(rotationStep_, 4, 1);
    addRow(givenGrid, 5, kScaleLabel, fields_->scale(), kScaleUnit);
    addRow(givenGrid, 6, kAssembledSizeLabel, fields_->assembledSize(), kAssembledSizeUnit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(autoBox);
    layout->addWidget(givenBox);
    layout->addWidget(buttonBox());
}

bool LayoutMethodForm::commit() {
    QLineEdit* field = nullptr;
    const std::string problem = fields_->check(&field);
    if (!problem.empty()) {
        refuse(field, problem);
        return false;
    }
    work_.mode = given_->isChecked() ? kLayoutGivenScale : kLayoutAuto;
    work_.spacingPercent = integerOf(spacingPercent_);
    work_.spacingMm = integerOf(spacingMm_);
    work_.pageDivide = pageDivide_->isChecked();
    work_.method = byOutline_->isChecked() ? LayoutMethod::Outline : LayoutMethod::Box;
    work_.rotationStep = rotationStep_->currentData().toInt();
    values_ = work_;
    return true;
}

DevelopmentSizeForm::DevelopmentSizeForm(LayoutDialog& values, QWidget* parent)
    : FormDialog(parent, QString::fromUtf8(kDevelopmentSizeTitle)), values_(values), work_(values) {
    fields_ = new ScaleSizeFields(work_, this);
    auto* grid = new QGridLayout;
    addRow(grid, 0, kAssembledSizeLabel, fields_->assembledSize(), kAssembledSizeUnit);
    addRow(grid, 1, kScaleLabel, fields_->scale(), kScaleUnit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttonBox());
}

bool DevelopmentSizeForm::commit() {
    QLineEdit* field = nullptr;
    const std::string problem = fields_->check(&field);
    if (!problem.empty()) {
        refuse(field, problem);
        return false;
    }
    values_ = work_;
    return true;
}

}  // namespace plikatra
