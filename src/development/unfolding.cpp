#include "app/options.h"
#include "development/unfolding.h"

#include <chrono>
#include <cmath>
#include <vector>

#include "app/settings.h"
#include "app/ui.h"
#include "development/development.h"
#include "development/layout.h"

namespace plikatra {

namespace {

bool isOpen(const Edge* e) { return e && !e->b; }

Point2 flat(const Halfedge* h) { return {h->flatX, h->flatY}; }

// Lays a face ring flat starting at `start`, whose start and end are p0 and p1: every further
// corner by the triangle rule from the first corner and the corner placed just before.
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

// Side of X against the line U–V.
double cr(const Point2& u, const Point2& v, const Point2& x) {
    return (v.x - u.x) * (x.y - u.y) - (v.y - u.y) * (x.x - u.x);
}

// Proper crossing of P–Q and R–S; touching, collinear and shared ends do not count.
bool segmentsCross(const Point2& p, const Point2& q, const Point2& r, const Point2& s) {
    if (std::max(p.x, q.x) < std::min(r.x, s.x) || std::max(r.x, s.x) < std::min(p.x, q.x))
        return false;
    if (std::max(p.y, q.y) < std::min(r.y, s.y) || std::max(r.y, s.y) < std::min(p.y, q.y))
        return false;
    return cr(p, q, r) * cr(p, q, s) < 0 && cr(r, s, p) * cr(r, s, q) < 0;
}

void resetRejected(Model& model) {
    for (auto& s : model.solids)
        for (auto& e : s->edges) e->rejected = 0;
}

class ProgressAdapter : public UnfoldProgress {
public:
    explicit ProgressAdapter(Progress& p) : progress_(p) {}
    void beforeAttach(const Model& m) override {
        progress_.setPos(m.facesUnfolded);
        progress_.setText("%s  %d/%d", kUnfoldText, m.facesUnfolded, m.totalFacesToUnfold);
        progress_.checkCancel();
    }
    void afterAttach(const Model& m) override {
        ui().status(format("Unfolding:%d/%d", m.facesUnfolded, m.totalFacesToUnfold));
    }

private:
    Progress& progress_;
};

}  // namespace

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

Face* findSeedFace(Solid& solid) {
    const int angleEps = settings().iAngleEps;
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
            } else if (e->foldAngle < angleEps) {
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

Part* startPart(Model& model, Face* seed) {
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
    const double len = first->edge ? first->edge->length : distance3(first->origin->position, first->next->origin->position);
    std::vector<Point2> pts;
    layRing(first, {0.0, 0.0}, {-len, 0.0}, pts);
    storeRing(first, pts);

    auto part = std::make_unique<Part>();
    part->index = static_cast<int>(model.parts.size());
    part->solid = seed->solid;
    part->faces.push_back(seed);
    seed->part = part.get();
    model.parts.push_back(std::move(part));
    Part* p = model.parts.back().get();

    resetRejected(model);
    chooseCandidate(*p);
    return p;
}

void chooseCandidate(Part& part) {
    const int algorithm = settings().iAlgorithmType;
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
        if (fitsWithoutCrossing(part, bestHalfedge->face, *bestHalfedge->edge)) {
            part.nextCandidate = bestHalfedge;
            return;
        }
        bestHalfedge->edge->rejected = -1;
    }
}

void attachFace(Model& model, Part& part, Halfedge* candidate) {
    Halfedge* t = candidate;
    Halfedge* p = t->pair;
    if (!p || p->face->placed) {
        // The candidate's face is not the placed side; take its pair as the old side.
        std::swap(t, p);
    }
    p->twin = t;
    t->twin = p;
    Face* nf = p->face;
    nf->placed = true;
    part.faces.push_back(nf);
    nf->part = &part;
    std::vector<Point2> pts;
    layRing(p, flat(t->next), flat(t), pts);
    storeRing(p, pts);
    model.facesUnfolded += 1;
    chooseCandidate(part);
}

bool fitsWithoutCrossing(const Part& part, const Face* placedFace, const Edge& edge) {
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
    const bool unstrict = settings().bUnStrictEdgeCrossCheck;

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

void ReferenceUnfoldEngine::growParts(Model& model, UnfoldProgress& progress) const {
    for (auto& sp : model.solids) {
        Solid& solid = *sp;
        if (!solid.visible) continue;
        for (;;) {
            Face* seed = findSeedFace(solid);
            if (!seed) break;
            Part* part = startPart(model, seed);
            while (part->nextCandidate) {
                progress.beforeAttach(model);
                attachFace(model, *part, part->nextCandidate);
                progress.afterAttach(model);
            }
        }
    }
}

void joinCoincidentEdges(Model& model) {
    for (auto& pp : model.parts)
        for (Face* f : pp->faces)
            for (auto& hp : f->halfedges) {
                Halfedge* h = hp.get();
                Halfedge* t = h->pair;
                if (!t || h->twin || t->face->part != pp.get()) continue;
                const double d1 = distance2(h->flatX, h->flatY, t->next->flatX, t->next->flatY);
                const double d2 = distance2(h->next->flatX, h->next->flatY, t->flatX, t->flatY);
                if (d1 * model.dMag2d < 0.02 && d2 * model.dMag2d < 0.02) {
                    h->twin = t;
                    t->twin = h;
                }
            }
}

void numberEdges(Model& model) {
    for (auto& s : model.solids)
        for (auto& e : s->edges) e->joinNumber = -1;
    int n = 1;
    for (auto& s : model.solids)
        for (auto& f : s->faces)
            for (auto& h : f->halfedges)
                if (h->edge && h->edge->joinNumber == -1 && h->pair && !h->twin)
                    h->edge->joinNumber = n++;
}

void assignFlapSides(Model& model) {
    for (auto& s : model.solids)
        for (auto& e : s->edges) {
            if (e->joinNumber == -1) continue;
            if (e->a) e->a->hasFlap = true;
            if (e->b) e->b->hasFlap = false;
        }
}

void computeOpenedCuts(Model& model) {
    size_t halfedgeCount = 0;
    for (auto& s : model.solids)
        for (auto& f : s->faces)
            for (auto& h : f->halfedges) {
                h->display = h->origin->position;
                ++halfedgeCount;
            }
    const double offsetLength = 0.1 * model.meanEdgeLength;
    for (auto& s : model.solids) {
        if (!s->visible) continue;
        for (auto& f : s->faces)
            for (auto& ep : f->halfedges) {
                Halfedge* e = ep.get();
                if (!e->prev || e->prev->twin) continue;
                const Point3 v = e->origin->position;
                Point3 sum;
                auto add = [&](const Point3& p) {
                    sum.x += p.x - v.x;
                    sum.y += p.y - v.y;
                    sum.z += p.z - v.z;
                };
                // Twins that do not close around the vertex could cycle; no walk is longer
                // than the number of halfedges.
                size_t guard = 0;
                Halfedge* fh = e->prev;
                Halfedge* o = nullptr;
                for (;;) {
                    add(fh->origin->position);
                    o = fh->next;
                    if (!o->twin || ++guard > halfedgeCount) break;
                    fh = o->twin;
                }
                add(o->next->origin->position);
                const double len = length(sum);
                if (!(len >= 0.00001)) continue;
                const Point3 offset{sum.x / len * offsetLength, sum.y / len * offsetLength,
                                    sum.z / len * offsetLength};
                guard = 0;
                for (Halfedge* h = e->prev; h && guard <= halfedgeCount; ++guard) {
                    Halfedge* g = h->next;
                    g->display.x += offset.x;
                    g->display.y += offset.y;
                    g->display.z += offset.z;
                    h = g->twin;
                }
            }
    }
}

bool createDevelopment(Model& model, const UnfoldEngine& engine, UnfoldTimes* times) {
    Settings& s = settings();
    if (s.bKavimoAllAuto) {
        s.layoutSpacingPercent = 15;
        layoutOptions().mode = kLayoutAuto;
    } else if (!runLayoutDialog(model, false)) {
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    {
        Progress progress(progressFrontEnd(), kUnfoldTitle, true);
        progress.setCaption("Progress");
        int total = 0;
        for (auto& solid : model.solids)
            if (solid->visible) total += static_cast<int>(solid->faces.size());
        model.totalFacesToUnfold = total;
        progress.setRange(0, total);
        progress.setText("%s", kUnfoldText);
        ProgressAdapter adapter(progress);
        try {
            engine.growParts(model, adapter);
        } catch (const CancelledException&) {
            ui().message(kMsgUnfoldCancelled, kAppTitle, MessageIcon::Information);
            return false;
        }
    }
    const auto t1 = Clock::now();
    layoutParts(model, false, false);
    const auto t2 = Clock::now();
    joinCoincidentEdges(model);
    numberEdges(model);
    computeOpenedCuts(model);
    assignFlapSides(model);
    model.bFinished = true;
    computePageGrid(model, pageSetupOf(settings()));
    ui().status("Ready");
    if (times) {
        times->unfoldMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
        times->layoutMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
    }
    return true;
}

bool createDevelopment(Model& model) {
    static const ReferenceUnfoldEngine engine;
    return createDevelopment(model, engine);
}

}  // namespace plikatra
