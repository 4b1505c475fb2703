#include "base/progress.h"

#include <cstdarg>
#include <cstdio>


namespace plikatra {

Progress::Progress(ProgressFrontEnd* frontEnd, const std::string& caption, bool withCancel)
    : frontEnd_(frontEnd), caption_(caption), shownCaption_(caption), withCancel_(withCancel) {
    if (frontEnd_) frontEnd_->shown(caption_, withCancel_);
}

Progress::~Progress() {
    if (frontEnd_) frontEnd_->destroyed();
}

void Progress::setCaption(const std::string& caption) {
    caption_ = caption;
    shownCaption_ = caption;
    lastPercent_ = -1;
}

void Progress::setRange(int lower, int upper) {
    lower_ = lower;
    upper_ = upper;
}

void Progress::setPos(int pos) {
    pos_ = pos;
    int percent = 0;
    if (upper_ > lower_) {
        // Wide arithmetic: a position near INT_MAX times 100 must not overflow.
        long long p = static_cast<long long>(pos) * 100 / (static_cast<long long>(upper_) - lower_);
        if (p > 100) p = 100;
        percent = static_cast<int>(p);
    }
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    char buf[600];
    std::snprintf(buf, sizeof buf, "%s [%d%%]", caption_.c_str(), percent);
    shownCaption_ = buf;
    if (frontEnd_) frontEnd_->barMoved(percent, shownCaption_);
}

void Progress::setText(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    text_ = buf;
    if (frontEnd_) frontEnd_->textChanged(text_);
}

bool Progress::peekAndPump(bool cancelOnEscape) {
    if (cancelled_) return false;
    if (frontEnd_ && frontEnd_->pump(cancelOnEscape) && withCancel_) {
        cancelled_ = true;
        if (visible_) {
            visible_ = false;
            frontEnd_->hidden();
        }
    }
    return !cancelled_;
}

void Progress::checkCancel() {
    if (!peekAndPump()) throw CancelledException{};
}

}  // namespace plikatra
