// The outline of a growing part, bucketed by position: the flat segments of the part's faces
// (each halfedge's start to its next halfedge's start) in a hash grid, so that a test segment
// is compared with the outline near it instead of all of it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/geometry.h"
#include "model/model.h"

namespace plikatra {

class OutlineGrid {
public:
    // Forgets every segment and starts over with square cells of side `cellSize` (a positive
    // finite number; about the length of a typical edge works best).
    void reset(double cellSize);

    // Adds the segment of `h`. The flat positions of `h` and its next halfedge must not change
    // while the segment is in the grid.
    void add(const Halfedge* h);

    // Whether near() can answer for the segment P-Q. A segment with a coordinate that is not a
    // number or is infinite, or one absurdly long for the cells, is not answered: the caller
    // compares it with every segment instead.
    bool answers(const Point2& p, const Point2& q) const;

    // Takes out the segment of `h`, added before with the same flat positions: a side that
    // became a fold is no longer outline. Segments no cell holds stay; the caller's test
    // still sees that they are folds.
    void remove(const Halfedge* h);

    // Calls visit(h) for the segments added so far that may cross P-Q: every segment that
    // crosses it is among them (some may come more than once, and some that do not cross).
    // Stops and returns true as soon as visit returns true. P-Q must be one that answers().
    template <class Visit>
    bool near(const Point2& p, const Point2& q, Visit&& visit) const;

private:
    // Cell keys of the cells that the box of P-Q, or for a long segment the boxes of its
    // pieces, touch. Shared by add() and near() so that both see a segment alike.
    void cellsOf(const Point2& p, const Point2& q, std::vector<std::uint64_t>& keys) const;
    bool isShort(const Point2& p, const Point2& q) const;
    std::int64_t cellOf(double v) const;
    static std::uint64_t keyOf(std::int64_t cx, std::int64_t cy);
    // Slot of `key`, or of the empty slot where it would go.
    std::size_t slotOf(std::uint64_t key) const;
    int headOf(std::uint64_t key) const;
    void insert(std::uint64_t key, const Halfedge* h);
    void unlink(std::uint64_t key, const Halfedge* h);
    void grow();
    template <class Visit>
    bool visitCell(std::uint64_t key, Visit& visit) const;
    // Calls f(key) for the key of every cell that the segment P-Q (one that answers()) is kept
    // in; stops and returns true as soon as f does. add(), remove() and near() all go through
    // it, so they see a segment alike.
    template <class F>
    bool anyCellOf(const Point2& p, const Point2& q, F&& f) const;

    double cell_ = 1.0;
    double inverse_ = 1.0;
    // Open addressing with linear probing; a slot belongs to the current outline only when
    // its stamp is the current one, so reset() need not clear the table.
    std::vector<std::uint64_t> keys_;
    std::vector<std::int32_t> heads_;
    std::vector<std::uint32_t> stamps_;
    std::uint32_t stamp_ = 1;
    std::size_t used_ = 0;
    // Per cell, a list threaded through the entries. A big part holds millions of them, so
    // they live in fixed blocks, kept from outline to outline: growing never copies them,
    // and never holds an old and a new array at once.
    static constexpr int kBlockBits = 16;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
    struct Block {
        const Halfedge* halfedge[kBlockSize];
        std::int32_t next[kBlockSize];
    };
    std::vector<std::unique_ptr<Block>> blocks_;
    std::size_t entries_ = 0;  // entries ever handed out since reset()
    std::int32_t free_ = -1;   // entries taken out, threaded through `next`
    // Segments no cell can hold (coordinates that are not finite numbers): met by every query.
    std::vector<const Halfedge*> wild_;
    mutable std::vector<std::uint64_t> scratch_;
};

template <class Visit>
bool OutlineGrid::visitCell(std::uint64_t key, Visit& visit) const {
    // A cell's segments lie anywhere in memory: gather a few, asking for each, then test them.
    constexpr int kBatch = 8;
    const Halfedge* batch[kBatch];
    for (int e = headOf(key); e >= 0;) {
        int n = 0;
        for (; e >= 0 && n < kBatch; ++n) {
            const Block& b = *blocks_[static_cast<std::size_t>(e) >> kBlockBits];
            const std::size_t i = static_cast<std::size_t>(e) & (kBlockSize - 1);
            batch[n] = b.halfedge[i];
            __builtin_prefetch(batch[n]);
            e = b.next[i];
        }
        for (int k = 0; k < n; ++k)
            if (visit(batch[k])) return true;
    }
    return false;
}

template <class F>
bool OutlineGrid::anyCellOf(const Point2& p, const Point2& q, F&& f) const {
    if (isShort(p, q)) {
        const std::int64_t x0 = cellOf(std::min(p.x, q.x)), x1 = cellOf(std::max(p.x, q.x));
        const std::int64_t y0 = cellOf(std::min(p.y, q.y)), y1 = cellOf(std::max(p.y, q.y));
        for (std::int64_t cx = x0; cx <= x1; ++cx)
            for (std::int64_t cy = y0; cy <= y1; ++cy)
                if (f(keyOf(cx, cy))) return true;
        return false;
    }
    cellsOf(p, q, scratch_);
    for (std::uint64_t key : scratch_)
        if (f(key)) return true;
    return false;
}

template <class Visit>
bool OutlineGrid::near(const Point2& p, const Point2& q, Visit&& visit) const {
    for (const Halfedge* h : wild_)
        if (visit(h)) return true;
    if (used_ == 0) return false;
    return anyCellOf(p, q, [&](std::uint64_t key) { return visitCell(key, visit); });
}

}  // namespace plikatra
