#include "model/primitive_shapes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

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
