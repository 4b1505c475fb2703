// The front end of the command-line tool: messages on standard error, a progress bar when
// standard error is a terminal, the system's fonts, and dialogs answered as a batch run needs
// (the values offered are taken, anything that needs a person is cancelled).
#pragma once

#include "app/front_end.h"
#include "base/fonts.h"
#include "base/terminal_progress.h"

namespace plikatra {

class TerminalFrontEnd : public FrontEnd {
public:
    // Questions get `defaultAnswer` where the buttons offer it (batch runs have no input).
    explicit TerminalFrontEnd(Answer defaultAnswer = Answer::Ok) : defaultAnswer_(defaultAnswer) {}

    void message(const std::string& text, const std::string& caption, MessageIcon icon) override;
    Answer ask(const std::string& text, const std::string& caption, Buttons buttons,
               MessageIcon icon) override;
    ProgressFrontEnd& progress() override { return progress_; }
    Fonts& fonts() override { return fonts_; }

    // The values offered are taken, as if OK was pressed; a value out of range is reported
    // and counts as Cancel.
    bool layoutMethod(LayoutDialog& dialog) override;
    bool epsSaveSettings(EpsSaveSettings&) override { return true; }
    // Nothing to type a size or a text with, or to pick a file from.
    bool developmentSize(LayoutDialog&) override { return false; }
    bool inputText(TextDialogValues&) override { return false; }
    std::optional<std::string> chooseTextureFile() override { return std::nullopt; }

private:
    Answer defaultAnswer_;
    TerminalProgress progress_;
    SystemFonts fonts_;
};

}  // namespace plikatra
