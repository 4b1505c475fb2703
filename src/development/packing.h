// The packers of the parts layout: where each part goes on the sheet, given the parts before
// it. Both packers make the same choices; the scan is the plain definition, the indexed one
// finds the same places without trying every point against every part.
#pragma once

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "model/model.h"

namespace plikatra {

struct SheetPoint {
    double x, y;
};

// Box of a part placed at (x, y), moved by 0.1 percent of its own size so that parts that
// merely touch do not count as overlapping.
struct TestBox {
    double left, top, right, bottom;
};

inline TestBox testBox(double x, double y, const Part& p) {
    TestBox b;
    b.left = x + 0.001 * p.width;
    b.top = y + 0.001 * p.height;
    b.right = b.left + p.width;
    b.bottom = b.top + p.height;
    return b;
}

inline bool overlaps(const TestBox& b, const Part* q) {
    return q->y + q->height >= b.top && q->x + q->width >= b.left && q->x <= b.right &&
           q->y <= b.bottom;
}

// What both packers share: the page, the used area and how a candidate point is judged.
struct Sheet {
    double usableW = 0.0, usableH = 0.0, aspect = 0.0;  // development units
    bool pageDivide = false;
    double usedW = 0.0, usedH = 0.0;

    // Whether the page-break rule applies to `part` (never to the first one placed).
    bool breakRuleFor(const Part& part, bool first) const {
        return pageDivide && !first && part.width <= usableW && part.height <= usableH;
    }
    bool skippedByBreaks(SheetPoint pt, const Part& part) const;
    // The area of the smallest page-shaped rectangle that holds the layout with the part at
    // the point.
    double score(SheetPoint pt, const Part& part) const {
        const double nw = std::max(usedW, pt.x + part.width);
        const double nh = std::max(usedH, pt.y + part.height);
        return nh / nw < aspect ? aspect * (nw * nw) : (nh * nh) / aspect;
    }
    // Whether a point with `score` beats the best so far (ties: the upper, then the left one).
    static bool beats(double score, SheetPoint pt, double bestScore, const SheetPoint* best) {
        if (score < bestScore) return true;
        return score == bestScore && best && (pt.y < best->y || (pt.y == best->y && pt.x < best->x));
    }
    // The pages of ring `ring` around the first page, in the order they are tried.
    static void ringPages(int ring, std::vector<std::pair<int, int>>& pages);
    void use(SheetPoint at, const Part& part) {
        usedW = std::max(usedW, at.x + part.width);
        usedH = std::max(usedH, at.y + part.height);
    }
};

class Packer {
public:
    virtual ~Packer() = default;
    // Places the next part of the placing order.
    virtual void place(Part& part) = 0;
    virtual const Sheet& sheet() const = 0;
};

// Every candidate point against every part placed before: about n³ box tests for n parts.
std::unique_ptr<Packer> makeScanPacker(const Sheet& sheet);

// The same places through indexes; null when the sizes do not suit the indexes (not finite,
// or negative: only damaged geometry gives those), and the scan must do.
std::unique_ptr<Packer> makeIndexedPacker(const Sheet& sheet, const std::vector<Part*>& order);

}  // namespace plikatra
