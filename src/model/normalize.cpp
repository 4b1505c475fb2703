#include "model/normalize.h"

#include <algorithm>

#include "model/construction.h"

namespace plikatra {

void normalizeModel(Model& model) {
    const Point3& mx = model.boundsMax;
    const Point3& mn = model.boundsMin;
    const double h = std::max({(mx.y - mn.y) / 2, (mx.z - mn.z) / 2, (mx.x - mn.x) / 2});
    const Point3 mid{(mx.x + mn.x) / 2, (mx.y + mn.y) / 2, (mx.z + mn.z) / 2};
    for (auto& s : model.solids)
        for (auto& v : s->vertices) {
            Point3& p = v->position;
            p = {(p.x - mid.x) / h, (p.y - mid.y) / h, (p.z - mid.z) / h};
        }
    for (auto& s : model.solids)
        for (auto& f : s->faces)
            if (!f->halfedges.empty()) computeCenter(*f);
    model.dMag3d = 1 / h;
}

}  // namespace plikatra
