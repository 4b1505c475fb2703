#include "model/primitive_shapes.h"
#include "model/seeded_random.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/construction.h"
#include "model/normalize.h"

namespace plikatra {

namespace {

constexpr double kPi = 3.14159265358979323846;

Point3 unit(Point3 p) {
    const double l = length(p);
    return {p.x / l, p.y / l, p.z / l};
}

void addFace(Solid& s, std::initializer_list<int> corners) {
    Face* f = s.addFace();
    for (int c : corners) f->addCorner(s.vertices[static_cast<size_t>(c)].get());
}

using Random = SeededRandom;

// Quickhull over points in general position: faces as corner triples, outward and
// counter-clockwise.
std::vector<std::array<int, 3>> convexHull(const std::vector<Point3>& pts) {
    struct HullFace {
        std::array<int, 3> v;
        Point3 normal;
        double offset;
        std::vector<int> outside;
        bool alive = true;
    };
    std::vector<HullFace> faces;
    std::unordered_map<std::uint64_t, int> byEdge;  // directed edge a→b to its face
    auto edgeKey = [](int a, int b) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) |
               static_cast<std::uint32_t>(b);
    };
    auto height = [&](const HullFace& f, int p) {
        return dot(f.normal, pts[static_cast<size_t>(p)]) - f.offset;
    };
    constexpr double eps = 1e-12;
    auto makeFace = [&](int a, int b, int c) {
        HullFace f;
        f.v = {a, b, c};
        const Point3 &pa = pts[static_cast<size_t>(a)], &pb = pts[static_cast<size_t>(b)],
                     &pc = pts[static_cast<size_t>(c)];
        f.normal = unit(cross(sub(pb, pa), sub(pc, pa)));
        f.offset = dot(f.normal, pa);
        const int id = static_cast<int>(faces.size());
        for (int i = 0; i < 3; ++i) byEdge[edgeKey(f.v[static_cast<size_t>(i)], f.v[static_cast<size_t>((i + 1) % 3)])] = id;
        faces.push_back(std::move(f));
        return id;
    };
    // The first tetrahedron, each face turned away from the fourth corner.
    const int tet[4][4] = {{0, 1, 2, 3}, {0, 3, 1, 2}, {0, 2, 3, 1}, {1, 3, 2, 0}};
    const Point3 n = cross(sub(pts[1], pts[0]), sub(pts[2], pts[0]));
    const bool flip = dot(n, sub(pts[3], pts[0])) > 0;
    for (const auto& t : tet) {
        if (flip) makeFace(t[0], t[2], t[1]);
        else makeFace(t[0], t[1], t[2]);
    }
    auto assign = [&](int p, const std::vector<int>& candidates) {
        for (int f : candidates)
            if (height(faces[static_cast<size_t>(f)], p) > eps) {
                faces[static_cast<size_t>(f)].outside.push_back(p);
                return;
            }
    };
    for (int p = 4; p < static_cast<int>(pts.size()); ++p) assign(p, {0, 1, 2, 3});
    std::vector<int> work = {0, 1, 2, 3};
    while (!work.empty()) {
        const int start = work.back();
        work.pop_back();
        HullFace& sf = faces[static_cast<size_t>(start)];
        if (!sf.alive || sf.outside.empty()) continue;
        int apex = sf.outside.front();
        for (int p : sf.outside)
            if (height(sf, p) > height(sf, apex)) apex = p;
        // The faces the apex sees, and the horizon around them.
        std::vector<int> visible = {start};
        std::vector<char> seen(faces.size(), 0);
        seen[static_cast<size_t>(start)] = 1;
        std::vector<std::pair<int, int>> horizon;
        for (size_t k = 0; k < visible.size(); ++k) {
            const HullFace& f = faces[static_cast<size_t>(visible[k])];
            for (int i = 0; i < 3; ++i) {
                const int a = f.v[static_cast<size_t>(i)], b = f.v[static_cast<size_t>((i + 1) % 3)];
                const int g = byEdge.at(edgeKey(b, a));
                if (seen[static_cast<size_t>(g)] == 1) continue;
                if (height(faces[static_cast<size_t>(g)], apex) > eps) {
                    seen[static_cast<size_t>(g)] = 1;
                    visible.push_back(g);
                } else {
                    horizon.emplace_back(a, b);
                }
            }
        }
        std::vector<int> orphans;
        for (int v : visible) {
            HullFace& f = faces[static_cast<size_t>(v)];
            f.alive = false;
            for (int i = 0; i < 3; ++i) byEdge.erase(edgeKey(f.v[static_cast<size_t>(i)], f.v[static_cast<size_t>((i + 1) % 3)]));
            for (int p : f.outside)
                if (p != apex) orphans.push_back(p);
            f.outside.clear();
        }
        std::vector<int> made;
        for (auto [a, b] : horizon) made.push_back(makeFace(a, b, apex));
        for (int p : orphans) assign(p, made);
        for (int f : made) work.push_back(f);
    }
    std::vector<std::array<int, 3>> out;
    for (const auto& f : faces)
        if (f.alive) out.push_back(f.v);
    return out;
}

}  // namespace

