#include "views/sheet_tiles.h"

#include <cmath>

namespace plikatra {

TiledPrimitives::TiledPrimitives(const PrimitiveList& list, int side) {
    const int n = list.size();
    side = std::max(1, side);
    Box all;
    for (const Box& b : list.bounds) all.merge(b);
    const double w = all.empty() ? 1.0 : std::max(all.maxX - all.minX, 1e-9);
    const double h = all.empty() ? 1.0 : std::max(all.maxY - all.minY, 1e-9);
    auto tileOf = [&](const Box& b) {
        if (b.empty()) return 0;
        const double cx = (b.minX + b.maxX) / 2, cy = (b.minY + b.maxY) / 2;
        const int i = std::clamp(static_cast<int>((cx - all.minX) / w * side), 0, side - 1);
        const int j = std::clamp(static_cast<int>((cy - all.minY) / h * side), 0, side - 1);
        return j * side + i;
    };
    const int tiles = side * side;
    std::vector<int> tile(static_cast<size_t>(n));
    std::vector<int> vertices(static_cast<size_t>(tiles) + 1, 0);
    tileBounds_.assign(static_cast<size_t>(tiles), Box{});
    const int fpv = list.floatsPerVertex;
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<size_t>(i);
        tile[k] = tileOf(list.bounds[k]);
        vertices[static_cast<size_t>(tile[k]) + 1] += (list.start[k + 1] - list.start[k]) / fpv;
        tileBounds_[static_cast<size_t>(tile[k])].merge(list.bounds[k]);
    }
    for (int t = 0; t < tiles; ++t) vertices[static_cast<size_t>(t) + 1] += vertices[static_cast<size_t>(t)];
    tileFirst_ = vertices;
    data_.resize(list.data.size());
    ranges_.resize(static_cast<size_t>(n));
    std::vector<int> next(vertices.begin(), vertices.end() - 1);
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<size_t>(i);
        const int from = list.start[k], to = list.start[k + 1];
        const int count = (to - from) / fpv;
        int& at = next[static_cast<size_t>(tile[k])];
        std::copy(list.data.begin() + from, list.data.begin() + to,
                  data_.begin() + static_cast<std::ptrdiff_t>(at) * fpv);
        ranges_[k] = {at, count};
        at += count;
    }
}

void TiledPrimitives::visible(const Box& view, std::vector<VertexRange>& out) const {
    const size_t before = out.size();
    for (size_t t = 0; t < tileBounds_.size(); ++t) {
        const int first = tileFirst_[t], end = tileFirst_[t + 1];
        if (first == end || !tileBounds_[t].meets(view)) continue;
        if (out.size() > before && out.back().first + out.back().count == first)
            out.back().count += end - first;
        else
            out.push_back({first, end - first});
    }
}

}  // namespace plikatra
