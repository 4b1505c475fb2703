#include "development/layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "base/progress.h"
#include "development/box_grid.h"
#include "development/progress_pacer.h"

namespace plikatra {

namespace {

struct Extents {
    double dx, dy, dz;
};

Extents fileExtents(const Model& m) {
    return {m.boundsMax.x - m.boundsMin.x, m.boundsMax.y - m.boundsMin.y,
            m.boundsMax.z - m.boundsMin.z};
}

// Box of a part placed at (x, y), moved by 0.1 percent of its own size so that parts that
// merely touch do not count as overlapping.
struct TestBox {
    double left, top, right, bottom;
};

TestBox testBox(double x, double y, const Part& p) {
    TestBox b;
    b.left = x + 0.001 * p.width;
    b.top = y + 0.001 * p.height;
    b.right = b.left + p.width;
    b.bottom = b.top + p.height;
    return b;
}

bool overlaps(const TestBox& b, const Part* q) {
    return q->y + q->height >= b.top && q->x + q->width >= b.left && q->x <= b.right &&
           q->y <= b.bottom;
}

// Moves a part's flat positions so its faces start at (margin, margin) and sets its size.
void normalizePart(Part& part, double margin) {
    double minX = kDoubleMax, minY = kDoubleMax, maxX = -kDoubleMax, maxY = -kDoubleMax;
    for (Face* f : part.faces)
        for (auto& h : f->halfedges) {
            minX = std::min(minX, h->flatX);
            minY = std::min(minY, h->flatY);
            maxX = std::max(maxX, h->flatX);
            maxY = std::max(maxY, h->flatY);
        }
    if (minX > maxX) {  // a part without corners
        part.width = part.height = 2 * margin;
        return;
    }
    part.width = maxX - minX + 2 * margin;
    part.height = maxY - minY + 2 * margin;
    const double ox = margin - minX, oy = margin - minY;
    for (Face* f : part.faces)
        for (auto& h : f->halfedges) {
            h->flatX += ox;
            h->flatY += oy;
        }
}

// Half the spacing between parts, in development units.
double partMargin(const Model& model, const LayoutParams& params) {
    if (params.mode == kLayoutGivenScale) return params.spacingMm * 0.1 / model.dMag2d * 0.5;
    const Extents e = fileExtents(model);
    return std::max({e.dx, e.dy, e.dz}) * params.spacingPercent * model.dMag3d * 0.005;
}

// Largest box first; equal areas keep list order. A size that is not a number (damaged
// geometry) goes last rather than breaking the order.
std::vector<Part*> partsBySize(const Model& model) {
    std::vector<Part*> order;
    order.reserve(model.parts.size());
    for (auto& p : model.parts) order.push_back(p.get());
    const auto area = [](const Part* p) {
        const double a = p->width * p->height;
        return std::isnan(a) ? -std::numeric_limits<double>::infinity() : a;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const Part* a, const Part* b) { return area(a) > area(b); });
    return order;
}

bool crossesPageBreak(double pos, double size, double page) {
    for (int k = 1; k <= 5; ++k) {
        const double b = k * page;
        if (pos < b && b < pos + size) return true;
    }
    return false;
}

struct Point {
    double x, y;
};

// What both packers share: the page, the used area and how a candidate point is judged.
struct Sheet {
    double usableW, usableH, aspect;
    bool pageDivide;
    double usedW = 0.0, usedH = 0.0;

