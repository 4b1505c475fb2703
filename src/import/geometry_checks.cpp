#include "import/geometry_checks.h"

#include <cmath>

namespace plikatra {

bool hasFiniteGeometry(const Model& model) {
    if (!std::isfinite(model.dMag3d) || !(model.dMag3d > 0.0)) return false;
    for (const auto& s : model.solids)
        for (const auto& v : s->vertices) {
            const Point3& p = v->position;
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        }
    return true;
}

}  // namespace plikatra
