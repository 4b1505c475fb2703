#include "cli/cli_front_end.h"

#include <iostream>

#include "app/file_failure.h"

namespace plikatra {

bool CliFrontEnd::layoutMethod(LayoutDialog& dialog) {
    if (givenScale || givenSize) {
        dialog.mode = kLayoutGivenScale;
        if (givenScale) dialog.setScale(*givenScale);
        else dialog.setAssembledSize(*givenSize);
    }
    layoutRefused = !TerminalFrontEnd::layoutMethod(dialog);
    return !layoutRefused;
}

void CliFrontEnd::message(const std::string& text, const std::string& caption, MessageIcon) {
    lastMessage = text;
    std::cerr << "plikatra-cli: ";
    if (!file.empty()) std::cerr << file << ": ";
    // The application's own caption adds nothing on a terminal; other captions name the topic.
    if (!caption.empty() && caption != kAppTitle) std::cerr << caption << ": ";
    std::cerr << text << std::endl;
}

void CliFrontEnd::fileMessage(const std::string& text, const std::string& path, const std::string& reason,
                              MessageIcon) {
    lastMessage = text;
    std::cerr << "plikatra-cli: " << fileFailureLine(text, path, reason) << std::endl;
}

}  // namespace plikatra