    // Whether the page-break rule applies to `part` (never to the first one placed).
    bool breakRuleFor(const Part& part, bool first) const {
        return pageDivide && !first && part.width <= usableW && part.height <= usableH;
    }
    bool skippedByBreaks(Point pt, const Part& part) const {
        return crossesPageBreak(pt.x, part.width, usableW) ||
               crossesPageBreak(pt.y, part.height, usableH);
    }
    // The area of the smallest page-shaped rectangle that holds the layout with the part at
    // the point.
    double score(Point pt, const Part& part) const {
        const double nw = std::max(usedW, pt.x + part.width);
        const double nh = std::max(usedH, pt.y + part.height);
        return nh / nw < aspect ? aspect * (nw * nw) : (nh * nh) / aspect;
    }
    // Whether a point with `score` beats the best so far (ties: the upper, then the left one).
    static bool beats(double score, Point pt, double bestScore, const Point* best) {
        if (score < bestScore) return true;
        return score == bestScore && best && (pt.y < best->y || (pt.y == best->y && pt.x < best->x));
    }
    // The pages of ring `ring` around the first page, in the order they are tried.
    static void ringPages(int ring, std::vector<std::pair<int, int>>& pages) {
        pages.clear();
        for (int row = 0; row < ring; ++row) pages.emplace_back(ring, row);
        for (int col = 0; col <= ring; ++col) pages.emplace_back(col, ring);
    }
    void use(Point at, const Part& part) {
        usedW = std::max(usedW, at.x + part.width);
        usedH = std::max(usedH, at.y + part.height);
    }
};

// The plain packer: every candidate point against every part placed before.
struct ScanPacking {
    Sheet sheet;
    std::vector<Point> candidates{{0.0, 0.0}};
    std::vector<Part*> placed;

    bool overlapsAny(const TestBox& b) const {
        for (const Part* q : placed)
            if (overlaps(b, q)) return true;
        return false;
    }

    // The candidate that keeps the used area closest to the page's proportions (ties: the
    // upper, then the left one), skipping those where the part would overlap another or,
    // while page breaks are avoided, cross one; -1 when none qualifies.
    int bestCandidate(const Part& part) const {
        double bestScore = std::numeric_limits<double>::max();
        int bestIndex = -1;
        const bool breakRule = sheet.breakRuleFor(part, placed.empty());
        for (size_t c = 0; c < candidates.size(); ++c) {
            const Point pt = candidates[c];
            if (breakRule && sheet.skippedByBreaks(pt, part)) continue;
            const double score = sheet.score(pt, part);
            const Point* best = bestIndex >= 0 ? &candidates[static_cast<size_t>(bestIndex)] : nullptr;
            if (!Sheet::beats(score, pt, bestScore, best)) continue;
            if (overlapsAny(testBox(pt.x, pt.y, part))) continue;
            bestScore = score;
            bestIndex = static_cast<int>(c);
        }
        return bestIndex;
    }

    // The top-left corner of the first page, ring by ring away from the first, where the part
    // overlaps nothing.
    Point firstFreePage(const Part& part) const {
        // Finitely many parts always leave a free page; the bound only guards against sizes
        // that are not numbers.
        std::vector<std::pair<int, int>> pages;
        for (int ring = 1; ring <= 100000; ++ring) {
            Sheet::ringPages(ring, pages);
            for (auto [col, row] : pages) {
                const double px = col * sheet.usableW, py = row * sheet.usableH;
                if (!overlapsAny(testBox(px, py, part))) return {px, py};
            }
        }
        return {0.0, sheet.usedH};
    }

    void place(Part& part) {
        const int best = bestCandidate(part);
        const Point at = best >= 0 ? candidates[static_cast<size_t>(best)] : firstFreePage(part);
        part.x = at.x;
        part.y = at.y;
        sheet.use(at, part);
        candidates.push_back({at.x + part.width, at.y});
        if (best >= 0) {
            // Below the part, as far left as the parts beside that point allow.
            double u = 0.0;
            const double below = at.y + part.height;
            for (const Part* q : placed)
                if (q->y < below && below < q->y + q->height) u = std::max(u, q->x + q->width);
            candidates.push_back({u, below});
            candidates.erase(candidates.begin() + best);
        } else {
            candidates.push_back({at.x, at.y + part.height});
        }
        placed.push_back(&part);
    }
};

// The same choices as ScanPacking, found faster. The placed parts' boxes are indexed for
// the overlap tests and the point below a part. Each candidate point remembers the part that
// last made it overlap: parts come largest first, so that part usually still blocks the next
// one, and one comparison settles the point. And a point that a placed part covers so far
// inside that no part still to come could sit there is dropped for good; it would never be
// chosen again.
class IndexedPacking {
public:
    // `order` is the placing order; `cellSize` about a typical part's size.
    IndexedPacking(const Sheet& sheet, const std::vector<Part*>& order, double cellSize)
        : sheet_(sheet), parts_(cellSize), pointIndex_(cellSize) {
        // The widest and tallest part from each place in the order on.
        restW_.assign(order.size() + 1, 0.0);
        restH_.assign(order.size() + 1, 0.0);
        for (size_t i = order.size(); i-- > 0;) {
            restW_[i] = std::max(restW_[i + 1], order[i]->width);
            restH_[i] = std::max(restH_[i + 1], order[i]->height);
        }
        addCandidate({0.0, 0.0});
    }

