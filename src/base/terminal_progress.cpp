#include "base/terminal_progress.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace plikatra {

namespace {
std::atomic<bool> cancelRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
}  // namespace

void requestTerminalCancel() { cancelRequested.store(true); }

void clearTerminalCancel() { cancelRequested.store(false); }

TerminalProgress::TerminalProgress() : tty_(isatty(STDERR_FILENO) == 1) {}

void TerminalProgress::shown(const std::string&, bool) {
    percent_ = 0;
    text_.clear();
}

void TerminalProgress::barMoved(int percent, const std::string&) {
    percent_ = percent;
    draw();
}

void TerminalProgress::textChanged(const std::string& text) {
    text_ = text;
    draw();
}

// A terminal run is cancelled with Ctrl+C, which the tool turns into a request.
bool TerminalProgress::pump(bool) { return cancelRequested.load(); }

void TerminalProgress::hidden() { destroyed(); }

void TerminalProgress::destroyed() {
    if (tty_ && drawn_) std::fputs("\r\033[K", stderr);
    drawn_ = false;
}

void TerminalProgress::draw() {
    if (!tty_) return;
    constexpr int kWidth = 30;
    const int filled = percent_ * kWidth / 100;
    std::fputc('\r', stderr);
    std::fputc('[', stderr);
    for (int i = 0; i < kWidth; ++i) std::fputc(i < filled ? '#' : '-', stderr);
    std::fprintf(stderr, "] %3d%% %.60s\033[K", percent_, text_.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

}  // namespace plikatra
