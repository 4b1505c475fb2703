// Axis-aligned boxes (and points, as boxes of no size) bucketed by position, for the layout's
// overlap tests: a query meets the boxes near it instead of all of them.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace plikatra {

// Boxes of very different sizes live on levels of cells doubling in size; each box lies on
// the level where it spans at most two cells each way, so every box is held a few times.
class BoxGrid {
public:
    // `cellSize`: side of the smallest cells, positive and finite.
    explicit BoxGrid(double cellSize);

    // Adds the closed box [x0, x1] × [y0, y1] (finite, x0 <= x1, y0 <= y1) under `id`.
    void add(int id, double x0, double y0, double x1, double y1);

    // Calls visit(id) for the boxes added so far that may meet the closed box [x0, x1] ×
    // [y0, y1] (finite): every box that meets it is among them, some may come more than once.
    // Stops and returns true as soon as visit returns true.
    template <class Visit>
    bool anyMeeting(double x0, double y0, double x1, double y1, Visit&& visit) const;

private:
    static constexpr int kLevels = 48;
    std::int64_t cellOf(double v, int level) const;
    static std::uint64_t keyOf(int level, std::int64_t cx, std::int64_t cy);

    double inverse_[kLevels];
    double size_[kLevels];
    std::vector<int> onLevel_[kLevels];  // ids per level, for queries wider than the level
    std::vector<int> huge_;              // boxes larger than the largest cells
    std::unordered_map<std::uint64_t, std::vector<int>> cells_;
};

template <class Visit>
bool BoxGrid::anyMeeting(double x0, double y0, double x1, double y1, Visit&& visit) const {
    for (int id : huge_)
        if (visit(id)) return true;
    for (int level = 0; level < kLevels; ++level) {
        const std::vector<int>& here = onLevel_[level];
        if (here.empty()) continue;
        const std::int64_t cx0 = cellOf(x0, level), cx1 = cellOf(x1, level);
        const std::int64_t cy0 = cellOf(y0, level), cy1 = cellOf(y1, level);
        const double cells = static_cast<double>(cx1 - cx0 + 1) * static_cast<double>(cy1 - cy0 + 1);
        if (cells >= static_cast<double>(here.size())) {
            // Fewer boxes on this level than cells to look at: take them all.
            for (int id : here)
                if (visit(id)) return true;
            continue;
        }
        for (std::int64_t cx = cx0; cx <= cx1; ++cx)
            for (std::int64_t cy = cy0; cy <= cy1; ++cy) {
                const auto it = cells_.find(keyOf(level, cx, cy));
                if (it == cells_.end()) continue;
                for (int id : it->second)
                    if (visit(id)) return true;
            }
    }
    return false;
}

}  // namespace plikatra
