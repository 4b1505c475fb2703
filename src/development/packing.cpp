#include "development/packing.h"

#include <limits>

namespace plikatra {

namespace {

bool crossesPageBreak(double pos, double size, double page) {
    for (int k = 1; k <= 5; ++k) {
        const double b = k * page;
        if (pos < b && b < pos + size) return true;
    }
    return false;
}

class ScanPacker : public Packer {
public:
    explicit ScanPacker(const Sheet& sheet) : sheet_(sheet) {}

    const Sheet& sheet() const override { return sheet_; }

    void place(Part& part) override {
        const int best = bestCandidate(part);
        const SheetPoint at =
            best >= 0 ? candidates_[static_cast<size_t>(best)] : firstFreePage(part);
        part.x = at.x;
        part.y = at.y;
        sheet_.use(at, part);
        candidates_.push_back({at.x + part.width, at.y});
        if (best >= 0) {
            // Below the part, as far left as the parts beside that point allow.
            double u = 0.0;
            const double below = at.y + part.height;
            for (const Part* q : placed_)
                if (q->y < below && below < q->y + q->height) u = std::max(u, q->x + q->width);
            candidates_.push_back({u, below});
            candidates_.erase(candidates_.begin() + best);
        } else {
            candidates_.push_back({at.x, at.y + part.height});
        }
        placed_.push_back(&part);
    }

private:
    bool overlapsAny(const TestBox& b) const {
        for (const Part* q : placed_)
            if (overlaps(b, q)) return true;
        return false;
    }

    // The candidate that keeps the used area closest to the page's proportions (ties: the
    // upper, then the left one), skipping those where the part would overlap another or,
    // while page breaks are avoided, cross one; -1 when none qualifies.
    int bestCandidate(const Part& part) const {
        double bestScore = std::numeric_limits<double>::max();
        int bestIndex = -1;
        const bool breakRule = sheet_.breakRuleFor(part, placed_.empty());
        for (size_t c = 0; c < candidates_.size(); ++c) {
            const SheetPoint pt = candidates_[c];
            if (breakRule && sheet_.skippedByBreaks(pt, part)) continue;
            const double score = sheet_.score(pt, part);
            const SheetPoint* best =
                bestIndex >= 0 ? &candidates_[static_cast<size_t>(bestIndex)] : nullptr;
            if (!Sheet::beats(score, pt, bestScore, best)) continue;
            if (overlapsAny(testBox(pt.x, pt.y, part))) continue;
            bestScore = score;
            bestIndex = static_cast<int>(c);
        }
        return bestIndex;
    }

    // The top-left corner of the first page, ring by ring away from the first, where the part
    // overlaps nothing.
    SheetPoint firstFreePage(const Part& part) const {
        // Finitely many parts always leave a free page; the bound only guards against sizes
        // that are not numbers.
        std::vector<std::pair<int, int>> pages;
        for (int ring = 1; ring <= 100000; ++ring) {
            Sheet::ringPages(ring, pages);
            for (auto [col, row] : pages) {
                const double px = col * sheet_.usableW, py = row * sheet_.usableH;
                if (!overlapsAny(testBox(px, py, part))) return {px, py};
            }
        }
        return {0.0, sheet_.usedH};
    }

    Sheet sheet_;
    std::vector<SheetPoint> candidates_{{0.0, 0.0}};
    std::vector<Part*> placed_;
};

}  // namespace

bool Sheet::skippedByBreaks(SheetPoint pt, const Part& part) const {
    return crossesPageBreak(pt.x, part.width, usableW) ||
           crossesPageBreak(pt.y, part.height, usableH);
}

void Sheet::ringPages(int ring, std::vector<std::pair<int, int>>& pages) {
    pages.clear();
    for (int row = 0; row < ring; ++row) pages.emplace_back(ring, row);
    for (int col = 0; col <= ring; ++col) pages.emplace_back(col, ring);
}

std::unique_ptr<Packer> makeScanPacker(const Sheet& sheet) {
    return std::make_unique<ScanPacker>(sheet);
}

}  // namespace plikatra
