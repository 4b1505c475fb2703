#include "development/editing_hits.h"

#include <cmath>

#include "development/editing_operations.h"

namespace plikatra {

double segmentDistance(Point2 p, Point2 a, Point2 b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::fmax(0.0, std::fmin(1.0, t));
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

Halfedge* hitHalfedge(const Model& model, Point2 p, double pixelsPerUnit, LineFilter filter) {
    Halfedge* best = nullptr;
    double bestDistance = kHitPixels;
    for (const auto& part : model.parts)
        for (Face* f : part->faces)
            for (auto& h : f->halfedges) {
                if (filter == LineFilter::Shown && !h->lineShown) continue;
                if (filter == LineFilter::Hidden && h->lineShown) continue;
                const double d =
                    segmentDistance(p, sheetStart(*h), sheetStart(*h->next)) * pixelsPerUnit;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = h.get();
                }
            }
    return best;
}

Halfedge* hitPoint(const Model& model, Point2 p, double pixelsPerUnit, const Part* only) {
    for (const auto& part : model.parts) {
        if (only && part.get() != only) continue;
        for (Face* f : part->faces)
            for (auto& h : f->halfedges) {
                const Point2 s = sheetStart(*h);
                if (std::hypot(s.x - p.x, s.y - p.y) * pixelsPerUnit < kHitPixels) return h.get();
            }
    }
    return nullptr;
}

bool faceContains(const Face& face, Point2 p) {
    bool allPositive = true, allNegative = true;
    for (const auto& h : face.halfedges) {
        const Point2 a = sheetStart(*h), b = sheetStart(*h->next);
        const double c = sideOf(a, b, p);
        if (c < 0) allPositive = false;
        if (c > 0) allNegative = false;
    }
    return !face.halfedges.empty() && (allPositive || allNegative);
}

Face* hitFace(const Model& model, Point2 p) {
    for (const auto& part : model.parts)
        for (Face* f : part->faces)
            if (faceContains(*f, p)) return f;
    return nullptr;
}

Part* hitPart(const Model& model, Point2 p) {
    Part* last = nullptr;
    int count = 0;
    for (const auto& part : model.parts)
        if (p.x > part->x && p.x < part->x + part->width && p.y > part->y &&
            p.y < part->y + part->height) {
            last = part.get();
            ++count;
        }
    if (count > 1) {
        Face* f = hitFace(model, p);
        if (f && f->part) {
            const Part* fp = f->part;
            if (p.x > fp->x && p.x < fp->x + fp->width && p.y > fp->y && p.y < fp->y + fp->height)
                return f->part;
        }
    }
    return last;
}

TextItem* hitText(const Model& model, Point2 p) {
    const double mag = model.dMag2d;
    for (const auto& t : model.texts)
        if (p.x > t->x && p.x < t->x + t->width / mag && p.y < t->y && p.y > t->y - t->height / mag)
            return t.get();
    return nullptr;
}

}  // namespace plikatra
