#include "app/terminal_front_end.h"

#include <iostream>

namespace plikatra {

void TerminalFrontEnd::message(const std::string& text, const std::string& caption, MessageIcon) {
    // The application's own caption adds nothing on a terminal; other captions name the topic.
    if (!caption.empty() && caption != kAppTitle) std::cerr << caption << ": ";
    std::cerr << text << std::endl;
}

Answer TerminalFrontEnd::ask(const std::string& text, const std::string& caption, Buttons buttons,
                             MessageIcon icon) {
    message(text, caption, icon);
    Answer a = defaultAnswer_;
    // Keep the answer among the buttons offered.
    if (buttons == Buttons::Ok) a = Answer::Ok;
    if (buttons == Buttons::OkCancel && a != Answer::Cancel) a = Answer::Ok;
    if (buttons == Buttons::YesNo && a != Answer::No) a = Answer::Yes;
    if (buttons == Buttons::YesNoCancel && a == Answer::Ok) a = Answer::Yes;
    return a;
}

bool TerminalFrontEnd::layoutMethod(LayoutDialog& dialog) {
    const std::string problem = dialog.validate();
    if (problem.empty()) return true;
    message(problem, kAppTitle, MessageIcon::Warning);
    return false;
}

}  // namespace plikatra
