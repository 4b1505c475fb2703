#include "views/model_picking.h"

#include <algorithm>

namespace plikatra {

namespace {

bool hoverable(const Edge* e, bool cullEdge, int angleEps) {
    if (!e || !e->a || !e->b) return false;
    return !cullEdge || e->foldAngle <= angleEps;
}

}  // namespace

Edge* pickEdge(const Model& model, const ModelCamera& camera, int mx, int my, bool cullEdge,
               int angleEps) {
    // Projected positions count y from the bottom of the client area.
    const double cx = mx, cy = camera.height() - my;
    Edge* best = nullptr;
    double bestDepth = 0.0;
    for (const auto& solid : model.solids) {
        if (!solid->visible) continue;
        for (const auto& face : solid->faces)
            for (const auto& h : face->halfedges) {
                if (!h->next || !h->origin || !h->next->origin) continue;
                if (!hoverable(h->edge, cullEdge, angleEps)) continue;
                const Point3 p0 = camera.project(h->origin->position);
                const Point3 p1 = camera.project(h->next->origin->position);
                const double vx = p1.x - p0.x, vy = p1.y - p0.y;
                const double ll = vx * vx + vy * vy;
                const double t = ll > 0.0 ? ((cx - p0.x) * vx + (cy - p0.y) * vy) / ll : 0.0;
                const double tc = std::clamp(t, 0.0, 1.0);
                const double dx = p0.x + tc * vx - cx, dy = p0.y + tc * vy - cy;
                if (!(dx * dx + dy * dy < kEdgeHoverPixels * kEdgeHoverPixels)) continue;
                // Depth along the infinite line, so that a near end counts as near.
                const double depth = (1 - t) * p0.z + t * p1.z;
                if (!best || depth < bestDepth) {
                    best = h->edge;
                    bestDepth = depth;
                }
            }
    }
    return best;
}

Face* pickFace(const Model& model, const ModelCamera& camera, int mx, int my) {
    const double cx = mx, cy = camera.height() - my;
    Face* best = nullptr;
    double bestDepth = 0.0;
    std::vector<Point3> ring;
    for (const auto& solid : model.solids)
        for (const auto& face : solid->faces) {
            const auto& hs = face->halfedges;
            if (hs.size() < 3) continue;
            ring.clear();
            for (const auto& h : hs) ring.push_back(camera.project(h->origin->position));
            bool allNonNegative = true, allNegative = true;
            for (size_t i = 0; i < ring.size(); ++i) {
                const Point3& s = ring[i];
                const Point3& e = ring[(i + 1) % ring.size()];
                const double c = (e.x - s.x) * (cy - s.y) - (e.y - s.y) * (cx - s.x);
                if (c >= 0) allNegative = false;
                else allNonNegative = false;
            }
            if (!allNonNegative && !allNegative) continue;
            const double depth = camera.project(face->center).z;
            if (!best || depth < bestDepth) {
                best = face.get();
                bestDepth = depth;
            }
        }
    return best;
}

}  // namespace plikatra
