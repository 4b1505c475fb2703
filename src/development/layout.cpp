#include "app/options.h"
#include "development/layout.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

#include "app/progress.h"
#include "app/settings.h"
#include "app/ui.h"
#include "development/development.h"

namespace plikatra {

namespace {

LayoutDialogRunner& dialogRunner() {
    static LayoutDialogRunner runner;
    return runner;
}

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

bool crossesPageBreak(double pos, double size, double page) {
    for (int k = 1; k <= 5; ++k) {
        const double b = k * page;
        if (pos < b && b < pos + size) return true;
    }
    return false;
}

}  // namespace

LayoutOptions& layoutOptions() {
    static LayoutOptions o;
    return o;
}

LayoutDialog LayoutDialog::initial(const Model& model, bool recalculating) {
    LayoutDialog d;
    const Settings& s = settings();
    const LayoutOptions& o = layoutOptions();
    d.mode = o.mode;
    d.spacingPercent = s.layoutSpacingPercent;
    d.spacingMm = s.layoutSpacingMm;
    d.pageDivide = s.bPageDivide;
    const Extents e = fileExtents(model);
    d.modelHeight = e.dy;
    if (recalculating) {
        d.scale = model.dMag2d * model.dMag3d;
        d.assembledSize = d.scale * e.dy;
    } else if (e.dy / e.dx > 0.1 && e.dy / e.dz > 0.1) {
        d.assembledSize = 10.0;
        d.scale = 10 / e.dy;
    } else if (e.dx > e.dz) {
        d.scale = 10 / e.dx;
        d.assembledSize = e.dy / e.dx * 10;
    } else {
        d.scale = 10 / e.dz;
        d.assembledSize = e.dy / e.dz * 10;
    }
    return d;
}

std::string LayoutDialog::scaleText() const { return format("%.6f", scale); }

std::string LayoutDialog::assembledSizeText() const { return format("%.1f", assembledSize); }

void LayoutDialog::setScale(double s) {
    scale = s;
    assembledSize = s * modelHeight;
}

void LayoutDialog::setAssembledSize(double size) {
    assembledSize = size;
    scale = size / modelHeight;
}

std::string LayoutDialog::validate() const {
    if (!(assembledSize >= 0.1 && assembledSize <= 200)) return kMsgAssembledSizeRange;
    return {};
}

void LayoutDialog::apply(Model& model) const {
    Settings& s = settings();
    s.layoutSpacingPercent = spacingPercent;
    s.layoutSpacingMm = spacingMm;
    s.bPageDivide = pageDivide;
    LayoutOptions& o = layoutOptions();
    o.mode = mode;
    if (mode == kLayoutGivenScale) {
        o.scale = scale;
        model.dMag2d = scale / model.dMag3d;
    }
}

void setLayoutDialogRunner(LayoutDialogRunner runner) { dialogRunner() = std::move(runner); }

bool runLayoutDialog(Model& model, bool recalculating) {
    LayoutDialog d = LayoutDialog::initial(model, recalculating);
    if (dialogRunner()) {
        if (!dialogRunner()(d)) return false;
    } else if (!d.validate().empty()) {
        ui().message(d.validate(), kAppTitle, MessageIcon::Warning);
        return false;
    }
    d.apply(model);
    return true;
}

bool layoutParts(Model& model, bool ask, bool recalculating) {
    if (ask && !runLayoutDialog(model, recalculating)) return false;
    const Settings& s = settings();
    LayoutOptions& o = layoutOptions();

    double margin;
    bool pageDivide;
    if (o.mode == kLayoutGivenScale) {
        margin = s.layoutSpacingMm * 0.1 / model.dMag2d * 0.5;
        pageDivide = s.bPageDivide;
    } else {
        const Extents e = fileExtents(model);
        margin = std::max({e.dx, e.dy, e.dz}) * s.layoutSpacingPercent * model.dMag3d * 0.005;
        pageDivide = false;
    }
    model.dKavimozuMargin = margin;
    for (auto& p : model.parts) normalizePart(*p, margin);

    // Largest box first; equal areas keep list order.
    std::vector<Part*> order;
    {
        std::vector<Part*> rest;
        for (auto& p : model.parts) rest.push_back(p.get());
        while (!rest.empty()) {
            size_t best = 0;
            for (size_t i = 1; i < rest.size(); ++i)
                if (rest[i]->width * rest[i]->height > rest[best]->width * rest[best]->height) best = i;
            order.push_back(rest[best]);
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(best));
        }
    }

