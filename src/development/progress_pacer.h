// When a long loop shows its progress and polls Cancel. Formatting the texts and pumping the
// front end's events cost far more than one step of the work, so they happen about 25 times a
// second instead of at every step; reading the clock to know when costs a few nanoseconds.
#pragma once

#include <chrono>

namespace plikatra {

// How often a long operation reports: often enough that the bar moves smoothly and Cancel
// answers at once.
inline constexpr std::chrono::milliseconds kProgressInterval{40};

class ProgressPacer {
public:
    // An interval of zero makes every step due.
    explicit ProgressPacer(std::chrono::milliseconds interval = kProgressInterval)
        : interval_(interval) {}

    // True at the first call and then whenever `interval` has passed since the last true.
    bool due() {
        if (interval_.count() <= 0) return true;
        const Clock::time_point now = Clock::now();
        if (started_ && now - last_ < interval_) return false;
        started_ = true;
        last_ = now;
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    std::chrono::milliseconds interval_;
    Clock::time_point last_{};
    bool started_ = false;
};

}  // namespace plikatra
