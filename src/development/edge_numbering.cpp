#include "development/edge_numbering.h"

namespace plikatra {

void numberEdges(Model& model) {
    for (auto& s : model.solids)
        for (auto& e : s->edges) e->joinNumber = -1;
    int n = 1;
    for (auto& s : model.solids)
        for (auto& f : s->faces)
            for (auto& h : f->halfedges)
                if (h->edge && h->edge->joinNumber == -1 && h->pair && !h->twin)
                    h->edge->joinNumber = n++;
}

}  // namespace plikatra
