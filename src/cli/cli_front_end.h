// The command-line tool's front end: the terminal one, with the layout dialog answered from
// the command line when a scale was given there.
#pragma once

#include <optional>

#include "app/terminal_front_end.h"

namespace plikatra {

class CliFrontEnd : public TerminalFrontEnd {
public:
    // The layout the command line asks for: a given scale (centimetres per model unit) with
    // spacing and page breaks as the settings hold them, as the dialog's second mode stores.
    std::optional<double> givenScale;
    // Set when the given scale was refused by the dialog's own check.
    bool layoutRefused = false;

    bool layoutMethod(LayoutDialog& dialog) override {
        if (givenScale) {
            dialog.mode = kLayoutGivenScale;
            dialog.setScale(*givenScale);
        }
        layoutRefused = !TerminalFrontEnd::layoutMethod(dialog);
        return !layoutRefused;
    }
};

}  // namespace plikatra
