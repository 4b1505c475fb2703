#include "workfile/work_file_checks.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "base/c_numbers.h"
#include "model/geometry.h"

namespace plikatra {

namespace {

bool finite(double v) { return std::isfinite(v); }

// Positions and sizes on the sheet are in model units, where a model spans 2; far larger
// values are damage, and the editor's and layout's arithmetic on them (squares of sizes,
// positions times a view's pixels per unit) would overflow.
constexpr double kLargestSheetValue = 1e15;
bool onSheet(double v) { return std::fabs(v) <= kLargestSheetValue; }

bool soundCorner(const Halfedge& h, const Face& face) {
    if (h.face != &face || !h.origin || !h.next || !h.prev || h.next->prev != &h) return false;
    if (!onSheet(h.flatX) || !onSheet(h.flatY) || !onSheet(h.flapHeight)) return false;
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

// Unfolding lays every corner of a face at its 3D distance from a corner already on the
// sheet, and edits turn, mirror, move, split or join parts without changing their shapes, so
// no two corners of a part lie further apart than one step per corner, a step being at most
// the part's 3D extent. A corner flung far beyond that is damage; left in, it would make the
// layout fit a development millions of units wide to the page, at a 2D scale too small for
// the file to hold.
bool cornersHangTogether(const Part& part) {
    Point3 lo{kDoubleMax, kDoubleMax, kDoubleMax}, hi{-kDoubleMax, -kDoubleMax, -kDoubleMax};
    double minX = kDoubleMax, minY = kDoubleMax, maxX = -kDoubleMax, maxY = -kDoubleMax;
    std::size_t corners = 0;
    for (const Face* f : part.faces)
        for (const auto& h : f->halfedges) {
            const Point3& p = h->origin->position;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            minX = std::min(minX, h->flatX);
            minY = std::min(minY, h->flatY);
            maxX = std::max(maxX, h->flatX);
            maxY = std::max(maxY, h->flatY);
            ++corners;
        }
    // Twice the bound, and a little for the six decimals positions are stored with.
    const double reach = 2.0 * static_cast<double>(corners) * distance3(lo, hi) + 1e-3;
    return maxX - minX <= reach && maxY - minY <= reach;
}

}  // namespace

bool isSoundWorkFileModel(const Model& model) {
    std::unordered_set<const Part*> parts;
    for (const auto& p : model.parts) {
        if (!p->solid || !onSheet(p->x) || !onSheet(p->y) || !onSheet(p->width) || !onSheet(p->height))
            return false;
        // Unfolding starts every part with a face and editing drops a part it empties; a
        // part of no faces has no size, and laying one out gives it a width of no number.
        if (p->faces.empty()) return false;
        for (const Face* f : p->faces)
            if (!f || f->part != p.get()) return false;
        parts.insert(p.get());
    }
    // The layout measures the model by its bounds (in the units of the file it came from) times
    // its 3D scale, which normalisation made the inverse of half the largest extent; a file
    // with faces always has both.
    bool hasFaces = false;
    for (const auto& s : model.solids) hasFaces = hasFaces || !s->faces.empty();
    if (hasFaces) {
        const double extent = std::max({model.boundsMax.x - model.boundsMin.x,
                                        model.boundsMax.y - model.boundsMin.y,
                                        model.boundsMax.z - model.boundsMin.z});
        if (!finite(extent) || !(std::min({model.boundsMax.x - model.boundsMin.x,
                                           model.boundsMax.y - model.boundsMin.y,
                                           model.boundsMax.z - model.boundsMin.z}) >= 0))
            return false;
        // The development's scale is the 2D scale times this one, and editing divides by it.
        // Saving rounds it to six decimals, and the file must still pass when read again.
        for (const double mag3d : {model.dMag3d, storedWithSixDecimals(model.dMag3d)})
            if (!(mag3d > 0) || !(extent * mag3d <= 4)) return false;
    }
    // Construction takes the bounds from the corners themselves, and normalisation then moves
    // the corners into the cube of half side 1 around the origin, so every corner lies in one
    // box or the other (a file may hold either). A corner far outside both is damage:
    // unfolding it would spread the development wider than any 2D scale the file can store.
    Point3 lo{-1, -1, -1}, hi{1, 1, 1};
    if (hasFaces) {
        lo = {std::min(lo.x, model.boundsMin.x), std::min(lo.y, model.boundsMin.y),
              std::min(lo.z, model.boundsMin.z)};
        hi = {std::max(hi.x, model.boundsMax.x), std::max(hi.y, model.boundsMax.y),
              std::max(hi.z, model.boundsMax.z)};
    }
    // Room for the six decimals both are stored with.
    const double slack =
        1e-5 + 1e-9 * std::max({-lo.x, -lo.y, -lo.z, hi.x, hi.y, hi.z});
    const auto inModel = [&](const Point3& p) {
        return p.x >= lo.x - slack && p.x <= hi.x + slack && p.y >= lo.y - slack &&
               p.y <= hi.y + slack && p.z >= lo.z - slack && p.z <= hi.z + slack;
    };
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
                if (!soundCorner(*h, *f) || !inModel(h->origin->position)) return false;
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
    // Only now is every corner known to have a vertex and a finite flat position.
    for (const auto& p : model.parts)
        if (!cornersHangTogether(*p)) return false;
    for (const auto& t : model.texts)
        if (!onSheet(t->x) || !onSheet(t->y) || !onSheet(t->width) || !onSheet(t->height)) return false;
    // The sheet's extent is not checked: drawing computes it afresh, and an empty development
    // has none that is a number.
    // The layout divides the page by the 2D scale, here and once the file is saved and read
    // again. The parts' margin matters only where there are parts.
    return model.dMag2d > 0 && storedWithSixDecimals(model.dMag2d) > 0 &&
           onSheet(model.dMag2d) && finite(model.dMag3d) &&
           (model.parts.empty() || onSheet(model.dKavimozuMargin));
}

}  // namespace plikatra
