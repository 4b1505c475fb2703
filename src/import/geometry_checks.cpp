#include "import/geometry_checks.h"

#include <cmath>

#include "model/geometry.h"

namespace plikatra {

bool hasUnfoldableGeometry(const Model& model) {
    if (!std::isfinite(model.dMag3d) || !(model.dMag3d > 0.0)) return false;
    for (const auto& s : model.solids) {
        for (const auto& v : s->vertices) {
            const Point3& p = v->position;
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        }
        for (const auto& f : s->faces) {
            const auto& hs = f->halfedges;
            for (std::size_t i = 0; i < hs.size(); ++i)
                if (!(distance3(hs[i]->origin->position, hs[(i + 1) % hs.size()]->origin->position) >=
                      kShortestSide))
                    return false;
        }
    }
    return true;
}

}  // namespace plikatra
