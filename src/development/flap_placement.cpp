#include "development/flap_placement.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

#include "development/flap_sheet.h"
#include "development/flap_sides.h"

namespace plikatra {

namespace {

// A flap lower than this share of its height is no flap worth gluing.
constexpr double kLeastShare = 0.05;

// Insets tried at each end of a flap that fits nowhere with the usual sides.
constexpr float kInsetSteps[] = {1.0f, 1.5f, 2.5f, 4.0f, 8.0f};

// The cotangent of the angle at corner `at` of a face between the sides to `along` and to
// `other`: how far the face's side runs along the edge per unit of height. Huge for a
// needle-sharp corner, negative for an obtuse one.
double cornerRun(const Halfedge& at, const Halfedge& along, const Halfedge& other) {
    const double ex = along.flatX - at.flatX, ey = along.flatY - at.flatY;
    const double ox = other.flatX - at.flatX, oy = other.flatY - at.flatY;
    const double cross = std::fabs(ex * oy - ey * ox), dot = ex * ox + ey * oy;
    if (!(cross > 0)) return 1e6;
    return dot / cross;
}

const Halfedge* previousOf(const Halfedge& h) {
    if (h.prev) return h.prev;
    const Halfedge* p = &h;
    for (std::size_t i = 0; p->next && p->next != &h && i < 1000000; ++i) p = p->next;
    return p->next == &h ? p : nullptr;
}

// Insets whose sides run parallel to the sides of the face the flap is glued under at the
// edge's ends, a little steeper: the flap then lies inside that face up to the face's own
// height, its tip (if it has one) towards the face's far corner. `least` bounds each from
// below. None when the glued face is not laid out.
bool gluedFaceInsets(const Halfedge& h, float least, FlapInsets& out) {
    const Halfedge* g = h.pair;
    if (!g || !g->next || !g->next->next || !g->face || !g->face->part) return false;
    const Halfedge* gp = previousOf(*g);
    if (!gp) return false;
    // g runs from h's end to h's start: h's start is g's next corner, h's end is g's own.
    const double atStart = cornerRun(*g->next, *g, *g->next->next);
    const double atEnd = cornerRun(*g, *g->next, *gp);
    auto inset = [&](double run) {
        const double v = std::min(64.0, run * 1.02 + 0.02);
        return static_cast<float>(std::max<double>(least, v));
    };
    out = {inset(atStart), inset(atEnd)};
    return true;
}

// The narrowed shapes to try on `h`, least narrowed first; the usual one is not among them.
std::vector<FlapInsets> narrowedShapes(const Halfedge& h) {
    std::vector<FlapInsets> shapes;
    for (float a : kInsetSteps)
        for (float b : kInsetSteps)
            if (a != kUsualFlapInset || b != kUsualFlapInset) shapes.push_back({a, b});
    FlapInsets glued;
    if (gluedFaceInsets(h, kUsualFlapInset, glued)) shapes.push_back(glued);
    if (gluedFaceInsets(h, 0.05f, glued)) shapes.push_back(glued);
    std::stable_sort(shapes.begin(), shapes.end(), [](const FlapInsets& x, const FlapInsets& y) {
        return std::max(x.start, x.end) + 0.25f * std::min(x.start, x.end) <
               std::max(y.start, y.end) + 0.25f * std::min(y.start, y.end);
    });
    return shapes;
}

// The few shapes a lowered flap may take: the usual one, a few narrowed ones for flaps that
// stand in a corner, and those that follow its glued face.
std::vector<FlapInsets> loweredShapes(const Halfedge& h) {
    std::vector<FlapInsets> shapes{FlapInsets{}, {2.5f, 2.5f}, {1.0f, 4.0f}, {4.0f, 1.0f}, {8.0f, 8.0f}};
    FlapInsets glued;
    if (gluedFaceInsets(h, kUsualFlapInset, glued)) shapes.push_back(glued);
    if (gluedFaceInsets(h, 0.05f, glued)) shapes.push_back(glued);
    return shapes;
}

}  // namespace

FlapPlacementReport placeFittingFlaps(Model& model, bool flapReverse, bool narrow) {
    FlapPlacementReport r;
    if (flapReverse) {
        // Flaps drawn over their own faces lie on them wherever they go: they keep the usual
        // side and height.
        assignFlapSides(model);
        for (const auto& s : model.solids)
            for (const auto& e : s->edges) r.flaps += e->joinNumber != -1 && e->a;
        return r;
    }
    std::unordered_map<const Part*, std::unique_ptr<FlapSheet>> sheets;
    for (const auto& part : model.parts)
        sheets.emplace(part.get(), std::make_unique<FlapSheet>(model, *part, flapReverse, false));
    // The sheet a flap on `h` would stand on, or null when its face is in no part.
    auto sheetOf = [&](const Halfedge* h) -> FlapSheet* {
        if (!h || !h->next || !h->face || !h->face->part) return nullptr;
        const auto it = sheets.find(h->face->part);
        return it == sheets.end() ? nullptr : it->second.get();
    };

    std::vector<Edge*> numbered;
    for (auto& s : model.solids)
        for (auto& e : s->edges) {
            if (e->joinNumber == -1) continue;
            for (Halfedge* h : {e->a, e->b})
                if (h) {
                    h->hasFlap = false;
                    h->flapInsetStart = h->flapInsetEnd = kUsualFlapInset;
                }
            numbered.push_back(e.get());
        }
    auto put = [&](Halfedge* h, double height, FlapInsets insets) {
        FlapSheet* sheet = sheetOf(h);
        h->flapInsetStart = insets.start;
        h->flapInsetEnd = insets.end;
        sheet->addFlap(h, sheet->outlineAt(*h, height));
        h->hasFlap = true;
        ++r.flaps;
    };
    auto fits = [&](Halfedge* h, double height, FlapInsets insets) {
        FlapSheet* sheet = sheetOf(h);
        return !sheet->faultsOfNew(*h, sheet->outlineAt(*h, height, insets));
    };

    // First every flap that fits at its full height on one side or the other; then the rest
    // narrowed at full height; then the rest lowered, so that a flap that must give way does
    // not crowd out one that fits whole.
    std::vector<Edge*> crowded;
    for (Edge* e : numbered) {
        bool placed = false;
        for (Halfedge* h : {e->a, e->b}) {
            if (!sheetOf(h) || !(h->flapHeight > 0)) continue;
            if (!fits(h, h->flapHeight, {})) continue;
            put(h, h->flapHeight, {});
            if (h != e->a) ++r.moved;
            placed = true;
            break;
        }
        if (!placed) crowded.push_back(e);
    }
    std::vector<Edge*> narrowless;
    for (Edge* e : crowded) {
        bool placed = false;
        if (!narrow) {
            narrowless.push_back(e);
            continue;
        }
        for (Halfedge* h : {e->a, e->b}) {
            if (!sheetOf(h) || !(h->flapHeight > 0)) continue;
            for (const FlapInsets& insets : narrowedShapes(*h)) {
                if (!fits(h, h->flapHeight, insets)) continue;
                put(h, h->flapHeight, insets);
                if (h != e->a) ++r.moved;
                ++r.narrowed;
                placed = true;
                break;
            }
            if (placed) break;
        }
        if (!placed) narrowless.push_back(e);
    }
    for (Edge* e : narrowless) {
        Halfedge* best = nullptr;
        double bestShare = 0.0, bestHeight = 0.0;
        FlapInsets bestInsets;
        for (Halfedge* h : {e->a, e->b}) {
            if (!sheetOf(h) || !(h->flapHeight > 0)) continue;
            for (const FlapInsets& insets :
                 narrow ? loweredShapes(*h) : std::vector<FlapInsets>{FlapInsets{}}) {
                // A flap that fits at some height fits at every lower one: a shape that does
                // not fit just above the best height so far cannot beat it.
                const double above = (bestShare + 1e-3) * h->flapHeight;
                if (narrow && best && (above >= h->flapHeight || !fits(h, above, insets))) continue;
                const double height = greatestFitting(
                    h->flapHeight, [&](double x) { return fits(h, x, insets); });
                const double share = height / h->flapHeight;
                if (share > bestShare) {
                    best = h;
                    bestShare = share;
                    bestHeight = height;
                    bestInsets = insets;
                }
            }
        }
        if (!best || bestShare < kLeastShare) {
            ++r.dropped;
            continue;
        }
        if (best != e->a) ++r.moved;
        ++r.shortened;
        if (bestInsets.start != kUsualFlapInset || bestInsets.end != kUsualFlapInset) ++r.narrowed;
        if (bestShare < 0.5) ++r.belowHalf;
        best->flapHeight = bestHeight;
        put(best, bestHeight, bestInsets);
    }
    return r;
}

}  // namespace plikatra
