#include "development/editing_operations.h"

#include <algorithm>
#include <cmath>

#include "development/development.h"
#include "development/edge_numbering.h"
#include "development/opened_cuts.h"

namespace plikatra {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
// Sides of an edge closer than this on paper (centimetres) count as one.
constexpr double kCoincidentCm = 0.02;

Point2 flat(const Halfedge* h) { return {h->flatX, h->flatY}; }

template <class F>
void forEachCorner(Part& part, F f) {
    for (Face* face : part.faces)
        for (auto& h : face->halfedges) f(*h);
}

void renumber(Model& model) {
    numberEdges(model);
    computeOpenedCuts(model);
}

// Rotation by `a` about the origin, in the sheet's (x, y) axes.
Point2 rotated(double a, double dx, double dy) {
    const double c = std::cos(a), s = std::sin(a);
    return {c * dx - s * dy, c * dy + s * dx};
}

// Makes `g` and its model twin development twins when both lie in the same part and meet on
// paper, as the unfolding's closing step does; both lose their flaps.
void joinIfCoincident(Halfedge& g, double mag2d) {
    Halfedge* t = g.pair;
    if (!t || g.twin || t->face->part != g.face->part) return;
    const double d1 = distance2(g.flatX, g.flatY, t->next->flatX, t->next->flatY);
    const double d2 = distance2(g.next->flatX, g.next->flatY, t->flatX, t->flatY);
    if (d1 * mag2d < kCoincidentCm && d2 * mag2d < kCoincidentCm) {
        g.twin = t;
        t->twin = &g;
        g.hasFlap = false;
        t->hasFlap = false;
    }
}

}  // namespace

Point2 sheetStart(const Halfedge& h) {
    const Part* p = h.face ? h.face->part : nullptr;
    if (!p) return flat(&h);
    return {p->x + h.flatX, p->y + h.flatY};
}

void renormalizePart(Part& part, double margin) {
    double minX = kDoubleMax, minY = kDoubleMax, maxX = -kDoubleMax, maxY = -kDoubleMax;
    forEachCorner(part, [&](Halfedge& h) {
        minX = std::min(minX, h.flatX);
        minY = std::min(minY, h.flatY);
        maxX = std::max(maxX, h.flatX);
        maxY = std::max(maxY, h.flatY);
    });
    if (minX > maxX) return;  // no corners: nothing to frame
    part.width = maxX - minX + 2 * margin;
    part.height = maxY - minY + 2 * margin;
    const double ox = minX - margin, oy = minY - margin;
    forEachCorner(part, [&](Halfedge& h) {
        h.flatX -= ox;
        h.flatY -= oy;
    });
    part.x += ox;
    part.y += oy;
}

double snapRotationAngle(double degrees) { return std::round(degrees / 5.0) * 5.0; }

double rotationTarget(Point2 centre, Point2 cursor) {
    return snapRotationAngle(std::atan2(cursor.x - centre.x, cursor.y - centre.y) * kDegreesPerRadian);
}

Point2 rotatedAbout(Point2 centre, Point2 reference, double targetDegrees, Point2 p) {
    const double a =
        std::atan2(reference.x - centre.x, reference.y - centre.y) - targetDegrees / kDegreesPerRadian;
    const Point2 d = rotated(a, p.x - centre.x, p.y - centre.y);
    return {centre.x + d.x, centre.y + d.y};
}

void rotatePart(Model& model, Part& part, Point2 centre, Point2 reference, double targetDegrees) {
    const double a =
        std::atan2(reference.x - centre.x, reference.y - centre.y) - targetDegrees / kDegreesPerRadian;
    const double cx = centre.x - part.x, cy = centre.y - part.y;
    forEachCorner(part, [&](Halfedge& h) {
        const Point2 d = rotated(a, h.flatX - cx, h.flatY - cy);
        h.flatX = cx + d.x;
        h.flatY = cy + d.y;
    });
    renormalizePart(part, model.dKavimozuMargin);
}

void toggleEdgeLine(Halfedge& h) {
    h.lineShown = !h.lineShown;
    if (h.twin) h.twin->lineShown = h.lineShown;
}

void moveFlapToOppositeSide(Halfedge& h) {
    h.hasFlap = !h.hasFlap;
    if (h.pair) h.pair->hasFlap = !h.pair->hasFlap;
}

void resizeFlap(Halfedge& h, int millimetres) {
    h.flapHeight = millimetres * 0.1;
}

bool setFlapStyle(Halfedge& h, int style) {
    if (!h.edge || style < -1 || style >= kFlapStyleCount) return false;
    h.edge->flapStyle = static_cast<std::int8_t>(style);
    return true;
}

void createFlap(Halfedge& h, bool convex) {
    h.hasFlap = true;
    h.edge->mountain = convex;
}

void deleteFlap(Halfedge& h) {
    h.hasFlap = false;
}

bool canCutAt(const Halfedge& h, const LineRules& rules) {
    if (!h.twin || !h.lineShown || !h.face || !h.face->part) return false;
    return !(rules.cullFlatFolds && h.edge && h.edge->foldAngle > rules.flatFoldAngle);
}

