#include "model/model_stats.h"

namespace plikatra {

ModelStats modelStats(const Model& model) {
    ModelStats s;
    s.solids = static_cast<int>(model.solids.size());
    for (const auto& solid : model.solids) {
        s.faces += static_cast<int>(solid->faces.size());
        s.vertices += static_cast<int>(solid->vertices.size());
        s.edges += static_cast<int>(solid->edges.size());
        for (const auto& e : solid->edges)
            if (!e->b) ++s.openEdges;
    }
    s.materials = static_cast<int>(model.materials.size());
    for (const auto& m : model.materials)
        if (m->hasTexture && m->texture) ++s.texturedMaterials;
    return s;
}

}  // namespace plikatra
