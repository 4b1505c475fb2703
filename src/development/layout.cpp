#include "development/layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "base/progress.h"

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

bool overlapsAny(const TestBox& b, const std::vector<Part*>& placed) {
    for (const Part* q : placed)
        if (q->y + q->height >= b.top && q->x + q->width >= b.left && q->x <= b.right &&
            q->y <= b.bottom)
            return true;
    return false;
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

// The packer's running state: candidate points, parts placed so far and the used area.
struct Packing {
    double usableW, usableH, aspect;
    bool pageDivide;
    std::vector<Point> candidates{{0.0, 0.0}};
    std::vector<Part*> placed;
    double usedW = 0.0, usedH = 0.0;

    // The candidate that keeps the used area closest to the page's proportions (ties: the
    // upper, then the left one), skipping those where the part would overlap another or,
    // while page breaks are avoided, cross one; -1 when none qualifies.
    int bestCandidate(const Part& part) const {
        double bestScore = std::numeric_limits<double>::max();
        int bestIndex = -1;
        const bool breakRule = pageDivide && !placed.empty() && part.width <= usableW &&
                               part.height <= usableH;
        for (size_t c = 0; c < candidates.size(); ++c) {
            const Point pt = candidates[c];
            if (breakRule && (crossesPageBreak(pt.x, part.width, usableW) ||
                              crossesPageBreak(pt.y, part.height, usableH)))
                continue;
            const double nw = std::max(usedW, pt.x + part.width);
            const double nh = std::max(usedH, pt.y + part.height);
            const double score = nh / nw < aspect ? aspect * (nw * nw) : (nh * nh) / aspect;
            bool consider = score < bestScore;
            if (!consider && score == bestScore && bestIndex >= 0) {
                const Point b = candidates[static_cast<size_t>(bestIndex)];
                consider = pt.y < b.y || (pt.y == b.y && pt.x < b.x);
            }
            if (!consider) continue;
            if (overlapsAny(testBox(pt.x, pt.y, part), placed)) continue;
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
        for (int ring = 1; ring <= 100000; ++ring) {
            std::vector<std::pair<int, int>> pages;
            for (int row = 0; row < ring; ++row) pages.emplace_back(ring, row);
            for (int col = 0; col <= ring; ++col) pages.emplace_back(col, ring);
            for (auto [col, row] : pages) {
                const double px = col * usableW, py = row * usableH;
                if (!overlapsAny(testBox(px, py, part), placed)) return {px, py};
            }
        }
        return {0.0, usedH};
    }

    void place(Part& part) {
        const int best = bestCandidate(part);
        const Point at = best >= 0 ? candidates[static_cast<size_t>(best)] : firstFreePage(part);
        part.x = at.x;
        part.y = at.y;
        usedW = std::max(usedW, at.x + part.width);
        usedH = std::max(usedH, at.y + part.height);
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

}  // namespace

void layoutParts(Model& model, const LayoutParams& params, Ui& ui) {
    const PageSetup& page = params.page;
    const double margin = partMargin(model, params);
    model.dKavimozuMargin = margin;
    for (auto& p : model.parts) normalizePart(*p, margin);
    const std::vector<Part*> order = partsBySize(model);

    Packing packing;
    packing.usableW = page.cellWidth() / model.dMag2d;
    packing.usableH = page.cellHeight() / model.dMag2d;
    packing.aspect = packing.usableH / packing.usableW;
    packing.pageDivide = params.mode == kLayoutGivenScale && params.pageDivide;

    Progress progress(&ui.progress(), kLayoutTitle, false);
    progress.setCaption("Progress");
    const int n = static_cast<int>(order.size());
    progress.setRange(0, n);
    int i = 0;
    for (Part* part : order) {
        ++i;
        progress.setText("%s  %d/%d", kLayoutText, i, n);
        progress.setPos(i);
        progress.peekAndPump();
        ui.status(format("Arranging parts layout:%d/%d", i, n));
        packing.place(*part);
    }
    model.dKavimozuWidth = packing.usedW;
    model.dKavimozuHeight = packing.usedH;

    if (params.mode == kLayoutAuto && packing.usedW > 0 && packing.usedH > 0) {
        model.dMag2d = 0.99 * std::min(page.cellWidth() / packing.usedW,
                                       page.cellHeight() / packing.usedH);
        model.pagesAcross = model.pagesDown = 1;
    }
}

}  // namespace plikatra
