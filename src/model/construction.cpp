#include "model/construction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/ui.h"
#include "model/polygon_triangulation.h"

namespace plikatra {

namespace {

// The geometry that cleaning, measuring and pairing do for every face of a model, a few
// million times on a big one: the same arithmetic, in the same order, as the shared geometry
// functions, here where the compiler can inline it into the loops.
inline Point3 minus(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Point3 crossProduct(const Point3& u, const Point3& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}
inline double dotProduct(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double norm(const Point3& p) { return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z); }
inline double between(const Point3& a, const Point3& b) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}
// Heron's formula from the three side lengths.
inline double heron(double a, double b, double c) {
    const double s = (a + b + c) / 2;
    return std::sqrt(s * ((s - a) * (s - b) * (s - c)));
}

// Two corners coincide when they share the vertex or lie at distance exactly 0 (or a
// distance that is not a number).
bool sameCorner(const Halfedge& a, const Halfedge& b) {
    if (a.origin == b.origin) return true;
    // The squared distance is 0 or not a number exactly when the distance is.
    const Point3 d = minus(a.origin->position, b.origin->position);
    const double d2 = d.x * d.x + d.y * d.y + d.z * d.z;
    return d2 == 0.0 || std::isnan(d2);
}

Point3 normalized(const Point3& p) {
    const double l = norm(p);
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

void cleanFace(Face& face) {
    auto& hs = face.halfedges;
    const size_t n = hs.size();
    // Each corner is compared with the one before it as the ring was before cleaning, so a
    // removed corner still counts as the previous one of the next; removed corners are kept
    // aside until the pass is over.
    std::vector<std::unique_ptr<Halfedge>> removed;
    size_t w = 0;
    const Halfedge* previous = nullptr;
    for (size_t i = 0; i < n; ++i) {
        Halfedge* cur = hs[i].get();
        const bool repeat = previous && sameCorner(*cur, *previous);
        previous = cur;
        if (repeat)
            removed.push_back(std::move(hs[i]));
        else
            hs[w++] = std::move(hs[i]);
    }
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
    const Point3 n = normalized(crossProduct(minus(a, b), minus(b, c)));
    face.normal = n;
    face.planeD = -dotProduct(n, a);
}

double faceArea(const Face& face) {
    const auto& hs = face.halfedges;
    double area = 0.0;
    if (hs.empty()) return area;
    const Point3& first = hs[0]->origin->position;
    for (size_t i = 1; i + 1 < hs.size(); ++i) {
        const Point3& p = hs[i]->origin->position;
        const Point3& q = hs[i + 1]->origin->position;
        area += heron(between(first, p), between(p, q), between(q, first));
    }
    return area;
}

namespace {

// The sides of a solid's faces in walk order, each with the array positions of its two ends.
// Vertices are keyed by their position in the vertex array; their index fields are borrowed
// for that while the walk is collected and restored by finish().
class PairingWalk {
public:
    explicit PairingWalk(Solid& solid)
        : solid_(solid), listed_(static_cast<std::uint32_t>(solid.vertices.size())), saved_(listed_) {
        for (std::uint32_t i = 0; i < listed_; ++i) {
            saved_[i] = solid.vertices[i]->index;
            solid.vertices[i]->index = static_cast<int>(i);
        }
    }
    ~PairingWalk() { restore(); }
    PairingWalk(const PairingWalk&) = delete;
    PairingWalk& operator=(const PairingWalk&) = delete;

    void addFace(Face& f) {
        const size_t first = walk.size();
        for (auto& hp : f.halfedges) {
            Halfedge* h = hp.get();
            if (!h->next) continue;
            walk.push_back(h);
            from.push_back(position(h->origin));
        }
        if (walk.size() > first) from.back() |= kLastSide;
    }

    // The start position of each side is kept with a mark on the last side of each face; a
    // linked ring holds every corner of the face, so each side ends where the next corner
    // starts, and the last where the first does. Calls f(start, end) for every side in walk
    // order.
    template <class F>
    void forEachSide(F f) const {
        const size_t n = from.size();
        size_t first = 0;
        for (size_t i = 0; i < n; ++i) {
            const std::uint32_t p = from[i];
            if (p & kLastSide) {
                f(p & ~kLastSide, from[first] & ~kLastSide);
                first = i + 1;
            } else {
                f(p, from[i + 1] & ~kLastSide);
            }
        }
    }

    // Room for `sides` sides, so that the arrays never grow by copying.
    void reserve(size_t sides) {
        walk.reserve(sides);
        from.reserve(sides);
    }

    // Frees the ends of the sides once the replay has read them; only the walk is needed to
    // make the edges.
    void releaseEnds() {
        std::vector<std::uint32_t>().swap(from);
    }
    // Frees the walk itself once the pairs are linked.
    void releaseWalk() { std::vector<Halfedge*>().swap(walk); }

    // Gives the vertices their indices back; the number of distinct positions.
    size_t finish() {
        restore();
        return static_cast<size_t>(listed_) + strays_.size();
    }

    // Marks the last side of a face in `from`. Positions stay below it: each is a vertex, and
    // a solid of 2^31 vertices cannot be held.
    static constexpr std::uint32_t kLastSide = 0x80000000u;

    std::vector<Halfedge*> walk;
    std::vector<std::uint32_t> from;  // start position of each side; see forEachSide

private:
    std::uint32_t position(const Vertex* v) {
        const int i = v->index;
        if (i >= 0 && static_cast<std::uint32_t>(i) < listed_ &&
            solid_.vertices[static_cast<size_t>(i)].get() == v)
            return static_cast<std::uint32_t>(i);
        // Sorts after every listed vertex, in order of first appearance.
        return strays_.emplace(v, listed_ + static_cast<std::uint32_t>(strays_.size())).first->second;
    }
    void restore() {
        if (restored_) return;
        for (std::uint32_t i = 0; i < listed_; ++i) solid_.vertices[i]->index = saved_[i];
        restored_ = true;
    }

    Solid& solid_;
    std::uint32_t listed_;
    std::vector<int> saved_;
    std::unordered_map<const Vertex*, std::uint32_t> strays_;  // corners whose vertex is not listed
    bool restored_ = false;
};

// The pairing is defined as a walk over a map from directed sides to the halfedges met so far.
// Only halfedges on the same undirected side ever meet there, so each side's sequence is
// replayed on its own after bucketing, and the edges, open edges and diagnostics are put back
// into the order the walk would have produced them.

// The direction (0 from the smaller position to the larger) rides in the top bit of the walk
// position, so the replay reads only the sorted array.
constexpr std::uint32_t kDirBit = 0x80000000u;

struct Side {
    std::uint32_t hi;   // larger position of the side
    std::uint32_t seq;  // walk position, direction in the top bit
};

// The sides of the walk grouped by undirected side: bucketed by their smaller position (a
// counting sort keeps walk order inside a bucket), each bucket ordered by the larger position.
struct SortedSides {
    // Every entry is written by the bucketing, so the array is not cleared first.
    std::unique_ptr<Side[]> sides;
    std::vector<std::uint32_t> start;  // where each smaller position's bucket begins; then the end
};

SortedSides sortSides(const PairingWalk& pw, size_t positions) {
    const size_t n = pw.walk.size();
    SortedSides out;
    std::vector<std::uint32_t>& start = out.start;
    start.assign(positions + 1, 0);
    pw.forEachSide([&](std::uint32_t p, std::uint32_t q) { ++start[std::min(p, q) + 1]; });
    for (size_t v = 0; v < positions; ++v) start[v + 1] += start[v];
    out.sides.reset(new Side[n]);
    Side* sides = out.sides.get();
    {
        std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
        std::uint32_t i = 0;
        pw.forEachSide([&](std::uint32_t p, std::uint32_t q) {
            sides[fill[std::min(p, q)]++] = {std::max(p, q), i++ | (p > q ? kDirBit : 0u)};
        });
    }
    auto bySideThenWalk = [](const Side& a, const Side& b) {
        return a.hi != b.hi ? a.hi < b.hi : (a.seq & ~kDirBit) < (b.seq & ~kDirBit);
    };
    for (size_t v = 0; v < positions; ++v) {
        Side* b = sides + start[v];
        Side* e = sides + start[v + 1];
        if (e - b > 1) std::sort(b, e, bySideThenWalk);
    }
    return out;
}

// What replaying the walk side by side leaves besides the pair links: which halfedges create
// an edge, the diagnostics and the halfedges left without a partner, each with the walk
// position where it happens.
struct Replay {
    struct Note {
        std::uint32_t seq;
        int kind;  // 0 side already defined, 1 several halfedges on the opposite side
    };
    struct Open {
        std::uint64_t directed;
        std::uint32_t seq;
    };
    std::vector<bool> creates;  // by walk position: the halfedge whose meeting makes an edge
    size_t made = 0;
    std::vector<Note> notes;
    std::vector<Open> open;
};

// The pairs are linked as they are found, in the order the walk would link them, so that a
// halfedge met twice keeps the partner the walk gives it last.
Replay replaySides(const PairingWalk& pw, const SortedSides& sorted, size_t positions) {
    const std::vector<Halfedge*>& walk = pw.walk;
    const Side* sides = sorted.sides.get();
    const size_t n = walk.size();
    Replay r;
    r.creates.assign(n, false);
    auto link = [&](std::uint32_t seq, std::uint32_t partner) {
        Halfedge* h = walk[seq];
        Halfedge* c = walk[partner];
        h->pair = c;
        c->pair = h;
        r.creates[seq] = true;
        ++r.made;
    };
    std::vector<std::uint32_t> lists[2];
    std::vector<char> active[2];
    for (size_t v = 0; v < positions; ++v) {
        const size_t end = sorted.start[v + 1];
        for (size_t g = sorted.start[v]; g < end;) {
            size_t e = g + 1;
            while (e < end && sides[e].hi == sides[g].hi) ++e;
            const bool loop = sides[g].hi == v;
            if (e - g == 2 && !loop && ((sides[g].seq ^ sides[g + 1].seq) & kDirBit)) {
                // The common case: one halfedge each way.
                link(sides[g + 1].seq & ~kDirBit, sides[g].seq & ~kDirBit);
                g = e;
                continue;
            }
            for (int d = 0; d < 2; ++d) {
                lists[d].clear();
                active[d].clear();
            }
            for (size_t k = g; k < e; ++k) {
                const std::uint32_t seq = sides[k].seq & ~kDirBit;
                // A side from a vertex to itself meets itself in the opposite list, as in the walk.
                const int dir = (sides[k].seq & kDirBit) ? 1 : 0;
                const int other = loop ? 0 : 1 - dir;
                auto& mine = lists[dir];
                if (!mine.empty()) r.notes.push_back({seq, 0});
                mine.push_back(seq);
                active[dir].push_back(1);
                auto& theirs = lists[other];
                if (theirs.empty() || !active[other][0]) continue;
                link(seq, theirs[0]);
                active[other][0] = 0;
                active[dir][0] = 0;
                if (theirs.size() > 1) r.notes.push_back({seq, 1});
            }
            // The side runs from the larger position to the smaller one exactly when its
            // direction bit is set.
            const std::uint32_t hi = sides[g].hi, lo = static_cast<std::uint32_t>(v);
            for (int d = 0; d < 2; ++d)
                for (size_t k = 0; k < lists[d].size(); ++k)
                    if (active[d][k]) r.open.push_back({d ? pairKey(hi, lo) : pairKey(lo, hi), lists[d][k]});
            g = e;
        }
    }
    return r;
}

// The diagnostics on standard error, in walk order.
void reportNotes(const PairingWalk& pw, std::vector<Replay::Note>& notes) {
    std::sort(notes.begin(), notes.end(), [](const Replay::Note& a, const Replay::Note& b) {
        return a.seq != b.seq ? a.seq < b.seq : a.kind < b.kind;
    });
    for (const Replay::Note& note : notes) {
        const Halfedge* h = pw.walk[note.seq];
        if (note.kind == 0)
            std::cerr << "Warning: the halfedge between vertex(" << formatPoint(h->origin->position)
                      << ") and vertex (" << formatPoint(h->next->origin->position)
                      << " have been already defined.\n";
        else
            std::cerr << "Warning: two or more halfedges are assigned " << "to one halfedge" << std::endl;
    }
}

// The edges in the order the walk creates them: paired ones by walk position, then the open
// ones by directed side. The walk is freed before the edges are made, which is where a big
// model's loading peaks; the edges then follow the walk over the faces again.
void createEdges(Solid& solid, PairingWalk& pw, Replay& r) {
    const std::vector<Halfedge*>& walk = pw.walk;
    std::sort(r.open.begin(), r.open.end(), [](const Replay::Open& a, const Replay::Open& b) {
        return a.directed != b.directed ? a.directed < b.directed : a.seq < b.seq;
    });
    std::vector<Halfedge*> open;
    open.reserve(r.open.size());
    for (const Replay::Open& o : r.open) open.push_back(walk[o.seq]);
    std::vector<Replay::Open>().swap(r.open);
    pw.releaseWalk();

    solid.edges.reserve(solid.edges.size() + r.made + open.size());
    size_t seq = 0;
    for (auto& f : solid.faces)
        for (auto& hp : f->halfedges) {
            Halfedge* h = hp.get();
            if (!h->next || !r.creates[seq++]) continue;
            Halfedge* c = h->pair;
            solid.edges.push_back(newEdge(h, c, h->origin, c->origin));
            h->edge = c->edge = solid.edges.back().get();
        }
    for (Halfedge* h : open) {
        solid.edges.push_back(newEdge(h, nullptr, h->origin, h->next->origin));
        h->edge = solid.edges.back().get();
    }
}

void pairWalk(Solid& solid, PairingWalk& pw) {
    const size_t positions = pw.finish();
    Replay replay;
    {
        const SortedSides sorted = sortSides(pw, positions);
        replay = replaySides(pw, sorted, positions);
    }
    // The sorted sides and the side ends go before the edges are made: on a big model the
    // peak of loading is here.
    pw.releaseEnds();
    reportNotes(pw, replay.notes);
    createEdges(solid, pw, replay);
}

size_t sideCount(const Solid& solid) {
    size_t n = 0;
    for (const auto& f : solid.faces) n += f->halfedges.size();
    return n;
}

}  // namespace

void pairHalfedges(Solid& solid) {
    PairingWalk pw(solid);
    pw.reserve(sideCount(solid));
    for (auto& f : solid.faces) pw.addFace(*f);
    pairWalk(solid, pw);
}

namespace {

// True when the face comes back to a corner it has visited before: the same vertex, or one
// lying exactly on it. Small faces compare every pair, large ones their sorted positions.
bool visitsACornerTwice(const Face& face) {
    const auto& hs = face.halfedges;
    const size_t n = hs.size();
    auto same = [](const Point3& a, const Point3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; };
    constexpr size_t kCompareAll = 16;
    if (n <= kCompareAll) {
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i + 1; j < n; ++j)
                if (hs[i]->origin == hs[j]->origin || same(hs[i]->origin->position, hs[j]->origin->position))
                    return true;
        return false;
    }
    std::vector<Point3> points;
    points.reserve(n);
    for (const auto& h : hs) {
        const Point3& p = h->origin->position;
        // Not sortable; such a face has no area and is dropped anyway.
        if (std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z)) return false;
        points.push_back(p);
    }
    std::sort(points.begin(), points.end(), [](const Point3& a, const Point3& b) {
        return a.x != b.x ? a.x < b.x : a.y != b.y ? a.y < b.y : a.z < b.z;
    });
    for (size_t i = 1; i < n; ++i)
        if (same(points[i - 1], points[i])) return true;
    return false;
}

// The face cut into triangles that cover its outline, with its material and each corner's
// vertex and texture coordinate; each triangle cleaned like a face read from a file.
std::vector<std::unique_ptr<Face>> splitIntoTriangles(const Face& face) {
    std::vector<Point3> points;
    points.reserve(face.halfedges.size());
    for (const auto& h : face.halfedges) points.push_back(h->origin->position);
    std::vector<std::unique_ptr<Face>> triangles;
    for (const auto& corners : triangulatePolygon(points)) {
        auto t = std::make_unique<Face>(face.solid);
        t->materialIndex = face.materialIndex;
        t->halfedges.reserve(3);
        for (std::uint32_t c : corners) {
            const Halfedge& h = *face.halfedges[c];
            t->addCorner(h.origin, h.texCoord);
        }
        cleanFace(*t);
        triangles.push_back(std::move(t));
    }
    return triangles;
}

}  // namespace

bool finishSolids(Model& model, double threshold) {
    model.faceCount = 0;
    for (size_t si = 0; si < model.solids.size();) {
        Solid& solid = *model.solids[si];
        // Each face is cleaned, checked, measured and added to the pairing walk in one visit:
        // a big model's corners are far more than the caches hold, so a second pass over them
        // would fetch every one from memory again.
        PairingWalk pw(solid);
        pw.reserve(sideCount(solid));
        auto keep = [&](std::unique_ptr<Face> f, std::vector<std::unique_ptr<Face>>& kept) {
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
            pw.addFace(*f);
            kept.push_back(std::move(f));
        };
        std::vector<std::unique_ptr<Face>> kept;
        kept.reserve(solid.faces.size());
        for (auto& f : solid.faces) {
            cleanFace(*f);
            if (f->halfedges.size() < 3) continue;
            // A polygon that passes a corner twice (an outline joined to a hole by a bridge,
            // or two loops touching at a point) cannot be one face of the surface: its sides
            // would pair with each other and unfolding places corners from the first one. It
            // is cut into triangles that keep its outline, joined by flat folds.
            if (visitsACornerTwice(*f)) {
                for (auto& t : splitIntoTriangles(*f))
                    if (t->halfedges.size() >= 3 && faceArea(*t) >= threshold) keep(std::move(t), kept);
                continue;
            }
            if (!(faceArea(*f) >= threshold)) continue;
            keep(std::move(f), kept);
        }
        solid.faces = std::move(kept);
        if (solid.faces.empty()) {
            pw.finish();
            model.solids.erase(model.solids.begin() + static_cast<std::ptrdiff_t>(si));
            continue;
        }
        pairWalk(solid, pw);
        ++si;
    }
    return model.faceCount != 0;
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

void removeZeroAreaFaces(Model& model, double threshold, Ui& ui) {
    for (auto& sp : model.solids) {
        Solid& solid = *sp;
        std::vector<Face*> collected;
        for (auto& f : solid.faces)
            if (!(faceArea(*f) >= threshold)) collected.push_back(f.get());
        if (collected.empty()) continue;
        ui.message(format(kMsgDeletedZeroArea, static_cast<int>(collected.size())), kAppTitle,
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

namespace {

// The two ends of an edge as its halfedges name them now: the edge's own va and vb go stale
// while joining merges vertices, the halfedges' origins never do.
Vertex* startOf(const Edge& e) { return e.a->origin; }
Vertex* endOf(const Edge& e) {
    if (e.b) return e.b->origin;
    return e.a->next ? e.a->next->origin : e.vb;
}

// The open edges of a solid by the cell of space their start lies in, so that the edges that
// may join one are looked for among its neighbours rather than among all of them. A start
// that merging moved by a few tolerances is still looked for in the cells around it. An edge
// whose start has no cell (a coordinate that is no number or beyond 1e12) is a candidate
// for every edge.
class OpenEdgeGrid {
public:
    explicit OpenEdgeGrid(const std::vector<std::unique_ptr<Edge>>& edges) : count_(edges.size()) {
        for (size_t i = 0; i < edges.size(); ++i) {
            const Edge& e = *edges[i];
            if (e.b || !e.a) continue;
            Cell c;
            if (cellOf(startOf(e)->position, 0.0, c))
                entries_.push_back({c, i});
            else
                anywhere_.push_back(i);
        }
        std::sort(entries_.begin(), entries_.end());
    }

    // Calls f(index) for every open edge whose start may lie near p; for every edge when p
    // has no cell.
    template <typename F>
    void forEdgesNear(const Point3& p, F f) const {
        // Far more than the joining tolerance, far less than a cell.
        constexpr double kReach = 1e-7;
        Cell lo, hi;
        if (!cellOf(p, -kReach, lo) || !cellOf(p, kReach, hi)) {
            for (size_t i = 0; i < count_; ++i) f(i);
            return;
        }
        Entry key{lo, 0};
        for (key.cell[0] = lo[0]; key.cell[0] <= hi[0]; ++key.cell[0])
            for (key.cell[1] = lo[1]; key.cell[1] <= hi[1]; ++key.cell[1])
                for (key.cell[2] = lo[2]; key.cell[2] <= hi[2]; ++key.cell[2])
                    for (auto it = std::lower_bound(entries_.begin(), entries_.end(), key);
                         it != entries_.end() && it->cell == key.cell; ++it)
                        f(it->index);
        for (size_t i : anywhere_) f(i);
    }

private:
    using Cell = std::array<std::int64_t, 3>;
    struct Entry {
        Cell cell;
        size_t index;
        bool operator<(const Entry& o) const {
            for (int k = 0; k < 3; ++k)
                if (cell[k] != o.cell[k]) return cell[k] < o.cell[k];
            return index < o.index;
        }
    };
    // The cell of p moved by `offset` along every axis.
    static bool cellOf(const Point3& p, double offset, Cell& c) {
        constexpr double kCellSize = 1e-6;
        const double v[3] = {p.x + offset, p.y + offset, p.z + offset};
        for (int k = 0; k < 3; ++k) {
            if (!(std::fabs(v[k]) <= 1e12)) return false;
            c[k] = static_cast<std::int64_t>(std::floor(v[k] / kCellSize));
        }
        return true;
    }

    size_t count_;
    std::vector<Entry> entries_;
    std::vector<size_t> anywhere_;
};

}  // namespace

void joinOpenEdges(Model& model) {
    constexpr double kTolerance = 1e-8;
    auto near = [](const Vertex* a, const Vertex* b) {
        return !(distance3(a->position, b->position) > kTolerance);
    };
    for (auto& sp : model.solids) {
        Solid& solid = *sp;
        if (!solid.visible) continue;
        // The corners starting at each vertex, so that a merge re-points every one of them:
        // a vertex merged away must not stay behind in any face or edge.
        std::unordered_map<Vertex*, std::vector<Halfedge*>> byOrigin;
        std::unordered_set<const Vertex*> mergedAway;
        for (auto& f : solid.faces)
            for (auto& h : f->halfedges) byOrigin[h->origin].push_back(h.get());
        auto merge = [&](Vertex* from, Vertex* into) {
            mergedAway.insert(from);
            auto moved = std::move(byOrigin[from]);
            byOrigin.erase(from);
            for (Halfedge* h : moved) h->origin = into;
            auto& target = byOrigin[into];
            target.insert(target.end(), moved.begin(), moved.end());
        };
        auto& edges = solid.edges;
        const OpenEdgeGrid grid(edges);
        for (size_t oi = 0; oi < edges.size(); ++oi) {
            Edge* o = edges[oi].get();
            if (o->deleted || o->b || !o->a) continue;
            Vertex* oa = startOf(*o);
            Vertex* ob = endOf(*o);
            // The first later open edge that runs the other way between the same points.
            size_t first = edges.size();
            grid.forEdgesNear(ob->position, [&](size_t mi) {
                if (mi <= oi || mi >= first) return;
                const Edge& m = *edges[mi];
                if (m.deleted || m.b || !m.a) return;
                const Vertex* ma = startOf(m);
                const Vertex* mb = endOf(m);
                if (!near(oa, mb) || !near(ma, ob)) return;
                // Both ends of one edge would become one vertex: its faces would lose a corner.
                if (oa == ob || ma == mb || mb == ob || ma == oa) return;
                first = mi;
            });
            if (first == edges.size()) continue;
            Edge* m = edges[first].get();
            Vertex* ma = startOf(*m);
            Vertex* mb = endOf(*m);
            if (mb != oa) merge(mb, oa);
            if (ma != ob) merge(ma, ob);
            m->deleted = true;
            o->b = m->a;
            m->a->edge = o;
            o->a->pair = o->b;
            o->b->pair = o->a;
            o->kind = kEdgeNormal;
            o->va = oa;
            o->vb = ob;
            foldData(*o);
        }
        std::erase_if(edges, [](const std::unique_ptr<Edge>& e) { return e->deleted; });
        for (auto& e : edges)
            if (e->a) {
                e->va = startOf(*e);
                e->vb = endOf(*e);
            }
        std::erase_if(solid.vertices,
                      [&](const std::unique_ptr<Vertex>& v) { return mergedAway.count(v.get()) > 0; });
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
