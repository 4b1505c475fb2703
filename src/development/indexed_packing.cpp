// The indexed packer. It makes the scan's choice, the lowest (score, y, x) among the points
// where the part overlaps nothing, the first in list order among equal ones, without trying
// every point against every part:
// - the placed parts' boxes are indexed by position for the overlap tests and for the point
//   below a part;
// - a point where the part would overlap a placed part P is set aside, together with P, until
//   the first part in the placing order that P might not block there; the parts' sizes over
//   ranges of the order tell which that is. A point that P blocks for every part still to come
//   is dropped. So each part looks at the points that may take it, not at every point.
#include <cmath>
#include <cstddef>
#include <limits>

#include "development/box_grid.h"
#include "development/packing.h"

namespace plikatra {

namespace {

// Smallest and largest width and height of the parts over ranges of the placing order.
class SizeRanges {
public:
    struct Range {
        double minW, maxW, minH, maxH;
    };

    explicit SizeRanges(const std::vector<Part*>& order) : n_(order.size()) {
        while (size_ < n_) size_ *= 2;
        // Positions past the last part hold empty ranges, which every test of "all parts of
        // the range" passes.
        const double inf = std::numeric_limits<double>::infinity();
        tree_.assign(2 * size_, Range{inf, -inf, inf, -inf});
        for (size_t i = 0; i < n_; ++i) {
            const Part& p = *order[i];
            tree_[size_ + i] = {p.width, p.width, p.height, p.height};
        }
        for (size_t i = size_ - 1; i >= 1; --i) {
            const Range& a = tree_[2 * i];
            const Range& b = tree_[2 * i + 1];
            tree_[i] = {std::min(a.minW, b.minW), std::max(a.maxW, b.maxW),
                        std::min(a.minH, b.minH), std::max(a.maxH, b.maxH)};
        }
    }

    // The first place in the order, from `from` on, whose part fails `holds`, or the number of
    // parts when none does. `holds(range)` must be true exactly when it is true for every
    // part of the range.
    template <class Holds>
    size_t firstFailing(size_t from, const Holds& holds) const {
        if (from >= n_) return n_;
        const size_t r = search(1, 0, size_ - 1, from, holds);
        return r == kNone ? n_ : r;
    }

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    template <class Holds>
    size_t search(size_t node, size_t lo, size_t hi, size_t from, const Holds& holds) const {
        if (hi < from) return kNone;
        if (lo >= from && holds(tree_[node])) return kNone;
        if (lo == hi) return lo;
        const size_t mid = lo + (hi - lo) / 2;
        const size_t r = search(2 * node, lo, mid, from, holds);
        return r != kNone ? r : search(2 * node + 1, mid + 1, hi, from, holds);
    }

    size_t n_;
    size_t size_ = 1;
    std::vector<Range> tree_;
};

class IndexedPacker : public Packer {
public:
    IndexedPacker(const Sheet& sheet, const std::vector<Part*>& order, double cellSize)
        : sheet_(sheet), order_(order), sizes_(order), wake_(order.size() + 1), parts_(cellSize) {
        addCandidate({0.0, 0.0});
    }

    const Sheet& sheet() const override { return sheet_; }

    // `part` must be the next one of the placing order.
    void place(Part& part) override {
        for (int id : wake_[next_]) settle(id);
        std::vector<int>().swap(wake_[next_]);
        const int best = bestCandidate(part);
        const SheetPoint at = best >= 0 ? points_[static_cast<size_t>(best)] : firstFreePage(part);
        part.x = at.x;
        part.y = at.y;
        sheet_.use(at, part);
        double u = 0.0;
        const double below = at.y + part.height;
        if (best >= 0) {
            // Below the part, as far left as the parts beside that point allow.
            parts_.anyMeeting(0.0, below, sheet_.usedW, below, [&](int id) {
                const Box& q = boxes_[static_cast<size_t>(id)];
                if (q.y < below && below < q.bottom) u = std::max(u, q.right);
                return false;
            });
        }
        const Box box{part.x, part.y, part.x + part.width, part.y + part.height};
        boxes_.push_back(box);
        parts_.add(static_cast<int>(boxes_.size() - 1), box.x, box.y, box.right, box.bottom);
        ++next_;
        addCandidate({at.x + part.width, at.y});
        if (best >= 0) {
            addCandidate({u, below});
            state_[static_cast<size_t>(best)] = kGone;
        } else {
            addCandidate({at.x, at.y + part.height});
        }
    }

private:
    // A placed part's box with its right and bottom sides as the overlap test computes them.
    struct Box {
        double x, y, right, bottom;
    };
    enum State : char { kAwake, kAside, kGone };

    static bool overlaps(const TestBox& b, const Box& q) {
        return q.bottom >= b.top && q.right >= b.left && q.x <= b.right && q.y <= b.bottom;
    }

    // The first placed part found that overlaps the test box, or -1.
    int blockerOf(const TestBox& b) const {
        int found = -1;
        parts_.anyMeeting(b.left, b.top, b.right, b.bottom, [&](int id) {
            if (!overlaps(b, boxes_[static_cast<size_t>(id)])) return false;
            found = id;
            return true;
        });
        return found;
    }

    void addCandidate(SheetPoint pt) {
        const int id = static_cast<int>(points_.size());
        points_.push_back(pt);
        blocker_.push_back(-1);
        state_.push_back(kAside);
        listed_.push_back(0);
        settle(id);
    }

