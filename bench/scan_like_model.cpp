#include "scan_like_model.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>

#include "model/primitive_shapes.h"
#include "model/seeded_random.h"

namespace plikatra {

namespace {

// The same numbers on every platform, so every run measures the same model.
using Random = SeededRandom;

Point3 onSphere(Point3 p) {
    const double l = length(p);
    return {p.x / l, p.y / l, p.z / l};
}

}  // namespace

std::unique_ptr<Model> makeScanLikeSphere(int frequency, double roughness, unsigned seed) {
    const int f = std::max(1, frequency);
    const double t = (1 + std::sqrt(5.0)) / 2;
    const Point3 corners[12] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                                {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    const std::array<int, 3> faces[20] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                          {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                          {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                          {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    auto m = std::make_unique<Model>();
    Solid* s = m->addSolid("scan");
    Random random(seed);
    // Points shared by neighbouring faces (corners and edge points) are made once, from the
    // edge's lower corner, so that both faces use the same vertex.
    std::map<std::tuple<int, int, int, int, int>, int> made;
    auto vertex = [&](std::tuple<int, int, int, int, int> key, Point3 p) {
        auto [it, added] = made.try_emplace(key, static_cast<int>(s->vertices.size()));
        if (added) {
            const Point3 q = onSphere(p);
            const double r = 1 + roughness * (random.next() - 0.5);
            s->addVertex(r * q.x, r * q.y, r * q.z);
        }
        return it->second;
    };
    auto mix = [](Point3 a, Point3 b, double k) { return Point3{a.x + (b.x - a.x) * k, a.y + (b.y - a.y) * k, a.z + (b.z - a.z) * k}; };
    for (int fi = 0; fi < 20; ++fi) {
        const auto [A, B, C] = faces[fi];
        const Point3 a = corners[A], b = corners[B], c = corners[C];
        auto edge = [&](int x, int y, int step) {
            const int lo = std::min(x, y), hi = std::max(x, y), k = lo == x ? step : f - step;
            return vertex({1, lo, hi, k, 0}, mix(corners[lo], corners[hi], static_cast<double>(k) / f));
        };
        auto point = [&](int i, int j) {
            if (i == 0 && j == 0) return vertex({0, A, 0, 0, 0}, a);
            if (i == f) return vertex({0, B, 0, 0, 0}, b);
            if (j == f) return vertex({0, C, 0, 0, 0}, c);
            if (j == 0) return edge(A, B, i);
            if (i == 0) return edge(A, C, j);
            if (i + j == f) return edge(B, C, j);
            const Point3 p{a.x + (b.x - a.x) * i / f + (c.x - a.x) * j / f, a.y + (b.y - a.y) * i / f + (c.y - a.y) * j / f,
                           a.z + (b.z - a.z) * i / f + (c.z - a.z) * j / f};
            return vertex({2, fi, i, j, 0}, p);
        };
        auto triangle = [&](int p, int q, int r) {
            Face* face = s->addFace();
            for (int v : {p, q, r}) face->addCorner(s->vertices[static_cast<size_t>(v)].get());
        };
        for (int j = 0; j < f; ++j)
            for (int i = 0; i + j < f; ++i) {
                triangle(point(i, j), point(i + 1, j), point(i, j + 1));
                if (i + j + 1 < f) triangle(point(i + 1, j), point(i + 1, j + 1), point(i, j + 1));
            }
    }
    finishShape(*m);
    return m;
}

}  // namespace plikatra
