#include "development/outline_grid.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace plikatra {

namespace {

// Cell coordinates are clamped to ±2^28 so that a key packs both into 58 bits. Clamping keeps
// the cell of a coordinate monotone, which is all that finding neighbours needs: two boxes
// that meet always share a cell.
constexpr std::int64_t kHalfRange = std::int64_t{1} << 28;
// A segment longer than this many cells is not bucketed; such lengths only come from broken
// geometry.
constexpr double kMaxPieces = 4096.0;

bool finite(const Point2& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

Point2 flat(const Halfedge* h) { return {h->flatX, h->flatY}; }

}  // namespace

void OutlineGrid::reset(double cellSize) {
    assert(cellSize > 0 && std::isfinite(cellSize));
    cell_ = cellSize;
    inverse_ = 1.0 / cellSize;
    if (++stamp_ == 0) {
        // After 2^32 outlines the stamps wrap: clear them once.
        std::fill(stamps_.begin(), stamps_.end(), 0u);
        stamp_ = 1;
    }
    used_ = 0;
    entries_ = 0;
    free_ = -1;
    wild_.clear();
}

std::int64_t OutlineGrid::cellOf(double v) const {
    const double c = std::floor(v * inverse_);
    if (c < static_cast<double>(-kHalfRange)) return -kHalfRange;
    if (c > static_cast<double>(kHalfRange - 1)) return kHalfRange - 1;
    return static_cast<std::int64_t>(c);
}

std::uint64_t OutlineGrid::keyOf(std::int64_t cx, std::int64_t cy) {
    return (static_cast<std::uint64_t>(cx + kHalfRange) << 29) |
           static_cast<std::uint64_t>(cy + kHalfRange);
}

bool OutlineGrid::isShort(const Point2& p, const Point2& q) const {
    return std::fabs(q.x - p.x) <= cell_ && std::fabs(q.y - p.y) <= cell_;
}

bool OutlineGrid::answers(const Point2& p, const Point2& q) const {
    if (!finite(p) || !finite(q)) return false;
    if (isShort(p, q)) return true;
    const double extent = std::max(std::fabs(q.x - p.x), std::fabs(q.y - p.y));
    return extent * inverse_ <= kMaxPieces;
}

void OutlineGrid::cellsOf(const Point2& p, const Point2& q,
                          std::vector<std::uint64_t>& keys) const {
    // A long segment is cut into pieces no longer than a cell, each piece's box grown by an
    // eighth of a cell. The growth is far more than the rounding of the piece ends, so the
    // boxes cover the segment itself, and any segment crossing it meets one of them.
    keys.clear();
    const double extent = std::max(std::fabs(q.x - p.x), std::fabs(q.y - p.y));
    const int pieces = std::max(1, static_cast<int>(std::ceil(extent * inverse_)));
    const double grow = cell_ * 0.125;
    Point2 a = p;
    for (int i = 1; i <= pieces; ++i) {
        const double t = static_cast<double>(i) / pieces;
        const Point2 b = i == pieces ? q : Point2{p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t};
        const std::int64_t x0 = cellOf(std::min(a.x, b.x) - grow);
        const std::int64_t x1 = cellOf(std::max(a.x, b.x) + grow);
        const std::int64_t y0 = cellOf(std::min(a.y, b.y) - grow);
        const std::int64_t y1 = cellOf(std::max(a.y, b.y) + grow);
        for (std::int64_t cx = x0; cx <= x1; ++cx)
            for (std::int64_t cy = y0; cy <= y1; ++cy) keys.push_back(keyOf(cx, cy));
        a = b;
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
}

std::size_t OutlineGrid::slotOf(std::uint64_t key) const {
    const std::size_t mask = keys_.size() - 1;
    std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
    while (stamps_[i] == stamp_ && keys_[i] != key) i = (i + 1) & mask;
    return i;
}

int OutlineGrid::headOf(std::uint64_t key) const {
    const std::size_t i = slotOf(key);
    return stamps_[i] == stamp_ ? heads_[i] : -1;
}

void OutlineGrid::grow() {
    std::vector<std::uint64_t> oldKeys = std::move(keys_);
    std::vector<std::int32_t> oldHeads = std::move(heads_);
    std::vector<std::uint32_t> oldStamps = std::move(stamps_);
    const std::size_t size = std::max<std::size_t>(1024, oldKeys.size() * 2);
    keys_.assign(size, 0);
    heads_.assign(size, -1);
    stamps_.assign(size, 0);
    for (std::size_t i = 0; i < oldKeys.size(); ++i) {
        if (oldStamps[i] != stamp_) continue;
        const std::size_t j = slotOf(oldKeys[i]);
        keys_[j] = oldKeys[i];
        heads_[j] = oldHeads[i];
        stamps_[j] = stamp_;
    }
}

void OutlineGrid::insert(std::uint64_t key, const Halfedge* h) {
    if ((used_ + 1) * 2 > keys_.size()) grow();
    std::size_t i = slotOf(key);
    if (stamps_[i] != stamp_) {
        stamps_[i] = stamp_;
        keys_[i] = key;
        heads_[i] = -1;
        ++used_;
    }
    std::size_t e;
    if (free_ >= 0) {
        e = static_cast<std::size_t>(free_);
        free_ = blocks_[e >> kBlockBits]->next[e & (kBlockSize - 1)];
    } else {
        e = entries_++;
        // Not value-initialised: a block's pages are only touched as entries fill it.
        if ((e >> kBlockBits) == blocks_.size()) blocks_.push_back(std::unique_ptr<Block>(new Block));
    }
    Block& b = *blocks_[e >> kBlockBits];
    b.halfedge[e & (kBlockSize - 1)] = h;
    b.next[e & (kBlockSize - 1)] = heads_[i];
    heads_[i] = static_cast<std::int32_t>(e);
}

void OutlineGrid::unlink(std::uint64_t key, const Halfedge* h) {
    const std::size_t i = slotOf(key);
    if (stamps_[i] != stamp_) return;
    for (std::int32_t* link = &heads_[i]; *link >= 0;) {
        const auto e = static_cast<std::size_t>(*link);
        Block& b = *blocks_[e >> kBlockBits];
        const std::size_t o = e & (kBlockSize - 1);
        if (b.halfedge[o] == h) {
            *link = b.next[o];
            b.next[o] = free_;
            free_ = static_cast<std::int32_t>(e);
            return;
        }
        link = &b.next[o];
    }
}

void OutlineGrid::remove(const Halfedge* h) {
    const Point2 p = flat(h), q = flat(h->next);
    if (!answers(p, q) || used_ == 0) return;
    anyCellOf(p, q, [&](std::uint64_t key) {
        unlink(key, h);
        return false;
    });
}

void OutlineGrid::add(const Halfedge* h) {
    const Point2 p = flat(h), q = flat(h->next);
    if (!answers(p, q)) {
        wild_.push_back(h);
        return;
    }
    anyCellOf(p, q, [&](std::uint64_t key) {
        insert(key, h);
        return false;
    });
}

}  // namespace plikatra
