#include "development/flap_placement.h"

#include <memory>
#include <unordered_map>
#include <vector>

#include "development/flap_sheet.h"
#include "development/flap_sides.h"

namespace plikatra {

namespace {

// A flap lower than this share of its height is no flap worth gluing.
constexpr double kLeastShare = 0.05;

}  // namespace

FlapPlacementReport placeFittingFlaps(Model& model, bool flapReverse) {
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
            if (e->a) e->a->hasFlap = false;
            if (e->b) e->b->hasFlap = false;
            numbered.push_back(e.get());
        }
    auto put = [&](Halfedge* h, double height) {
        FlapSheet* sheet = sheetOf(h);
        sheet->addFlap(h, sheet->outlineAt(*h, height));
        h->hasFlap = true;
        ++r.flaps;
    };

    // First every flap that fits at its full height on one side or the other; then the rest,
    // lowered, so that a flap that must give way does not crowd out one that fits whole.
    std::vector<Edge*> crowded;
    for (Edge* e : numbered) {
        bool placed = false;
        for (Halfedge* h : {e->a, e->b}) {
            FlapSheet* sheet = sheetOf(h);
            if (!sheet || !(h->flapHeight > 0)) continue;
            if (sheet->faultsOfNew(*h, sheet->outlineAt(*h, h->flapHeight))) continue;
            put(h, h->flapHeight);
            if (h != e->a) ++r.moved;
            placed = true;
            break;
        }
        if (!placed) crowded.push_back(e);
    }
    for (Edge* e : crowded) {
        Halfedge* best = nullptr;
        double bestShare = 0.0, bestHeight = 0.0;
        for (Halfedge* h : {e->a, e->b}) {
            FlapSheet* sheet = sheetOf(h);
            if (!sheet || !(h->flapHeight > 0)) continue;
            const double height = greatestFitting(h->flapHeight, [&](double x) {
                return !sheet->faultsOfNew(*h, sheet->outlineAt(*h, x));
            });
            const double share = height / h->flapHeight;
            if (share > bestShare) {
                best = h;
                bestShare = share;
                bestHeight = height;
            }
        }
        if (!best || bestShare < kLeastShare) {
            ++r.dropped;
            continue;
        }
        if (best != e->a) ++r.moved;
        ++r.shortened;
        if (bestShare < 0.5) ++r.belowHalf;
        best->flapHeight = bestHeight;
        put(best, bestHeight);
    }
    return r;
}

}  // namespace plikatra
