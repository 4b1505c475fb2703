// The progress protocol shared by the readers of models and work files.
#pragma once

#include <memory>

#include "base/progress.h"

namespace plikatra {

inline constexpr const char* kLoadFileTitle = "Load file";
inline constexpr const char* kLoadingFileText = "Loading file...";
inline constexpr const char* kConstructingModelText = "Constructing model...";

class LoadProgress {
public:
    // Opens the "Load file" window with Cancel in `frontEnd` when the file is not empty.
    LoadProgress(long long fileSize, ProgressFrontEnd& frontEnd);
    // Shows bytes consumed × 100 / size; when the percentage changed, pumps and throws
    // CancelledException if the user cancelled.
    void update(long long consumed);
    // Shows "Constructing model...".
    void constructing();
    // Closes the window.
    void close();
    Progress* window() { return window_.get(); }

private:
    long long size_;
    int last_ = -1;
    long long low_ = 0, high_ = 0;  // consumed counts that show the percentage last worked out
    std::unique_ptr<Progress> window_;
};

}  // namespace plikatra
