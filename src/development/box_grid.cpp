#include "development/box_grid.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace plikatra {

namespace {
// Cell coordinates are clamped to ±2^26 so that a key packs the level and both into 64 bits;
// the clamped cell of a coordinate is still monotone in it, so boxes that meet share a cell.
constexpr std::int64_t kHalfRange = std::int64_t{1} << 26;
}  // namespace

BoxGrid::BoxGrid(double cellSize) {
    assert(cellSize > 0 && std::isfinite(cellSize));
    double size = cellSize;
    for (int level = 0; level < kLevels; ++level) {
        size_[level] = size;
        inverse_[level] = 1.0 / size;
        size *= 2;
    }
}

std::int64_t BoxGrid::cellOf(double v, int level) const {
    const double c = std::floor(v * inverse_[level]);
    if (c < static_cast<double>(-kHalfRange)) return -kHalfRange;
    if (c > static_cast<double>(kHalfRange - 1)) return kHalfRange - 1;
    return static_cast<std::int64_t>(c);
}

std::uint64_t BoxGrid::keyOf(int level, std::int64_t cx, std::int64_t cy) {
    return (static_cast<std::uint64_t>(level) << 54) |
           (static_cast<std::uint64_t>(cx + kHalfRange) << 27) |
           static_cast<std::uint64_t>(cy + kHalfRange);
}

void BoxGrid::add(int id, double x0, double y0, double x1, double y1) {
    const double extent = std::max(x1 - x0, y1 - y0);
    int level = 0;
    while (level < kLevels && extent > size_[level]) ++level;
    if (level == kLevels) {
        huge_.push_back(id);
        return;
    }
    onLevel_[level].push_back(id);
    const std::int64_t cx0 = cellOf(x0, level), cx1 = cellOf(x1, level);
    const std::int64_t cy0 = cellOf(y0, level), cy1 = cellOf(y1, level);
    for (std::int64_t cx = cx0; cx <= cx1; ++cx)
        for (std::int64_t cy = cy0; cy <= cy1; ++cy) cells_[keyOf(level, cx, cy)].push_back(id);
}

}  // namespace plikatra
