#include "development/coincident_edges.h"

namespace plikatra {

void joinCoincidentEdges(Model& model) {
    for (auto& pp : model.parts)
        for (Face* f : pp->faces)
            for (auto& hp : f->halfedges) {
                Halfedge* h = hp.get();
                Halfedge* t = h->pair;
                if (!t || h->twin || t->face->part != pp.get()) continue;
                const double d1 = distance2(h->flatX, h->flatY, t->next->flatX, t->next->flatY);
                const double d2 = distance2(h->next->flatX, h->next->flatY, t->flatX, t->flatY);
                if (d1 * model.dMag2d < 0.02 && d2 * model.dMag2d < 0.02) {
                    h->twin = t;
                    t->twin = h;
                }
            }
}

}  // namespace plikatra
