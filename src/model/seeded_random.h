// Pseudo-random numbers in [0, 1) that are the same on every platform (splitmix64), so that
// generated shapes are the same in every run.
#pragma once

#include <cstdint>

namespace plikatra {

class SeededRandom {
public:
    explicit SeededRandom(unsigned seed) : state_(seed) {}
    double next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
    }

private:
    std::uint64_t state_;
};

}  // namespace plikatra