    // Whether every part and page size suits the indexes: finite and not negative. Other
    // sizes only come from damaged geometry; the scan copes with them.
    static bool suits(const Sheet& sheet, const std::vector<Part*>& order) {
        auto sizeOk = [](double v) { return std::isfinite(v) && v >= 0.0; };
        if (!sizeOk(sheet.usableW) || !sizeOk(sheet.usableH) || !std::isfinite(sheet.aspect))
            return false;
        for (const Part* p : order)
            if (!sizeOk(p->width) || !sizeOk(p->height)) return false;
        return true;
    }

    const Sheet& sheet() const { return sheet_; }

    void place(Part& part) {
        const int best = bestCandidate(part);
        const Point at = best >= 0 ? points_[static_cast<size_t>(best)] : firstFreePage(part);
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
        addCandidate({at.x + part.width, at.y});
        if (best >= 0) {
            addCandidate({u, below});
            drop(best);
        } else {
            addCandidate({at.x, at.y + part.height});
        }
        dropCovered(box);
    }

private:
    // A placed part's box with its right and bottom sides as the overlap test computes them.
    struct Box {
        double x, y, right, bottom;
    };

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

    // Whether `q` overlaps every part still to come placed at `pt`: pt lies in q's box, and
    // far enough from its right and bottom sides that even the widest and tallest part left,
    // whose test box starts 0.1 percent of its size beyond pt, still starts inside q.
    bool covers(const Box& q, Point pt) const {
        const double w = restW_[boxes_.size()], h = restH_[boxes_.size()];
        return q.x <= pt.x && q.right >= pt.x + 0.001 * w && q.y <= pt.y &&
               q.bottom >= pt.y + 0.001 * h;
    }

    void addCandidate(Point pt) {
        const bool covered = parts_.anyMeeting(pt.x, pt.y, pt.x, pt.y, [&](int id) {
            return covers(boxes_[static_cast<size_t>(id)], pt);
        });
        if (covered) return;
        const int id = static_cast<int>(points_.size());
        points_.push_back(pt);
        blocker_.push_back(-1);
        live_.push_back(1);
        list_.push_back(id);
        pointIndex_.add(id, pt.x, pt.y, pt.x, pt.y);
    }

    void drop(int id) {
        live_[static_cast<size_t>(id)] = 0;
        if (++dropped_ * 2 > list_.size()) {
            std::erase_if(list_, [&](int c) { return !live_[static_cast<size_t>(c)]; });
            dropped_ = 0;
        }
    }

    void dropCovered(const Box& q) {
        pointIndex_.anyMeeting(q.x, q.y, q.right, q.bottom, [&](int id) {
            if (live_[static_cast<size_t>(id)] && covers(q, points_[static_cast<size_t>(id)]))
                drop(id);
            return false;
        });
    }

