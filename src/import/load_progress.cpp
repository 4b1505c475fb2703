#include "import/load_progress.h"

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
    if (!window_ || size_ <= 0) return;
    const int percent = static_cast<int>(consumed * 100 / size_);
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
