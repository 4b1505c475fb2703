#include "recording_progress.h"

namespace plikatra {

void RecordingProgress::clear() {
    captions.clear();
    percents.clear();
    texts.clear();
    withCancel.clear();
    pumps.clear();
    shownCount = hiddenCount = destroyedCount = 0;
    cancelPressed = false;
    cancelPressedAtPump = 0;
}

void RecordingProgress::shown(const std::string& caption, bool cancel) {
    ++shownCount;
    captions.push_back(caption);
    withCancel.push_back(cancel);
}

void RecordingProgress::barMoved(int percent, const std::string& caption) {
    percents.push_back(percent);
    captions.push_back(caption);
}

void RecordingProgress::textChanged(const std::string& text) { texts.push_back(text); }

bool RecordingProgress::pump(bool cancelOnEscape) {
    pumps.push_back(cancelOnEscape);
    if (cancelPressed) return false;
    const int count = static_cast<int>(pumps.size());
    const bool atPump = cancelAtPump > 0 && count >= cancelAtPump;
    const bool atPercent =
        cancelAtPercent >= 0 && !percents.empty() && percents.back() >= cancelAtPercent;
    if (!atPump && !atPercent) return false;
    cancelPressed = true;
    cancelPressedAtPump = count;
    return true;
}

void RecordingProgress::hidden() { ++hiddenCount; }

void RecordingProgress::destroyed() { ++destroyedCount; }

}  // namespace plikatra