    const double usableW = (s.pageWidth - 2 * s.dPageMarginSide) / model.dMag2d;
    const double usableH = (s.pageHeight - 2 * s.dPageMarginTop) / model.dMag2d;
    const double aspect = usableH / usableW;

    Progress progress(progressFrontEnd(), kLayoutTitle, false);
    progress.setCaption("Progress");
    const int n = static_cast<int>(order.size());
    progress.setRange(0, n);

    struct Point {
        double x, y;
    };
    std::vector<Point> candidates{{0.0, 0.0}};
    std::vector<Part*> placed;
    double usedW = 0.0, usedH = 0.0;
    int i = 0;
    for (Part* part : order) {
        ++i;
        progress.setText("%s  %d/%d", kLayoutText, i, n);
        progress.setPos(i);
        progress.peekAndPump();
        ui().status(format("Arranging parts layout:%d/%d", i, n));

        double bestScore = std::numeric_limits<double>::max();
        int bestIndex = -1;
        const bool breakRule = pageDivide && !placed.empty() && part->width <= usableW &&
                               part->height <= usableH;
        for (size_t c = 0; c < candidates.size(); ++c) {
            const Point pt = candidates[c];
            if (breakRule && (crossesPageBreak(pt.x, part->width, usableW) ||
                              crossesPageBreak(pt.y, part->height, usableH)))
                continue;
            const double nw = std::max(usedW, pt.x + part->width);
            const double nh = std::max(usedH, pt.y + part->height);
            const double score = nh / nw < aspect ? aspect * (nw * nw) : (nh * nh) / aspect;
            bool consider = score < bestScore;
            if (!consider && score == bestScore && bestIndex >= 0) {
                const Point b = candidates[static_cast<size_t>(bestIndex)];
                consider = pt.y < b.y || (pt.y == b.y && pt.x < b.x);
            }
            if (!consider) continue;
            if (overlapsAny(testBox(pt.x, pt.y, *part), placed)) continue;
            bestScore = score;
            bestIndex = static_cast<int>(c);
        }

        double x, y;
        bool onFreePage = false;
        if (bestIndex >= 0) {
            x = candidates[static_cast<size_t>(bestIndex)].x;
            y = candidates[static_cast<size_t>(bestIndex)].y;
        } else {
            // No candidate avoids the page breaks: take the first free page, ring by ring.
            onFreePage = true;
            x = y = 0.0;
            bool found = false;
            // Finitely many parts always leave a free page; the bound only guards against
            // sizes that are not numbers.
            for (int ring = 1; !found && ring <= 100000; ++ring) {
                std::vector<std::pair<int, int>> pages;
                for (int row = 0; row < ring; ++row) pages.emplace_back(ring, row);
                for (int col = 0; col <= ring; ++col) pages.emplace_back(col, ring);
                for (auto [col, row] : pages) {
                    const double px = col * usableW, py = row * usableH;
                    if (!overlapsAny(testBox(px, py, *part), placed)) {
                        x = px;
                        y = py;
                        found = true;
                        break;
                    }
                }
            }
            if (!found) y = usedH;
        }
        part->x = x;
        part->y = y;
        usedW = std::max(usedW, x + part->width);
        usedH = std::max(usedH, y + part->height);
        candidates.push_back({x + part->width, y});
        if (!onFreePage) {
            double u = 0.0;
            const double below = y + part->height;
            for (const Part* q : placed)
                if (q->y < below && below < q->y + q->height) u = std::max(u, q->x + q->width);
            candidates.push_back({u, below});
            candidates.erase(candidates.begin() + bestIndex);
        } else {
            candidates.push_back({x, y + part->height});
        }
        placed.push_back(part);
    }
    model.dKavimozuWidth = usedW;
    model.dKavimozuHeight = usedH;

    if (o.mode == kLayoutAuto && usedW > 0 && usedH > 0) {
        model.dMag2d = 0.99 * std::min((s.pageWidth - 2 * s.dPageMarginSide) / usedW,
                                       (s.pageHeight - 2 * s.dPageMarginTop) / usedH);
        model.pagesAcross = model.pagesDown = 1;
        o.scale = model.dMag2d * model.dMag3d;
    }
    return true;
}

void recalculateLayout(Model& model) {
    model.bFinished = false;
    layoutParts(model, true, true);
    model.bFinished = true;
    computePageGrid(model, pageSetupOf(settings()));
}

}  // namespace plikatra
