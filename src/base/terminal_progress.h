// Progress shown as a bar on standard error when it is a terminal; silent otherwise.
#pragma once

#include "base/progress.h"

namespace plikatra {

// Asks the running operation to stop, as the Cancel button does; safe to call from a signal
// handler (the command-line tool calls it on Ctrl+C).
void requestTerminalCancel();
// Forgets an earlier request.
void clearTerminalCancel();

class TerminalProgress : public ProgressFrontEnd {
public:
    TerminalProgress();
    void shown(const std::string& caption, bool withCancel) override;
    void barMoved(int percent, const std::string& caption) override;
    void textChanged(const std::string& text) override;
    bool pump(bool cancelOnEscape) override;
    void hidden() override;
    void destroyed() override;

private:
    void draw();
    bool tty_;
    bool drawn_ = false;
    int percent_ = 0;
    std::string text_;
};

}  // namespace plikatra
