#include "qt/dialogs/text_forms.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "qt/dialogs/color_button.h"

namespace plikatra {

InputStringForm::InputStringForm(TextDialogValues& values,
                                 const std::vector<std::string>& faceNames, QWidget* parent)
    : FormDialog(parent, QString::fromStdString(values.title)), values_(values) {
    text_ = new QLineEdit(QString::fromStdString(values.text), this);
    text_->setObjectName("text");
    text_->setMinimumWidth(320);

    // Editable, so a face kept from a file shows even when it is not installed; the caller
    // replaces such a face once the dialog has closed.
    face_ = new QComboBox(this);
    face_->setObjectName("fontName");
    face_->setEditable(true);
    face_->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& face : faceNames) face_->addItem(QString::fromStdString(face));
    const int faceIndex = face_->findText(QString::fromStdString(values.fontName),
                                          Qt::MatchFixedString);
    if (faceIndex >= 0) face_->setCurrentIndex(faceIndex);
    face_->setEditText(faceIndex >= 0 ? face_->itemText(faceIndex)
                                      : QString::fromStdString(values.fontName));

    size_ = new QComboBox(this);
    size_->setObjectName("fontSize");
    size_->setEditable(true);
    size_->setInsertPolicy(QComboBox::NoInsert);
    // No completion: typing "3" must leave "3" (for OK to refuse), not turn into "36".
    size_->setCompleter(nullptr);
    for (int size : kTextFontSizeItems) size_->addItem(QString::number(size));
    size_->setEditText(QString::number(values.fontSize));

    color_ = new ColorButton(this);
    color_->setObjectName("color");
    color_->setColor(toQColor(values.color));
    color_->setAutoDefault(false);
    connect(color_, &ColorButton::clicked, this, [this] {
        if (const std::optional<QColor> c = chooseColor(color_->color())) color_->setColor(*c);
    });

    auto* grid = new QGridLayout;
    auto* textLabel = new QLabel(QString::fromUtf8("String"));
    textLabel->setBuddy(text_);
    grid->addWidget(textLabel, 0, 0);
    grid->addWidget(text_, 0, 1, 1, 3);
    addRow(grid, 1, "Font", face_);
    auto* sizeLabel = new QLabel(QString::fromUtf8("Size"));
    sizeLabel->setBuddy(size_);
    grid->addWidget(sizeLabel, 1, 2, Qt::AlignRight);
    grid->addWidget(size_, 1, 3);
    addRow(grid, 2, "Color", color_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttonBox());
}

bool InputStringForm::commit() {
    const std::string size = size_->currentText().toStdString();
    const std::string problem = checkTextFontSize(size);
    if (!problem.empty()) {
        showMessage(QString::fromStdString(problem));
        size_->setFocus(Qt::OtherFocusReason);
        if (size_->lineEdit()) size_->lineEdit()->selectAll();
        return false;
    }
    values_.text = text_->text().toStdString();
    values_.fontName = face_->currentText().toStdString();
    values_.fontSize = *parseIntegerField(size);
    values_.color = toColorRef(color_->color());
    return true;
}

}  // namespace plikatra
