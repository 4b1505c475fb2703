#include "model/model_commands.h"

#include "model/construction.h"

namespace plikatra {

namespace {

template <typename F>
void forEachTexCoord(Model& model, F f) {
    for (auto& solid : model.solids)
        for (auto& tc : solid->texCoords) f(*tc);
}

}  // namespace

bool modelCommandsEnabled(const Model* model) { return model && !model->bFinished; }

bool resetEdgeAttributes(Model* model) {
    if (!modelCommandsEnabled(model)) return false;
    for (auto& s : model->solids)
        for (auto& e : s->edges) e->kind = (e->a && e->b) ? kEdgeNormal : kEdgeOpen;
    return true;
}

bool reverseSurfaceDirection(Model* model) {
    if (!modelCommandsEnabled(model)) return false;
    reverseFaces(*model, true);
    return true;
}

bool mirrorModel(Model* model, Axis axis) {
    if (!modelCommandsEnabled(model)) return false;
    auto component = [axis](Point3& p) -> double& {
        return axis == Axis::X ? p.x : axis == Axis::Y ? p.y : p.z;
    };
    for (auto& s : model->solids) {
        for (auto& v : s->vertices) component(v->position) = -component(v->position);
        // Negating the other two components here and all three in reverseFaces leaves the
        // normal mirrored along the axis.
        for (auto& f : s->faces) {
            const double keep = component(f->normal);
            f->normal = {-f->normal.x, -f->normal.y, -f->normal.z};
            component(f->normal) = keep;
        }
    }
    reverseFaces(*model, false);
    return true;
}

bool reverseTextureUCoordinate(Model* model) {
    if (!modelCommandsEnabled(model)) return false;
    forEachTexCoord(*model, [](TexCoord& tc) { tc.u = 1.0 - tc.u; });
    return true;
}

bool reverseTextureVCoordinate(Model* model) {
    if (!modelCommandsEnabled(model)) return false;
    forEachTexCoord(*model, [](TexCoord& tc) { tc.v = 1.0 - tc.v; });
    return true;
}

bool joinAdjacentIsolatedEdges(Model* model) {
    if (!modelCommandsEnabled(model)) return false;
    joinOpenEdges(*model);
    return true;
}

bool canMarkEdge(const Edge& edge, bool cullFlatFolds, int flatFoldAngle) {
    if (!edge.a || !edge.b) return false;
    return !(cullFlatFolds && edge.foldAngle > flatFoldAngle);
}

bool toggleEdgeMark(Edge& edge, int mode, bool cullFlatFolds, int flatFoldAngle) {
    if (!canMarkEdge(edge, cullFlatFolds, flatFoldAngle)) return false;
    const int mark = mode == kModelEditCut ? kEdgeCut : mode == kModelEditKeep ? kEdgeKeep : -1;
    if (mark < 0) return false;
    edge.kind = edge.kind == mark ? kEdgeNormal : mark;
    return true;
}

}  // namespace plikatra