void finishShape(Model& model) {
    finishSolids(model, kAreaThreshold);
    normalizeModel(model);
    computeEdgeMetrics(model);
}

std::unique_ptr<Model> makeIcosphere(int level) {
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Point3> pts = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                               {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                               {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (auto& p : pts) p = unit(p);
    std::vector<std::array<int, 3>> tris = {
        {0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
        {3, 8, 9},  {4, 9, 5},  {2, 4, 11},  {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (int l = 0; l < level; ++l) {
        std::map<std::pair<int, int>, int> mid;
        auto midpoint = [&](int a, int b) {
            const auto key = std::minmax(a, b);
            auto it = mid.find(key);
            if (it != mid.end()) return it->second;
            const Point3& p = pts[static_cast<size_t>(a)];
            const Point3& q = pts[static_cast<size_t>(b)];
            pts.push_back(unit({(p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2}));
            const int idx = static_cast<int>(pts.size()) - 1;
            mid.emplace(key, idx);
            return idx;
        };
        std::vector<std::array<int, 3>> next;
        next.reserve(tris.size() * 4);
        for (const auto& tr : tris) {
            const int a = midpoint(tr[0], tr[1]), b = midpoint(tr[1], tr[2]), c = midpoint(tr[2], tr[0]);
            next.push_back({tr[0], a, c});
            next.push_back({tr[1], b, a});
            next.push_back({tr[2], c, b});
            next.push_back({a, b, c});
        }
        tris = std::move(next);
    }
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("icosphere");
    for (const auto& p : pts) s->addVertex(p.x, p.y, p.z);
    for (const auto& tr : tris) addFace(*s, {tr[0], tr[1], tr[2]});
    finishShape(*m);
    return m;
}

std::unique_ptr<Model> makeTorus(int rings, int sides, double minor) {
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("torus");
    for (int i = 0; i < rings; ++i) {
        const double u = 2 * kPi * i / rings;
        for (int j = 0; j < sides; ++j) {
            const double v = 2 * kPi * j / sides;
            const double r = 1.0 + minor * std::cos(v);
            s->addVertex(r * std::cos(u), minor * std::sin(v), r * std::sin(u));
        }
    }
    auto idx = [&](int i, int j) { return ((i + rings) % rings) * sides + (j + sides) % sides; };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sides; ++j)
            addFace(*s, {idx(i, j), idx(i, j + 1), idx(i + 1, j + 1), idx(i + 1, j)});
    finishShape(*m);
    return m;
}

std::unique_ptr<Model> makeGrid(int nx, int ny, double wave, bool triangles) {
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("grid");
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            const double x = static_cast<double>(i) / nx, y = static_cast<double>(j) / ny;
            s->addVertex(x, y, wave * std::sin(3 * x) * std::cos(2 * y));
        }
    auto idx = [&](int i, int j) { return j * (nx + 1) + i; };
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const int a = idx(i, j), b = idx(i + 1, j), c = idx(i + 1, j + 1), d = idx(i, j + 1);
            if (!triangles) {
                addFace(*s, {a, b, c, d});
            } else if ((i + j) % 2 == 0) {
                addFace(*s, {a, b, c});
                addFace(*s, {a, c, d});
            } else {
                addFace(*s, {a, b, d});
                addFace(*s, {b, c, d});
            }
        }
    finishShape(*m);
    return m;
}

std::unique_ptr<Model> makePerturbedTorus(int rings, int sides, double amount, unsigned seed) {
    const double minor = 0.35;
    Random random(seed);
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("perturbed torus");
    auto jitter = [&] { return (random.next() * 2 - 1) * amount * minor; };
    for (int i = 0; i < rings; ++i) {
        const double u = 2 * kPi * i / rings;
        for (int j = 0; j < sides; ++j) {
            const double v = 2 * kPi * j / sides;
            const double r = 1.0 + minor * std::cos(v);
            const double x = r * std::cos(u) + jitter();
            const double y = minor * std::sin(v) + jitter();
            s->addVertex(x, y, r * std::sin(u) + jitter());
        }
    }
    auto idx = [&](int i, int j) { return ((i + rings) % rings) * sides + (j + sides) % sides; };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sides; ++j)
            addFace(*s, {idx(i, j), idx(i, j + 1), idx(i + 1, j + 1), idx(i + 1, j)});
    finishShape(*m);
    return m;
}

std::unique_ptr<Model> makeRandomHull(int points, unsigned seed) {
    Random random(seed);
    std::vector<Point3> pts;
    pts.reserve(static_cast<size_t>(points));
    while (static_cast<int>(pts.size()) < points) {
        const Point3 p{random.next() * 2 - 1, random.next() * 2 - 1, random.next() * 2 - 1};
        const double l = length(p);
        if (l > 0.1 && l <= 1.0) pts.push_back(unit(p));
    }
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("hull");
    for (const auto& p : pts) s->addVertex(p.x, p.y, p.z);
    for (const auto& tr : convexHull(pts)) addFace(*s, {tr[0], tr[1], tr[2]});
    finishShape(*m);
    return m;
}

std::unique_ptr<Model> makeTetrahedron() {
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("tetrahedron");
    s->addVertex(1, 1, 1);
    s->addVertex(1, -1, -1);
    s->addVertex(-1, 1, -1);
    s->addVertex(-1, -1, 1);
    addFace(*s, {0, 1, 2});
    addFace(*s, {0, 3, 1});
    addFace(*s, {0, 2, 3});
    addFace(*s, {1, 3, 2});
    finishShape(*m);
    return m;
}

std::unique_ptr<Model> makeBox(double sx, double sy, double sz) {
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("box");
    for (int i = 0; i < 8; ++i) s->addVertex((i & 1) ? sx : 0, (i & 2) ? sy : 0, (i & 4) ? sz : 0);
    addFace(*s, {0, 2, 3, 1});
    addFace(*s, {4, 5, 7, 6});
    addFace(*s, {0, 1, 5, 4});
    addFace(*s, {2, 6, 7, 3});
    addFace(*s, {1, 3, 7, 5});
    addFace(*s, {0, 4, 6, 2});
    finishShape(*m);
    return m;
}

std::unique_ptr<Model> makeRing(int n, double height) {
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("ring");
    for (int i = 0; i < n; ++i) {
        const double a = 2 * kPi * i / n;
        s->addVertex(std::cos(a), 0, std::sin(a));
        s->addVertex(std::cos(a), height, std::sin(a));
    }
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        addFace(*s, {2 * i, 2 * i + 1, 2 * j + 1, 2 * j});
    }
    finishShape(*m);
    return m;
}

}  // namespace plikatra