bool cutPart(Model& model, Halfedge& h, const LineRules& rules) {
    if (!canCutAt(h, rules)) return false;
    Part* part = h.face->part;

    Halfedge* t = h.twin;
    h.twin = nullptr;
    t->twin = nullptr;
    h.hasFlap = true;

    std::unordered_set<Face*> reached{h.face};
    std::vector<Face*> stack{h.face};
    while (!stack.empty()) {
        Face* f = stack.back();
        stack.pop_back();
        for (auto& g : f->halfedges)
            if (g->twin && reached.insert(g->twin->face).second) stack.push_back(g->twin->face);
    }
    if (reached.size() < part->faces.size()) {
        // The direction of the cut, taken before anything moves.
        const Point2 a = flat(&h), b = flat(h.next);
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        const Point2 u = len > 0 ? Point2{(b.x - a.x) / len, (b.y - a.y) / len} : Point2{1, 0};
        const Point2 n{-u.y, u.x};

        auto fresh = std::make_unique<Part>();
        Part* other = fresh.get();
        other->index = -1;
        other->solid = part->solid;
        other->x = part->x;
        other->y = part->y;
        std::vector<Face*> kept;
        for (Face* f : part->faces) {
            if (reached.count(f)) {
                kept.push_back(f);
            } else {
                other->faces.push_back(f);
                f->part = other;
            }
        }
        part->faces = std::move(kept);
        model.parts.push_back(std::move(fresh));
        const double margin = model.dKavimozuMargin;
        renormalizePart(*part, margin);
        renormalizePart(*other, margin);
        const double m = model.bReverse ? -margin : margin;
        part->x -= m * n.x;
        part->y -= m * n.y;
        other->x += m * n.x;
        other->y += m * n.y;
    }
    renumber(model);
    return true;
}

bool canJoinAt(const Halfedge& h) {
    return h.pair && !h.twin && h.face && h.face->part && h.pair->face && h.pair->face->part &&
           h.pair->face != h.face;
}

bool joinSurface(Model& model, Halfedge& e) {
    if (!canJoinAt(e)) return false;
    Halfedge* f = e.pair;
    Part* ep = e.face->part;
    Part* fp = f->face->part;

    const Point2 E = flat(&e), E2 = flat(e.next);
    const Point2 F = flat(f), F2 = flat(f->next);
    const double a = std::atan2(F.x - F2.x, F.y - F2.y) - std::atan2(E2.x - E.x, E2.y - E.y);
    auto place = [&](Halfedge& h) {
        const Point2 d = rotated(a, h.flatX - F2.x, h.flatY - F2.y);
        h.flatX = E.x + d.x;
        h.flatY = E.y + d.y;
    };

    if (fp != ep) {
        forEachCorner(*fp, place);
        for (Face* face : fp->faces) {
            ep->faces.push_back(face);
            face->part = ep;
        }
        fp->faces.clear();
        auto it = std::find_if(model.parts.begin(), model.parts.end(),
                               [&](const auto& p) { return p.get() == fp; });
        model.parts.erase(it);
        e.twin = f;
        f->twin = &e;
        e.hasFlap = f->hasFlap = false;
        forEachCorner(*ep, [&](Halfedge& g) { joinIfCoincident(g, model.dMag2d); });
    } else {
        for (auto& g : f->face->halfedges) place(*g);
        e.twin = f;
        f->twin = &e;
        e.hasFlap = f->hasFlap = false;
        // The face left its neighbours behind: its other folds become cuts, flapped on its side.
        for (auto& g : f->face->halfedges) {
            if (g.get() == f || !g->twin) continue;
            g->twin->twin = nullptr;
            g->twin = nullptr;
            g->hasFlap = true;
        }
        for (auto& g : f->face->halfedges) joinIfCoincident(*g, model.dMag2d);
    }
    renormalizePart(*ep, model.dKavimozuMargin);
    renumber(model);
    return true;
}

std::unordered_set<const Face*> correspondingFaces(const Face& face, const LineRules& rules) {
    std::unordered_set<const Face*> out{&face};
    std::vector<const Face*> stack{&face};
    while (!stack.empty()) {
        const Face* f = stack.back();
        stack.pop_back();
        for (const auto& g : f->halfedges) {
            if (!g->twin) continue;
            const bool culled =
                rules.cullFlatFolds && g->edge && g->edge->foldAngle > rules.flatFoldAngle;
            if ((culled || !g->lineShown) && out.insert(g->twin->face).second)
                stack.push_back(g->twin->face);
        }
    }
    return out;
}

void mirrorDevelopment(Model& model, const PageSetup& page) {
    computeSheetExtent(model);
    for (auto& p : model.parts) {
        p->x = model.dKavimozuWidth - p->width - p->x;
        forEachCorner(*p, [&](Halfedge& h) { h.flatX = p->width - h.flatX; });
    }
    model.bReverse = !model.bReverse;
    computeSheetExtent(model);
    computePageGrid(model, page);
}

void setDevelopmentScale(Model& model, double scale, const PageSetup& page) {
    model.dMag2d = scale / model.dMag3d;
    computeSheetExtent(model);
    computePageGrid(model, page);
}

namespace {
bool scaleBy(Model& model, bool up, const PageSetup& page) {
    computeSheetExtent(model);
    const double current = model.dMag2d * model.dMag3d;
    const double scale = up ? current * 1.1 : current / 1.1;
    const double size = scale / model.dMag3d * model.dKavimozuHeight;
    if (up ? size > 500 : (size < 1 || scale / model.dMag3d < kSmallestStoredScale)) return false;
    setDevelopmentScale(model, scale, page);
    return true;
}
}  // namespace

bool scaleDevelopmentUp(Model& model, const PageSetup& page) { return scaleBy(model, true, page); }
bool scaleDevelopmentDown(Model& model, const PageSetup& page) { return scaleBy(model, false, page); }

double snapToTextGrid(double coordinate, double mag2d, int gridMm) {
    if (gridMm <= 0 || !(mag2d > 0)) return coordinate;
    const double mm = coordinate * mag2d * 10;
    const double snapped = std::floor(mm / gridMm + 0.5) * gridMm;
    return snapped / (mag2d * 10);
}

}  // namespace plikatra
