#include "development/part_growing.h"

#include <algorithm>
#include <utility>

namespace plikatra {

namespace {

bool isOpen(const Edge* e) { return e && !e->b; }

Point2 flat(const Halfedge* h) { return {h->flatX, h->flatY}; }

}  // namespace

void resetRejected(Model& model) {
    for (auto& s : model.solids)
        for (auto& e : s->edges) e->rejected = 0;
}

void layRing(const Halfedge* start, Point2 p0, Point2 p1, std::vector<Point2>& out) {
    out.clear();
    out.push_back(p0);
    out.push_back(p1);
    const Vertex* anchor = start->origin;
    const Halfedge* prev = start->next;
    for (const Halfedge* h = prev->next; h != start && h; h = h->next) {
        const Point2 q = placeThirdPoint(out.front(), out.back(),
                                         distance3(anchor->position, prev->origin->position),
                                         distance3(prev->origin->position, h->origin->position),
                                         distance3(anchor->position, h->origin->position));
        out.push_back(q);
        prev = h;
    }
}

void storeRing(Halfedge* start, const std::vector<Point2>& pts) {
    Halfedge* h = start;
    for (const Point2& p : pts) {
        h->flatX = p.x;
        h->flatY = p.y;
        h = h->next;
    }
}

bool segmentsCross(const Point2& p, const Point2& q, const Point2& r, const Point2& s) {
    if (std::max(p.x, q.x) < std::min(r.x, s.x) || std::max(r.x, s.x) < std::min(p.x, q.x))
        return false;
    if (std::max(p.y, q.y) < std::min(r.y, s.y) || std::max(r.y, s.y) < std::min(p.y, q.y))
        return false;
    return sideOf(p, q, r) * sideOf(p, q, s) < 0 && sideOf(r, s, p) * sideOf(r, s, q) < 0;
}

double edgePriority(const Edge& edge, int algorithm) {
    double p;
    switch (algorithm) {
        case 0: p = edge.foldAngle; break;
        case 2: p = edge.length * (edge.foldAngle * 0.1 + 1); break;
        default: p = edge.length; break;
    }
    if (edge.kind == kEdgeKeep) p *= 2;
    return p;
}

Face* findSeedFace(Solid& solid, int flatFoldAngle) {
    Face* cutFace = nullptr;
    double cutLength = 0.0;
    Face* foldFace = nullptr;
    double foldLength = 0.0;
    Face* lastUnplaced = nullptr;
    for (auto& fp : solid.faces) {
        Face* f = fp.get();
        if (f->placed) continue;
        lastUnplaced = f;
        for (auto& h : f->halfedges) {
            const Edge* e = h->edge;
            if (!e) continue;
            if (isOpen(e) || e->kind == kEdgeCut) {
                if (!cutFace || e->length > cutLength) {
                    cutFace = f;
                    cutLength = e->length;
                }
            } else if (e->foldAngle < flatFoldAngle) {
                if (!foldFace || e->length > foldLength) {
                    foldFace = f;
                    foldLength = e->length;
                }
            }
        }
    }
    if (cutFace) return cutFace;
    if (foldFace) return foldFace;
    return lastUnplaced;
}

Part* plantSeed(Model& model, Face* seed) {
    seed->placed = true;
    model.facesUnfolded += 1;

    Halfedge* first = seed->halfedges.front().get();
    for (auto& h : seed->halfedges) {
        const Edge* e = h->edge;
        if (e && (e->kind == kEdgeCut || isOpen(e))) {
            first = h.get();
            break;
        }
        if (e && first->edge && e->foldAngle < first->edge->foldAngle) first = h.get();
    }
    const double len = first->edge ? first->edge->length
                                   : distance3(first->origin->position, first->next->origin->position);
    std::vector<Point2> pts;
    layRing(first, {0.0, 0.0}, {-len, 0.0}, pts);
    storeRing(first, pts);

    auto part = std::make_unique<Part>();
    part->index = static_cast<int>(model.parts.size());
    part->solid = seed->solid;
    part->faces.push_back(seed);
    seed->part = part.get();
    model.parts.push_back(std::move(part));
    return model.parts.back().get();
}

Part* startPart(Model& model, Face* seed, const UnfoldOptions& options) {
    Part* p = plantSeed(model, seed);
    resetRejected(model);
    chooseCandidate(*p, options);
    return p;
}

void chooseCandidate(Part& part, const UnfoldOptions& options) {
    const int algorithm = options.algorithm;
    for (;;) {
        part.nextCandidate = nullptr;
        double best = 0.0;
        Halfedge* bestHalfedge = nullptr;
        for (Face* f : part.faces)
            for (auto& hp : f->halfedges) {
                Halfedge* h = hp.get();
                Edge* e = h->edge;
                if (!e || !e->b || !h->pair || e->kind == kEdgeCut) continue;
                if (h->pair->face->placed || e->rejected == -1) continue;
                const double priority = edgePriority(*e, algorithm);
                if (priority > best) {
                    best = priority;
                    bestHalfedge = h;
                }
            }
        if (!bestHalfedge) return;
        if (fitsWithoutCrossing(part, bestHalfedge->face, *bestHalfedge->edge,
                                options.unstrictCrossCheck)) {
            part.nextCandidate = bestHalfedge;
            return;
        }
        bestHalfedge->edge->rejected = -1;
    }
}

std::pair<Halfedge*, Halfedge*> acrossSides(Halfedge* candidate) {
    Halfedge* t = candidate;
    Halfedge* p = t->pair;
    if (!p || p->face->placed) {
        // The candidate's face is not the placed side; take its pair as the old side.
        std::swap(t, p);
    }
    return {p, t};
}

Face* placeAcross(Model& model, Part& part, Halfedge* candidate, std::vector<Point2>& scratch,
                  bool laidOut) {
    const auto [p, t] = acrossSides(candidate);
    p->twin = t;
    t->twin = p;
    Face* nf = p->face;
    nf->placed = true;
    part.faces.push_back(nf);
    nf->part = &part;
    if (!laidOut) layRing(p, flat(t->next), flat(t), scratch);
    storeRing(p, scratch);
    model.facesUnfolded += 1;
    return nf;
}

void attachFace(Model& model, Part& part, Halfedge* candidate, const UnfoldOptions& options) {
    std::vector<Point2> pts;
    placeAcross(model, part, candidate, pts, false);
    chooseCandidate(part, options);
}

bool fitsWithoutCrossing(const Part& part, const Face* placedFace, const Edge& edge,
                         bool unstrict) {
    const Halfedge* p = edge.a->face == placedFace ? edge.b : edge.a;
    const Halfedge* t = p->pair;
    if (!t) return false;
    std::vector<Point2> pts;
    layRing(p, flat(t->next), flat(t), pts);
    std::vector<const Vertex*> verts;
    for (const Halfedge* h = p;;) {
        verts.push_back(h->origin);
        h = h->next;
        if (h == p || !h) break;
    }

    auto crossesOutline = [&](size_t first, size_t second) {
        const Point2 a = pts[first], n = pts[second];
        for (const Face* f : part.faces) {
            if (f == placedFace) continue;
            for (const auto& hp : f->halfedges) {
                const Halfedge* h = hp.get();
                if (h->twin) continue;
                Point2 r = flat(h), s = flat(h->next);
                if (unstrict) {
                    if (h->origin == verts[first]) r = a;
                    else if (h->origin == verts[second]) r = n;
                    if (h->next->origin == verts[first]) s = a;
                    else if (h->next->origin == verts[second]) s = n;
                }
                if (segmentsCross(a, n, r, s)) return true;
            }
        }
        return false;
    };
    for (size_t k = 2; k < pts.size(); ++k)
        if (crossesOutline(0, k) || crossesOutline(k - 1, k)) return false;
    return true;
}

void ReferenceUnfoldEngine::growParts(Model& model, const UnfoldOptions& options,
                                      UnfoldProgress& progress) const {
    for (auto& sp : model.solids) {
        Solid& solid = *sp;
        if (!solid.visible) continue;
        for (;;) {
            Face* seed = findSeedFace(solid, options.flatFoldAngle);
            if (!seed) break;
            Part* part = startPart(model, seed, options);
            while (part->nextCandidate) {
                progress.beforeAttach(model);
                attachFace(model, *part, part->nextCandidate, options);
                progress.afterAttach(model);
            }
        }
    }
}

}  // namespace plikatra
