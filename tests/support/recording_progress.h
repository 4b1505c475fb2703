// A progress front end for tests: records what the progress window would show and presses
// Cancel when told to.
//
//     RecordingFrontEnd ui;
//     ui.progressWindow.cancelAtPump = 3;  // the third pump presses Cancel
//     ... run the reader with ui; expect it to stop and report the cancellation ...
//     EXPECT_EQ(progress.captions.front(), "Load file");
//
// Cancel is pressed once, at the first trigger reached; whether it stops anything is up to
// the Progress (a window without a Cancel button ignores it, as a real one would).
#pragma once

#include <string>
#include <vector>

#include "base/progress.h"

namespace plikatra {

class RecordingProgress : public ProgressFrontEnd {
public:
    // Triggers. cancelAtPump: the pump call (counted from 1 over the front end's life) that
    // presses Cancel; 0 never. cancelAtPercent: the first pump after the bar has shown this
    // percentage or more presses Cancel; -1 never.
    int cancelAtPump = 0;
    int cancelAtPercent = -1;

    // What was shown, in order: captions of shown() followed by each caption barMoved()
    // set; the percentages of barMoved(); the texts of textChanged().
    std::vector<std::string> captions;
    std::vector<int> percents;
    std::vector<std::string> texts;
    // withCancel of each shown() call.
    std::vector<bool> withCancel;
    // cancelOnEscape of each pump() call.
    std::vector<bool> pumps;
    int shownCount = 0;
    int hiddenCount = 0;
    int destroyedCount = 0;
    // Whether Cancel was pressed, and at which pump (counted from 1).
    bool cancelPressed = false;
    int cancelPressedAtPump = 0;

    // Windows shown and not yet destroyed.
    int openWindows() const { return shownCount - destroyedCount; }
    // Forgets everything recorded; the triggers stay.
    void clear();

    void shown(const std::string& caption, bool withCancel) override;
    void barMoved(int percent, const std::string& caption) override;
    void textChanged(const std::string& text) override;
    bool pump(bool cancelOnEscape) override;
    void hidden() override;
    void destroyed() override;
};

}  // namespace plikatra
