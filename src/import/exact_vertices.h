// Corners of triangle-soup formats shared by exact position, so that faces connect.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <new>
#include <vector>

#include "model/model.h"

namespace plikatra {

// Exporters write a shared corner with the same bits each time; merging nearby points instead
// would change the shape. -0 and +0 are one position.
//
// A file of a million triangles asks this for three million corners, so the positions live in
// one flat table probed in place rather than in a node per position.
class ExactVertices {
public:
    // The vertex of `solid` at `p`, added to the solid the first time the position is asked for.
    Vertex* at(Solid& solid, const Point3& p) {
        const Key key = {bits(p.x), bits(p.y), bits(p.z)};
        if (2 * (count_ + 1) > slots_.size()) grow(2 * (count_ + 1));
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash(key) & mask;; i = (i + 1) & mask) {
            Slot& s = slots_[i];
            if (!s.vertex) {
                s.key = key;
                s.vertex = solid.addVertex(p.x, p.y, p.z);
                ++count_;
                return s.vertex;
            }
            if (same(s.key, key)) return s.vertex;
        }
    }

    // Starts fetching the table slot where `p` lies, so that a caller who asks for many
    // corners can ask for them a few dozen ahead and not wait on memory for each.
    [[gnu::always_inline]] void prefetch(const Point3& p) const {
        if (slots_.empty()) return;
        __builtin_prefetch(slots_.data() + (hash({bits(p.x), bits(p.y), bits(p.z)}) & (slots_.size() - 1)), 0, 3);
    }

    // Makes room for `positions` distinct positions at once, for a caller that knows roughly
    // how many are coming.
    void reserve(std::size_t positions) {
        if (2 * positions > slots_.size()) grow(2 * positions);
    }

    // The number of distinct positions so far.
    std::size_t size() const { return count_; }

    // Forgets every position, for the next solid.
    void clear() {
        slots_ = {};
        count_ = 0;
    }

private:
    using Key = std::array<std::uint64_t, 3>;
    struct Slot {
        Key key;
        Vertex* vertex = nullptr;  // null: the slot is free
    };

    // Written out rather than the array's ==, which calls memcmp for 24 bytes.
    static bool same(const Key& a, const Key& b) {
        return ((a[0] ^ b[0]) | (a[1] ^ b[1]) | (a[2] ^ b[2])) == 0;
    }
    static std::uint64_t hash(const Key& k) {
        std::uint64_t h = k[0] * 0x9E3779B97F4A7C15ull;
        h = (h ^ (h >> 32) ^ k[1]) * 0xD6E8FEB86659FD93ull;
        h = (h ^ (h >> 32) ^ k[2]) * 0xD6E8FEB86659FD93ull;
        return h ^ (h >> 32);
    }
    // Adding 0.0 makes -0 and +0 one key.
    static std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v + 0.0); }

    // Moves every position into a table of at least `size` slots (a power of two).
    void grow(std::size_t size) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(std::bit_ceil(std::max<std::size_t>(size, 64)), Slot{});
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& s : old) {
            if (!s.vertex) continue;
            std::size_t i = hash(s.key) & mask;
            while (slots_[i].vertex) i = (i + 1) & mask;
            slots_[i] = s;
        }
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

// The same sharing for corners stored as 32-bit floats, as binary STL stores them. A float
// widens to a double exactly, and adding 0 to either merges -0 with +0 and quiets a signalling
// NaN alike, so corners share a vertex here exactly when they would in ExactVertices; a slot
// is half the size, which on a file of a million triangles is 16 MB less to fetch.
class ExactFloatVertices {
public:
    Vertex* at(Solid& solid, const float* p) {
        const Key key = {bits(p[0]), bits(p[1]), bits(p[2])};
        if (2 * (count_ + 1) > slots_.size()) grow(2 * (count_ + 1));
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash(key) & mask;; i = (i + 1) & mask) {
            Slot& s = slots_[i];
            if (!s.ref) {
                const std::size_t index = solid.vertices.size();
                if (index >= 0xFFFFFFFFu) throw std::bad_alloc();
                s.key = key;
                s.ref = static_cast<std::uint32_t>(index + 1);
                ++count_;
                return solid.addVertex(p[0], p[1], p[2]);
            }
            if (((s.key[0] ^ key[0]) | (s.key[1] ^ key[1]) | (s.key[2] ^ key[2])) == 0)
                return solid.vertices[s.ref - 1].get();
        }
    }

    [[gnu::always_inline]] void prefetch(const float* p) const {
        if (slots_.empty()) return;
        __builtin_prefetch(slots_.data() + (hash({bits(p[0]), bits(p[1]), bits(p[2])}) & (slots_.size() - 1)), 0, 3);
    }

    void reserve(std::size_t positions) {
        if (2 * positions > slots_.size()) grow(2 * positions);
    }

    // Forgets every position, for the next solid. The vertices found so far must stay where
    // they are in their solid's list until then.
    void clear() {
        slots_ = {};
        count_ = 0;
    }

private:
    using Key = std::array<std::uint32_t, 3>;
    struct Slot {
        Key key;
        std::uint32_t ref = 0;  // 1 + the vertex's place in its solid's list; 0: the slot is free
    };

    static std::uint64_t hash(const Key& k) {
        std::uint64_t h = (k[0] | std::uint64_t(k[1]) << 32) * 0x9E3779B97F4A7C15ull;
        h = (h ^ (h >> 32) ^ k[2]) * 0xD6E8FEB86659FD93ull;
        return h ^ (h >> 32);
    }
    static std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v + 0.0f); }

    void grow(std::size_t size) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(std::bit_ceil(std::max<std::size_t>(size, 64)), Slot{});
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& s : old) {
            if (!s.ref) continue;
            std::size_t i = hash(s.key) & mask;
            while (slots_[i].ref) i = (i + 1) & mask;
            slots_[i] = s;
        }
    }

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

}  // namespace plikatra
