// Update notices: the integer codes through which commands ask the views of the document to
// redraw or react. The desktop program installs a hook that broadcasts a notice to its views;
// without one, notices go nowhere. Tests record them.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace plikatra {

enum UpdateNotice : int {
    kNoticeRedraw = 0,
    kNoticeCreateDevelopment = 5121,  // the model view starts the unfolding
    kNoticeFitSheet = 5122,           // the development view fits the sheet
    kNoticeScaleUp = 5124,
    kNoticeScaleDown = 5125,
    kNoticeZoomIn = 5126,
    kNoticeZoomOut = 5127,
    kNoticeFileOpened = 5128,
    kNoticeTextureSmooth = 5129,
    kNoticeResetView = 5136,
    kNoticeMirrored = 5137,    // the development was mirrored; recompute the page grid
    kNoticeScaleToSize = 5138,
};

using UpdateNoticeHook = std::function<void(int notice)>;

inline UpdateNoticeHook& updateNoticeHook() {
    static UpdateNoticeHook hook;
    return hook;
}

// Installs the hook that delivers notices to the views; an empty hook drops them.
inline void setUpdateNoticeHook(UpdateNoticeHook hook) { updateNoticeHook() = std::move(hook); }

// Asks all views of the document to act on `notice`.
inline void notifyViews(int notice) {
    if (updateNoticeHook()) updateNoticeHook()(notice);
}

// Records the notices sent while it exists, then removes its hook.
class RecordingNotices {
public:
    RecordingNotices() {
        setUpdateNoticeHook([this](int n) { notices.push_back(n); });
    }
    ~RecordingNotices() { setUpdateNoticeHook(nullptr); }
    RecordingNotices(const RecordingNotices&) = delete;
    RecordingNotices& operator=(const RecordingNotices&) = delete;

    std::vector<int> notices;
};

}  // namespace plikatra
