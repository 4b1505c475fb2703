#include "model/construction.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <unordered_map>
#include <utility>

#include "app/ui.h"

namespace plikatra {

namespace {

// Two corners coincide when they share the vertex or lie at distance exactly 0 (or a
// distance that is not a number).
bool sameCorner(const Halfedge& a, const Halfedge& b) {
    if (a.origin == b.origin) return true;
    const double d = distance3(a.origin->position, b.origin->position);
    return d == 0.0 || std::isnan(d);
}

void computeCenter(Face& face) {
    Point3 sum;
    for (const auto& h : face.halfedges) {
        sum.x += h->origin->position.x;
        sum.y += h->origin->position.y;
        sum.z += h->origin->position.z;
    }
    const double n = static_cast<double>(face.halfedges.size());
    face.center = {sum.x / n, sum.y / n, sum.z / n};
}

Point3 normalized(const Point3& p) {
    const double l = length(p);
    return {p.x / l, p.y / l, p.z / l};
}

std::uint64_t pairKey(std::uint32_t p, std::uint32_t q) {
    return (static_cast<std::uint64_t>(p) << 32) | q;
}

// Positions of the solid's vertices in its vertex array, keyed by identity.
std::unordered_map<const Vertex*, std::uint32_t> vertexPositions(const Solid& solid) {
    std::unordered_map<const Vertex*, std::uint32_t> pos;
    pos.reserve(solid.vertices.size() * 2);
    for (std::uint32_t i = 0; i < solid.vertices.size(); ++i) pos.emplace(solid.vertices[i].get(), i);
    return pos;
}

std::unique_ptr<Edge> newEdge(Halfedge* a, Halfedge* b, Vertex* va, Vertex* vb) {
    auto e = std::make_unique<Edge>();
    e->a = a;
    e->b = b;
    e->va = va;
    e->vb = vb;
    return e;
}

}  // namespace

void cleanFace(Face& face) {
    auto& hs = face.halfedges;
    const size_t n = hs.size();
    std::vector<char> marked(n, 0);
    for (size_t i = 1; i < n; ++i)
        if (sameCorner(*hs[i], *hs[i - 1])) marked[i] = 1;
    size_t w = 0;
    for (size_t i = 0; i < n; ++i)
        if (!marked[i]) hs[w++] = std::move(hs[i]);
    hs.resize(w);
    if (hs.size() > 2 && sameCorner(*hs.back(), *hs.front())) hs.pop_back();
    if (hs.size() > 2) {
        const size_t m = hs.size();
        for (size_t i = 0; i < m; ++i) {
            hs[i]->next = hs[(i + 1) % m].get();
            hs[i]->prev = hs[(i + m - 1) % m].get();
        }
        computeCenter(face);
    }
}

void facePlane(Face& face) {
    if (face.halfedges.size() < 3) return;
    const Point3& a = face.halfedges[0]->origin->position;
    const Point3& b = face.halfedges[1]->origin->position;
    const Point3& c = face.halfedges[2]->origin->position;
    const Point3 n = normalized(cross(sub(a, b), sub(b, c)));
    face.normal = n;
    face.planeD = -dot(n, a);
}

double faceArea(const Face& face) {
    const auto& hs = face.halfedges;
    double area = 0.0;
    if (hs.empty()) return area;
    const Point3& first = hs[0]->origin->position;
    for (size_t i = 1; i + 1 < hs.size(); ++i) {
        const Point3& p = hs[i]->origin->position;
        const Point3& q = hs[i + 1]->origin->position;
        area += triangleArea(distance3(first, p), distance3(p, q), distance3(q, first));
    }
    return area;
}

bool finishSolids(Model& model, double threshold) {
    model.faceCount = 0;
    for (size_t si = 0; si < model.solids.size();) {
        Solid& solid = *model.solids[si];
        std::vector<std::unique_ptr<Face>> kept;
        kept.reserve(solid.faces.size());
        for (auto& f : solid.faces) {
            cleanFace(*f);
            if (f->halfedges.size() < 3) continue;
            if (!(faceArea(*f) >= threshold)) continue;
            kept.push_back(std::move(f));
        }
        solid.faces = std::move(kept);
        for (auto& f : solid.faces) {
            for (const auto& h : f->halfedges) {
                const Point3& p = h->origin->position;
                model.boundsMax.x = std::max(model.boundsMax.x, p.x);
                model.boundsMax.y = std::max(model.boundsMax.y, p.y);
                model.boundsMax.z = std::max(model.boundsMax.z, p.z);
                model.boundsMin.x = std::min(model.boundsMin.x, p.x);
                model.boundsMin.y = std::min(model.boundsMin.y, p.y);
                model.boundsMin.z = std::min(model.boundsMin.z, p.z);
            }
            facePlane(*f);
            f->index = model.faceCount++;
        }
        if (solid.faces.empty()) {
            model.solids.erase(model.solids.begin() + static_cast<std::ptrdiff_t>(si));
            continue;
        }
        pairHalfedges(solid);
        ++si;
    }
    return model.faceCount != 0;
}

void pairHalfedges(Solid& solid) {
    const auto pos = vertexPositions(solid);
    auto position = [&](const Vertex* v) -> std::uint32_t {
        auto it = pos.find(v);
        // A corner whose vertex is not in the array sorts after every listed vertex.
        return it == pos.end() ? 0xFFFFFFFFu : it->second;
    };
    std::unordered_map<std::uint64_t, std::vector<Halfedge*>> map;
    map.reserve(solid.faces.size() * 8);
    for (auto& f : solid.faces) {
        for (auto& hp : f->halfedges) {
            Halfedge* h = hp.get();
            if (!h->next) continue;
            Vertex* p = h->origin;
            Vertex* q = h->next->origin;
            const std::uint64_t pq = pairKey(position(p), position(q));
            auto& mine = map[pq];
            if (!mine.empty())
                std::cerr << "Warning: the halfedge between vertex(" << formatPoint(p->position)
                          << ") and vertex (" << formatPoint(q->position)
                          << " have been already defined.\n";
            mine.push_back(h);
            auto it = map.find(pairKey(position(q), position(p)));
            if (it == map.end() || it->second.empty() || it->second.front() == nullptr) continue;
            auto& theirs = it->second;
            Halfedge* c = theirs.front();
            h->pair = c;
            c->pair = h;
            solid.edges.push_back(newEdge(h, c, h->origin, c->origin));
            h->edge = c->edge = solid.edges.back().get();
            theirs.front() = nullptr;
            mine.front() = nullptr;
            if (theirs.size() > 1) std::cerr << "Warning: two or more halfedges are assigned "
                                             << "to one halfedge" << std::endl;
        }
    }
    std::vector<std::pair<std::uint64_t, const std::vector<Halfedge*>*>> open;
    for (const auto& [key, list] : map)
        for (Halfedge* h : list)
            if (h) {
                open.emplace_back(key, &list);
                break;
            }
    std::sort(open.begin(), open.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : open)
        for (Halfedge* h : *entry.second) {
            if (!h) continue;
            solid.edges.push_back(newEdge(h, nullptr, h->origin, h->next->origin));
            h->edge = solid.edges.back().get();
        }
}

void foldData(Edge& edge) {
    const Point3& nA = edge.a->face->normal;
    const Point3& nB = edge.b->face->normal;
    const Point3 nAxB = cross(nA, nB);
    const Point3 axis = normalized(nAxB);
    const Point3 dir = normalized(sub(edge.vb->position, edge.va->position));
    const double angle = std::atan2(length(cross(axis, dir)), dot(axis, dir));
    // Written so that a non-number (coplanar faces have no axis) gives a mountain fold.
    edge.mountain = !(std::fabs(angle) >= 1.570796326794895);
    edge.foldAngle = 180.0 - std::fabs(std::atan2(length(nAxB), dot(nA, nB))) * 57.29577951308238;
}

void computeSolidEdgeMetrics(Solid& solid) {
    double sum = 0.0;
    for (auto& e : solid.edges) {
        if (e->va && e->vb) e->length = distance3(e->va->position, e->vb->position);
        if (e->a && e->b)
            foldData(*e);
        else
            e->kind = kEdgeOpen;
        sum += e->length;
    }
    // A solid without edges (possible in a work file) has no mean rather than 0/0.
    solid.meanEdgeLength = solid.edges.empty() ? 0.0 : sum / static_cast<double>(solid.edges.size());
}

void computeEdgeMetrics(Model& model) {
    double sum = 0.0;
    for (auto& s : model.solids) {
        computeSolidEdgeMetrics(*s);
        sum += s->meanEdgeLength;
    }
    model.meanEdgeLength = model.solids.empty() ? 0.0 : sum / static_cast<double>(model.solids.size());
}

void removeZeroAreaFaces(Model& model, double threshold) {
    for (auto& sp : model.solids) {
        Solid& solid = *sp;
        std::vector<Face*> collected;
        for (auto& f : solid.faces)
            if (!(faceArea(*f) >= threshold)) collected.push_back(f.get());
        if (collected.empty()) continue;
        ui().message(format(kMsgDeletedZeroArea, static_cast<int>(collected.size())), kAppTitle,
                     MessageIcon::Information);
        std::vector<Edge*> scheduled;
        for (Face* f : collected) {
            for (auto& hp : f->halfedges) {
                Halfedge* h = hp.get();
                Edge* e = h->edge;
                if (h->pair) h->pair->pair = nullptr;
                if (!e) continue;
                if (e->b == h) {
                    e->b = nullptr;
                } else if (e->a == h) {
                    e->a = e->b;
                    e->b = nullptr;
                    std::swap(e->va, e->vb);
                }
                if (!e->a && !e->b) scheduled.push_back(e);
            }
            std::erase_if(solid.faces, [f](const std::unique_ptr<Face>& p) { return p.get() == f; });
        }
        std::erase_if(solid.edges, [&](const std::unique_ptr<Edge>& e) {
            return std::find(scheduled.begin(), scheduled.end(), e.get()) != scheduled.end();
        });
    }
}

void joinOpenEdges(Model& model) {
    std::unordered_map<const Vertex*, size_t> number;
    std::vector<std::vector<Halfedge*>> byOrigin;
    for (auto& s : model.solids)
        for (auto& v : s->vertices) {
            number.emplace(v.get(), byOrigin.size());
            byOrigin.emplace_back();
            v->marked = false;
        }
    for (auto& s : model.solids)
        for (auto& f : s->faces)
            for (auto& h : f->halfedges) {
                auto it = number.find(h->origin);
                if (it != number.end()) byOrigin[it->second].push_back(h.get());
            }
    auto merge = [&](Vertex* from, Vertex* into) {
        from->marked = true;
        auto fi = number.find(from);
        auto ii = number.find(into);
        if (fi == number.end() || ii == number.end()) return;
        auto moved = std::move(byOrigin[fi->second]);
        byOrigin[fi->second].clear();
        for (Halfedge* h : moved) h->origin = into;
        auto& target = byOrigin[ii->second];
        target.insert(target.end(), moved.begin(), moved.end());
    };
    auto near = [](const Vertex* a, const Vertex* b) {
        return !(distance3(a->position, b->position) > 1e-8);
    };
    for (auto& sp : model.solids) {
        Solid& solid = *sp;
        if (!solid.visible) continue;
        auto& edges = solid.edges;
        for (size_t oi = 0; oi < edges.size(); ++oi) {
            Edge* o = edges[oi].get();
            if (o->deleted || o->b || !o->a) continue;
            for (size_t mi = oi; mi < edges.size(); ++mi) {
                Edge* m = edges[mi].get();
                if (m->deleted || m == o || m->b || !m->a) continue;
                if (!near(o->va, m->vb) || !near(m->va, o->vb)) continue;
                if (m->vb != o->va) merge(m->vb, o->va);
                if (m->va != o->vb) merge(m->va, o->vb);
                m->deleted = true;
                o->b = m->a;
                m->a->edge = o;
                o->a->pair = o->b;
                o->b->pair = o->a;
                o->kind = kEdgeNormal;
                foldData(*o);
                break;
            }
        }
        std::erase_if(edges, [](const std::unique_ptr<Edge>& e) { return e->deleted; });
        std::erase_if(solid.vertices, [](const std::unique_ptr<Vertex>& v) { return v->marked; });
        for (size_t i = 0; i < solid.vertices.size(); ++i) solid.vertices[i]->index = static_cast<int>(i);
    }
}

void reverseFaces(Model& model, bool onlyVisible) {
    for (auto& sp : model.solids) {
        Solid& solid = *sp;
        if (onlyVisible && !solid.visible) continue;
        std::vector<std::unique_ptr<Edge>> old = std::move(solid.edges);
        solid.edges.clear();
        for (auto& f : solid.faces) {
            f->normal = {-f->normal.x, -f->normal.y, -f->normal.z};
            f->planeD = -f->planeD;
            for (auto& h : f->halfedges) {
                h->edge = nullptr;
                h->pair = nullptr;
                h->next = nullptr;
                h->prev = nullptr;
                h->twin = nullptr;
            }
            std::reverse(f->halfedges.begin(), f->halfedges.end());
            cleanFace(*f);
        }
        pairHalfedges(solid);
        computeSolidEdgeMetrics(solid);
        std::unordered_map<std::uint64_t, Edge*> byEnds;
        const auto pos = vertexPositions(solid);
        auto key = [&](const Vertex* a, const Vertex* b) {
            std::uint32_t p = pos.count(a) ? pos.at(a) : 0xFFFFFFFFu;
            std::uint32_t q = pos.count(b) ? pos.at(b) : 0xFFFFFFFFu;
            if (p > q) std::swap(p, q);
            return pairKey(p, q);
        };
        for (auto& e : solid.edges) byEnds.emplace(key(e->va, e->vb), e.get());
        for (auto& e : old) {
            if (e->kind == kEdgeNormal || e->kind == kEdgeOpen) continue;
            auto it = byEnds.find(key(e->va, e->vb));
            if (it != byEnds.end()) it->second->kind = e->kind;
        }
    }
}

}  // namespace plikatra
