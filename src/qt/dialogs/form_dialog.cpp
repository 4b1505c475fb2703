#include "qt/dialogs/form_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace plikatra {

int titleFittingWidth(const QString& title) {
    // Room for the window icon and three buttons with their padding on a typical title bar.
    constexpr int kTitleBarButtons = 120;
    QFont font = QApplication::font();
    font.setBold(true);
    const int text = QFontMetrics(font).horizontalAdvance(title);
    return text + text / 4 + kTitleBarButtons;
}

QSize widenedForTitle(QSize hint, const QString& title) {
    hint.setWidth(std::max(hint.width(), titleFittingWidth(title)));
    return hint;
}

FormDialog::FormDialog(QWidget* parent, const QString& title) : QDialog(parent) {
    setWindowTitle(title);
    showMessage = [this](const QString& text) {
        QMessageBox::warning(this, QString::fromUtf8(kAppTitle), text);
    };
    askYesNo = [this](const QString& text) {
        return QMessageBox::question(this, QString::fromUtf8(kAppTitle), text,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    chooseColor = [this](const QColor& initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, this);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
}

void FormDialog::accept() {
    for (const IntegerField& f : integerFields_) {
        const std::string problem = checkIntegerField(f.edit->text().toStdString(), f.range);
        if (!problem.empty()) {
            refuse(f.edit, problem);
            return;
        }
    }
    if (commit()) QDialog::accept();
}

QSize FormDialog::sizeHint() const {
    return widenedForTitle(QDialog::sizeHint(), windowTitle());
}

QLineEdit* FormDialog::integerField(const QString& name, IntRange range, int value) {
    auto* edit = new QLineEdit(QString::number(value), this);
    edit->setObjectName(name);
    const int digits = QString::number(range.max).size() + 2;
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * digits + 12);
    integerFields_.push_back({edit, range});
    return edit;
}

int FormDialog::integerOf(const QLineEdit* field) {
    return parseIntegerField(field->text().toStdString()).value_or(0);
}

void FormDialog::refuse(QLineEdit* field, const std::string& text) {
    showMessage(QString::fromStdString(text));
    if (field) {
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
    }
}

QDialogButtonBox* FormDialog::buttonBox(bool okOnly) {
    auto* box = new QDialogButtonBox(okOnly ? QDialogButtonBox::Ok
                                            : QDialogButtonBox::Ok | QDialogButtonBox::Cancel,
                                     this);
    box->button(QDialogButtonBox::Ok)->setObjectName("ok");
    box->button(QDialogButtonBox::Ok)->setDefault(true);
    if (!okOnly) box->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    connect(box, &QDialogButtonBox::accepted, this, &FormDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &FormDialog::reject);
    return box;
}

QCheckBox* FormDialog::checkBox(const QString& name, const char* label, bool checked) {
    auto* box = new QCheckBox(QString::fromUtf8(label), this);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QComboBox* FormDialog::comboBox(const QString& name, std::span<const char* const> items,
                                int index) {
    auto* combo = new QComboBox(this);
    combo->setObjectName(name);
    for (const char* item : items) combo->addItem(QString::fromUtf8(item));
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    return combo;
}

void FormDialog::addRow(QGridLayout* grid, int row, const char* label, QWidget* field,
                        const char* unit) {
    auto* text = new QLabel(QString::fromUtf8(label));
    text->setBuddy(field);
    grid->addWidget(text, row, 0);
    // The unit sits right after its field, and the row's slack goes to the right of both.
    auto* value = new QHBoxLayout;
    value->addWidget(field);
    if (unit) value->addWidget(new QLabel(QString::fromUtf8(unit)));
    value->addStretch();
    grid->addLayout(value, row, 1);
}

int FormDialog::indexOf(const QComboBox* combo, int previous) {
    return combo->currentIndex() >= 0 ? combo->currentIndex() : previous;
}

}  // namespace plikatra
