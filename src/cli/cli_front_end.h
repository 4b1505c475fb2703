// The command-line tool's front end: the terminal one, with every message naming the program
// and the file it is about, and the layout dialog answered from the command line.
#pragma once

#include <optional>
#include <string>

#include "app/terminal_front_end.h"

namespace plikatra {

class CliFrontEnd : public TerminalFrontEnd {
public:
    // The layout the command line asks for: a given scale (centimetres per model unit) or an
    // assembled size (centimetres), with spacing and page breaks as the settings hold them,
    // as the dialog's second mode stores them.
    std::optional<double> givenScale;
    std::optional<double> givenSize;
    // Set when the given layout was refused by the dialog's own check.
    bool layoutRefused = false;
    // The file messages are about.
    std::string file;
    // The last message shown, for --json failure objects.
    std::string lastMessage;

    bool layoutMethod(LayoutDialog& dialog) override;
    void message(const std::string& text, const std::string& caption, MessageIcon icon) override;
    // "plikatra-cli: FILE: TEXT (REASON)".
    void fileMessage(const std::string& text, const std::string& path, const std::string& reason,
                     MessageIcon icon) override;
};

}  // namespace plikatra
