// "Input String": the text of a text item with its face, size and colour.
#pragma once

#include <string>
#include <vector>

#include "qt/dialogs/form_dialog.h"
#include "development/editor_host.h"

class QComboBox;
class QLineEdit;

namespace plikatra {

class ColorButton;

class InputStringForm : public FormDialog {
    Q_OBJECT
public:
    // `faceNames`: the installed faces offered in the face list.
    InputStringForm(TextDialogValues& values, const std::vector<std::string>& faceNames,
                    QWidget* parent = nullptr);

protected:
    // Refuses a size outside 5..100 with the program's own message.
    bool commit() override;

private:
    TextDialogValues& values_;
    QLineEdit* text_;
    QComboBox* face_;
    QComboBox* size_;
    ColorButton* color_;
};

}  // namespace plikatra