    // ScanPacking::bestCandidate over the points still live, in list order. A point whose
    // part overlaps a placed part is never chosen whatever its score, so the remembered
    // blocker is tried first.
    int bestCandidate(const Part& part) {
        double bestScore = std::numeric_limits<double>::max();
        int bestId = -1;
        const bool breakRule = sheet_.breakRuleFor(part, boxes_.empty());
        for (int id : list_) {
            const auto i = static_cast<size_t>(id);
            if (!live_[i]) continue;
            const Point pt = points_[i];
            if (breakRule && sheet_.skippedByBreaks(pt, part)) continue;
            const TestBox b = testBox(pt.x, pt.y, part);
            if (blocker_[i] >= 0 && overlaps(b, boxes_[static_cast<size_t>(blocker_[i])])) continue;
            const double score = sheet_.score(pt, part);
            const Point* best = bestId >= 0 ? &points_[static_cast<size_t>(bestId)] : nullptr;
            if (!Sheet::beats(score, pt, bestScore, best)) continue;
            blocker_[i] = blockerOf(b);
            if (blocker_[i] >= 0) continue;
            bestScore = score;
            bestId = id;
        }
        return bestId;
    }

    Point firstFreePage(const Part& part) const {
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
    std::vector<Box> boxes_;  // placed parts, in placing order
    BoxGrid parts_;
    std::vector<Point> points_;  // every candidate point ever added, by id
    std::vector<int> blocker_;   // per id: the placed part that last overlapped there, or -1
    std::vector<char> live_;     // per id: still in the candidate list
    std::vector<int> list_;      // ids in list order; may still hold dropped ones
    std::size_t dropped_ = 0;    // dropped ids still in list_
    BoxGrid pointIndex_;
    std::vector<double> restW_, restH_;
};

// Cells about the size of a typical part: the median of the parts' larger sides.
double typicalPartSize(const std::vector<Part*>& order) {
    std::vector<double> sides;
    sides.reserve(order.size());
    for (const Part* p : order) sides.push_back(std::max(p->width, p->height));
    if (sides.empty()) return 1.0;
    std::nth_element(sides.begin(), sides.begin() + static_cast<std::ptrdiff_t>(sides.size() / 2), sides.end());
    const double m = sides[sides.size() / 2];
    return std::isfinite(m) && m > 0.0 ? m : 1.0;
}

}  // namespace

void layoutParts(Model& model, const LayoutParams& params, Ui& ui) {
    const PageSetup& page = params.page;
    const double margin = partMargin(model, params);
    model.dKavimozuMargin = margin;
    for (auto& p : model.parts) normalizePart(*p, margin);
    const std::vector<Part*> order = partsBySize(model);

    Sheet sheet;
    sheet.usableW = page.cellWidth() / model.dMag2d;
    sheet.usableH = page.cellHeight() / model.dMag2d;
    sheet.aspect = sheet.usableH / sheet.usableW;
    sheet.pageDivide = params.mode == kLayoutGivenScale && params.pageDivide;
    std::optional<ScanPacking> scan;
    std::optional<IndexedPacking> indexed;
    if (params.search == LayoutSearch::Indexed && IndexedPacking::suits(sheet, order))
        indexed.emplace(sheet, order, typicalPartSize(order));
    else
        scan.emplace(ScanPacking{sheet, {{0.0, 0.0}}, {}});

    Progress progress(&ui.progress(), kLayoutTitle, false);
    progress.setCaption("Progress");
    const int n = static_cast<int>(order.size());
    progress.setRange(0, n);
    ProgressPacer pacer(params.reportInterval);
    int i = 0;
    for (Part* part : order) {
        ++i;
        if (pacer.due() || i == n) {
            progress.setText("%s  %d/%d", kLayoutText, i, n);
            progress.setPos(i);
            progress.peekAndPump();
            ui.status(format("Arranging parts layout:%d/%d", i, n));
        }
        if (indexed) indexed->place(*part);
        else scan->place(*part);
    }
    const Sheet& packed = indexed ? indexed->sheet() : scan->sheet;
    model.dKavimozuWidth = packed.usedW;
    model.dKavimozuHeight = packed.usedH;

    if (params.mode == kLayoutAuto && packed.usedW > 0 && packed.usedH > 0) {
        model.dMag2d = 0.99 * std::min(page.cellWidth() / packed.usedW,
                                       page.cellHeight() / packed.usedH);
        model.pagesAcross = model.pagesDown = 1;
    }
}

}  // namespace plikatra
