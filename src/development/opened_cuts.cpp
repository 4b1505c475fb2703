#include "development/opened_cuts.h"

#include <cstddef>

namespace plikatra {

void computeOpenedCuts(Model& model) {
    size_t halfedgeCount = 0;
    for (auto& s : model.solids)
        for (auto& f : s->faces)
            for (auto& h : f->halfedges) {
                h->display = DisplayOffset{};
                ++halfedgeCount;
            }
    const double offsetLength = 0.1 * model.meanEdgeLength;
    for (auto& s : model.solids) {
        if (!s->visible) continue;
        for (auto& f : s->faces)
            for (auto& ep : f->halfedges) {
                Halfedge* e = ep.get();
                if (!e->prev || e->prev->twin) continue;
                const Point3 v = e->origin->position;
                Point3 sum;
                auto add = [&](const Point3& p) {
                    sum.x += p.x - v.x;
                    sum.y += p.y - v.y;
                    sum.z += p.z - v.z;
                };
                // Twins that do not close around the vertex could cycle; no walk is longer
                // than the number of halfedges.
                size_t guard = 0;
                Halfedge* fh = e->prev;
                Halfedge* o = nullptr;
                for (;;) {
                    add(fh->origin->position);
                    o = fh->next;
                    if (!o->twin || ++guard > halfedgeCount) break;
                    fh = o->twin;
                }
                add(o->next->origin->position);
                const double len = length(sum);
                if (!(len >= 0.00001)) continue;
                const Point3 offset{sum.x / len * offsetLength, sum.y / len * offsetLength,
                                    sum.z / len * offsetLength};
                guard = 0;
                for (Halfedge* h = e->prev; h && guard <= halfedgeCount; ++guard) {
                    Halfedge* g = h->next;
                    g->display.x += static_cast<float>(offset.x);
                    g->display.y += static_cast<float>(offset.y);
                    g->display.z += static_cast<float>(offset.z);
                    h = g->twin;
                }
            }
    }
}

}  // namespace plikatra
