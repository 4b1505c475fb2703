#include "base/load_progress.h"

namespace plikatra {

LoadProgress::LoadProgress(long long fileSize, ProgressFrontEnd& frontEnd) : size_(fileSize) {
    if (size_ > 0) {
        window_ = std::make_unique<Progress>(&frontEnd, kLoadFileTitle, true);
        window_->setCaption("Progress");
        window_->setRange(0, 100);
        window_->setText("%s", kLoadingFileText);
    }
}

void LoadProgress::update(long long consumed) {
    // Readers call this for every word of files of tens of megabytes; the bytes at which the
    // percentage changes are worked out once per percent, so that most calls only compare.
    if (consumed >= low_ && consumed < high_) return;
    if (!window_ || size_ <= 0) return;
    const int percent = static_cast<int>(consumed * 100 / size_);
    // The consumed counts that show this same percentage: from ceil(p * size / 100) up to
    // ceil((p + 1) * size / 100), exclusive.
    low_ = (static_cast<long long>(percent) * size_ + 99) / 100;
    high_ = (static_cast<long long>(percent + 1) * size_ + 99) / 100;
    if (percent == last_) return;
    last_ = percent;
    window_->setPos(percent);
    window_->checkCancel();
}

void LoadProgress::constructing() {
    if (window_) window_->setText("%s", kConstructingModelText);
}

void LoadProgress::close() { window_.reset(); }

}  // namespace plikatra
