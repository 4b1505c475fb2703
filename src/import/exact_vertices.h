// Corners of triangle-soup formats shared by exact position, so that faces connect.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <unordered_map>

#include "model/model.h"

namespace plikatra {

// Exporters write a shared corner with the same bits each time; merging nearby points instead
// would change the shape. -0 and +0 are one position.
class ExactVertices {
public:
    // The vertex of `solid` at `p`, added to the solid the first time the position is asked for.
    Vertex* at(Solid& solid, const Point3& p) {
        const Key key = {bits(p.x), bits(p.y), bits(p.z)};
        auto [it, inserted] = vertices_.try_emplace(key, nullptr);
        if (inserted) it->second = solid.addVertex(p.x, p.y, p.z);
        return it->second;
    }

    // Forgets every position, for the next solid.
    void clear() { vertices_.clear(); }

private:
    using Key = std::array<std::uint64_t, 3>;
    struct Hash {
        std::size_t operator()(const Key& k) const {
            std::uint64_t h = k[0] * 0x9E3779B97F4A7C15ull;
            h ^= k[1] + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
            h ^= k[2] + 0x85EBCA77C2B2AE63ull + (h << 6) + (h >> 2);
            return static_cast<std::size_t>(h ^ (h >> 29));
        }
    };
    // Adding 0.0 makes -0 and +0 one key.
    static std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v + 0.0); }

    std::unordered_map<Key, Vertex*, Hash> vertices_;
};

}  // namespace plikatra
