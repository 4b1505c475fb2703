#include "development/flap_sides.h"

namespace plikatra {

void assignFlapSides(Model& model) {
    for (auto& s : model.solids)
        for (auto& e : s->edges) {
            if (e->joinNumber == -1) continue;
            for (Halfedge* h : {e->a, e->b})
                if (h) h->flapInsetStart = h->flapInsetEnd = kUsualFlapInset;
            if (e->a) e->a->hasFlap = true;
            if (e->b) e->b->hasFlap = false;
        }
}

}  // namespace plikatra
