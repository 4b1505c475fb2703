// The common ground of the desktop's dialog forms: integer fields that OK checks against their
// ranges, and the messages, questions and colour chooser a form needs. Those three go through
// replaceable functions so that tests can answer them instead of a box that blocks.
#pragma once

#include <QColor>
#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/config_dialogs.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QLineEdit;

namespace plikatra {

// A window width at which a window manager shows `title` whole in the title bar beside its
// buttons. Title bars often use a bold or larger font than the window's own text, so the
// estimate is generous.
int titleFittingWidth(const QString& title);
// `hint` widened, where needed, to titleFittingWidth(title): a dialog's size hint.
QSize widenedForTitle(QSize hint, const QString& title);

class FormDialog : public QDialog {
    Q_OBJECT
public:
    // Shows one of the form's messages (a warning box unless replaced).
    std::function<void(const QString& text)> showMessage;
    // Asks a question with Yes and No; true for Yes (a question box unless replaced).
    std::function<bool(const QString& text)> askYesNo;
    // Lets the user pick a colour; none when cancelled (the system colour chooser unless
    // replaced).
    std::function<std::optional<QColor>(const QColor& initial)> chooseColor;

    // OK: every integer field is checked in order, the first one out of range is refused and
    // keeps the dialog open; then commit() decides.
    void accept() override;
    // Wide enough for the window manager to show the whole title.
    QSize sizeHint() const override;

protected:
    FormDialog(QWidget* parent, const QString& title);

    // OK after the integer fields passed: store and return true to close, or return false to
    // keep the dialog open (after refusing a field, or after closing it another way).
    virtual bool commit() = 0;

    // A field for a whole number that must lie in `range` when OK is pressed.
    QLineEdit* integerField(const QString& name, IntRange range, int value);
    // The number in a field that passed its check.
    static int integerOf(const QLineEdit* field);
    // Shows `text` and puts the focus back on `field` with its text selected.
    void refuse(QLineEdit* field, const std::string& text);
    // OK (the default button), and Cancel unless `okOnly`.
    QDialogButtonBox* buttonBox(bool okOnly = false);

    // Small builders that keep the forms short.
    QCheckBox* checkBox(const QString& name, const char* label, bool checked);
    QComboBox* comboBox(const QString& name, std::span<const char* const> items, int index);
    // A row "label  field unit" in the first two columns of a grid; the unit may be null.
    static void addRow(QGridLayout* grid, int row, const char* label, QWidget* field,
                       const char* unit = nullptr);
    // A combo box index to store: the shown item, or `previous` when none is shown (a stored
    // value outside the list).
    static int indexOf(const QComboBox* combo, int previous);

private:
    struct IntegerField {
        QLineEdit* edit;
        IntRange range;
    };
    std::vector<IntegerField> integerFields_;
};

}  // namespace plikatra
