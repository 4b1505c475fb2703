#include "app/ui.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>

namespace plikatra {

namespace {
Ui*& installed() {
    static Ui* u = nullptr;
    return u;
}
}  // namespace

void TerminalUi::message(const std::string& text, const std::string& caption, MessageIcon) {
    // The application's own caption adds nothing on a terminal; other captions name the topic.
    if (!caption.empty() && caption != kAppTitle) std::cerr << caption << ": ";
    std::cerr << text << std::endl;
}

Answer TerminalUi::ask(const std::string& text, const std::string& caption, Buttons buttons,
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

void RecordingUi::message(const std::string& text, const std::string& caption, MessageIcon icon) {
    entries.push_back({text, caption, icon, false});
}

Answer RecordingUi::ask(const std::string& text, const std::string& caption, Buttons buttons,
                        MessageIcon icon) {
    entries.push_back({text, caption, icon, true});
    if (!answers.empty()) {
        Answer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    return (buttons == Buttons::Ok || buttons == Buttons::OkCancel) ? Answer::Ok : Answer::Yes;
}

std::vector<std::string> RecordingUi::texts() const {
    std::vector<std::string> t;
    for (const auto& e : entries) t.push_back(e.text);
    return t;
}

Ui& ui() {
    static TerminalUi terminal;
    return installed() ? *installed() : terminal;
}

void setUi(Ui* u) { installed() = u; }

std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(s.data(), s.size() + 1, fmt, ap2);
    va_end(ap2);
    return s;
}

}  // namespace plikatra
