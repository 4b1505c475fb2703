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

bool readsAsAnotherNumberTurned(int n) {
    if (n <= 0 || n % 10 == 0) return false;  // negative, or its turned form starts with 0
    long long turned = 0;
    for (int rest = n; rest > 0; rest /= 10) {
        int digit = rest % 10;
        switch (digit) {
            case 0: case 1: case 8: break;
            case 6: digit = 9; break;
            case 9: digit = 6; break;
            default: return false;
        }
        turned = turned * 10 + digit;  // as many digits as n: fits a long long
    }
    return turned != n;
}

}  // namespace plikatra