    // Decides, for the part about to be placed, whether the point may take it or is set aside.
    void settle(int id) {
        const auto i = static_cast<size_t>(id);
        if (next_ < order_.size()) {
            const SheetPoint pt = points_[i];
            const int q = blockerOf(testBox(pt.x, pt.y, *order_[next_]));
            if (q >= 0) {
                setAside(id, q);
                return;
            }
        }
        state_[i] = kAwake;
        if (!listed_[i]) {
            listed_[i] = 1;
            awake_.push_back(id);
        }
    }

    // Sets the point aside until the first part after the next one that `blocker` might
    // leave room for there; drops it when there is none.
    void setAside(int id, int blocker) {
        const auto i = static_cast<size_t>(id);
        blocker_[i] = blocker;
        const SheetPoint p = points_[i];
        const Box& q = boxes_[static_cast<size_t>(blocker)];
        // The overlap test of testBox(p, part) against q, for every part of a range at once:
        // each of its four comparisons is monotone in the part's width or height.
        const auto blocks = [&](const SizeRanges::Range& r) {
            return q.x <= (p.x + 0.001 * r.minW) + r.minW && q.right >= p.x + 0.001 * r.maxW &&
                   q.y <= (p.y + 0.001 * r.minH) + r.minH && q.bottom >= p.y + 0.001 * r.maxH;
        };
        const size_t wake = sizes_.firstFailing(next_ + 1, blocks);
        if (wake >= order_.size()) {
            state_[i] = kGone;
            return;
        }
        state_[i] = kAside;
        wake_[wake].push_back(id);
    }

    // The point with the lowest (score, y, x, id) where the part overlaps nothing, or -1.
    // Points are visited in any order; ids follow list order, so the lowest id among equal
    // points is the one the scan would meet first.
    int bestCandidate(const Part& part) {
        double bestScore = std::numeric_limits<double>::max();
        int bestId = -1;
        const bool breakRule = sheet_.breakRuleFor(part, boxes_.empty());
        size_t kept = 0;
        for (size_t k = 0; k < awake_.size(); ++k) {
            const int id = awake_[k];
            const auto i = static_cast<size_t>(id);
            if (state_[i] != kAwake) {
                listed_[i] = 0;
                continue;
            }
            awake_[kept++] = id;
            const SheetPoint pt = points_[i];
            if (breakRule && sheet_.skippedByBreaks(pt, part)) continue;
            const TestBox b = testBox(pt.x, pt.y, part);
            if (blocker_[i] >= 0 && overlaps(b, boxes_[static_cast<size_t>(blocker_[i])])) {
                setAside(id, blocker_[i]);
                continue;
            }
            const double score = sheet_.score(pt, part);
            const SheetPoint* best = bestId >= 0 ? &points_[static_cast<size_t>(bestId)] : nullptr;
            const bool sameAsBest =
                best && score == bestScore && pt.y == best->y && pt.x == best->x && id < bestId;
            if (!Sheet::beats(score, pt, bestScore, best) && !sameAsBest) continue;
            const int q = blockerOf(b);
            if (q >= 0) {
                setAside(id, q);
                continue;
            }
            bestScore = score;
            bestId = id;
        }
        awake_.resize(kept);
        return bestId;
    }

    SheetPoint firstFreePage(const Part& part) const {
        std::vector<std::pair<int, int>> pages;
        for (int ring = 1; ring <= 100000; ++ring) {
            Sheet::ringPages(ring, pages);
            for (auto [col, row] : pages) {
                const double px = col * sheet_.usableW, py = row * sheet_.usableH;
                if (blockerOf(testBox(px, py, part)) < 0) return {px, py};
            }
        }
        return {0.0, sheet_.usedH};
    }

    Sheet sheet_;
    const std::vector<Part*>& order_;
    SizeRanges sizes_;
    size_t next_ = 0;                     // place in the order of the part to place next
    std::vector<std::vector<int>> wake_;  // per place in the order: points set aside until then
    std::vector<Box> boxes_;              // placed parts, in placing order
    BoxGrid parts_;
    std::vector<SheetPoint> points_;  // every candidate point ever added, by id (list order)
    std::vector<int> blocker_;        // per id: the placed part that last overlapped there
    std::vector<char> state_;         // per id: State
    std::vector<char> listed_;        // per id: in awake_
    std::vector<int> awake_;          // ids that may take the next part; may hold others
};

// Cells about the size of a typical part: the median of the parts' larger sides.
double typicalPartSize(const std::vector<Part*>& order) {
    std::vector<double> sides;
    sides.reserve(order.size());
    for (const Part* p : order) sides.push_back(std::max(p->width, p->height));
    if (sides.empty()) return 1.0;
    const auto middle = sides.begin() + static_cast<std::ptrdiff_t>(sides.size() / 2);
    std::nth_element(sides.begin(), middle, sides.end());
    return *middle > 0.0 ? *middle : 1.0;
}

}  // namespace

std::unique_ptr<Packer> makeIndexedPacker(const Sheet& sheet, const std::vector<Part*>& order) {
    auto sizeOk = [](double v) { return std::isfinite(v) && v >= 0.0; };
    if (!sizeOk(sheet.usableW) || !sizeOk(sheet.usableH) || !std::isfinite(sheet.aspect))
        return nullptr;
    for (const Part* p : order)
        if (!sizeOk(p->width) || !sizeOk(p->height)) return nullptr;
    return std::make_unique<IndexedPacker>(sheet, order, typicalPartSize(order));
}

}  // namespace plikatra
