#include "workfile/work_file_checks.h"

#include <cmath>
#include <unordered_set>

namespace plikatra {

namespace {

bool finite(double v) { return std::isfinite(v); }

bool soundCorner(const Halfedge& h, const Face& face) {
    if (h.face != &face || !h.origin || !h.next || !h.prev || h.next->prev != &h) return false;
    if (!finite(h.flatX) || !finite(h.flatY) || !finite(h.flapHeight)) return false;
    const Edge* e = h.edge;
    if (!e || (e->a != &h && e->b != &h)) return false;
    if (h.pair) {
        const Halfedge& p = *h.pair;
        if (&p == &h || p.pair != &h || p.edge != e) return false;
    }
    if (h.twin) {
        if (h.twin != h.pair || h.twin->twin != &h) return false;
        if (!face.part || h.twin->face->part != face.part) return false;
    }
    return true;
}

}  // namespace

bool isSoundWorkFileModel(const Model& model) {
    std::unordered_set<const Part*> parts;
    for (const auto& p : model.parts) {
        if (!p->solid || !finite(p->x) || !finite(p->y) || !finite(p->width) || !finite(p->height))
            return false;
        for (const Face* f : p->faces)
            if (!f || f->part != p.get()) return false;
        parts.insert(p.get());
    }
    // The layout measures the model by its bounds, which a file with faces always has.
    bool hasFaces = false;
    for (const auto& s : model.solids) hasFaces = hasFaces || !s->faces.empty();
    for (const double extent : {model.boundsMax.x - model.boundsMin.x, model.boundsMax.y - model.boundsMin.y,
                                model.boundsMax.z - model.boundsMin.z})
        if (hasFaces && (!finite(extent) || extent < 0)) return false;
    std::size_t facesInParts = 0;
    for (const auto& s : model.solids) {
        for (const auto& v : s->vertices)
            if (!finite(v->position.x) || !finite(v->position.y) || !finite(v->position.z)) return false;
        for (const auto& f : s->faces) {
            if (f->solid != s.get() || f->halfedges.size() < 3) return false;
            if (f->part) {
                if (!parts.count(f->part) || f->part->solid != s.get()) return false;
                ++facesInParts;
            }
            for (const auto& h : f->halfedges)
                if (!soundCorner(*h, *f)) return false;
            // The ring closes after exactly the face's corners.
            const Halfedge* h = f->halfedges.front().get();
            for (std::size_t i = 0; i < f->halfedges.size(); ++i) h = h->next;
            if (h != f->halfedges.front().get()) return false;
        }
        // An edge may have lost both halfedges, but never only its first.
        for (const auto& e : s->edges)
            if (e->b && !e->a) return false;
    }
    // Each listed face names its part (checked above), so equal totals mean no face is listed
    // twice or left out.
    std::size_t listed = 0;
    for (const auto& p : model.parts) listed += p->faces.size();
    if (listed != facesInParts) return false;
    for (const auto& t : model.texts)
        if (!finite(t->x) || !finite(t->y) || !finite(t->width) || !finite(t->height)) return false;
    return finite(model.dMag2d) && finite(model.dMag3d) && finite(model.dKavimozuX) &&
           finite(model.dKavimozuY) && finite(model.dKavimozuWidth) &&
           finite(model.dKavimozuHeight) && finite(model.dKavimozuMargin);
}

}  // namespace plikatra
