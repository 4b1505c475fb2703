#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "views/polygon_tessellation.h"

using namespace plikatra;

namespace {

double signedArea(const std::vector<Point2>& ring) {
    double a = 0;
    for (size_t i = 0; i < ring.size(); ++i) {
        const Point2 p = ring[i], q = ring[(i + 1) % ring.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2;
}

double triangleArea(Point2 a, Point2 b, Point2 c) {
    return ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / 2;
}

// Crossings of a ray to the right: odd inside a simple ring.
bool inside(const std::vector<Point2>& ring, Point2 p) {
    bool in = false;
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Point2 a = ring[i], b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) in = !in;
    }
    return in;
}

struct Cover {
    double area = 0;     // of all triangles, unsigned
    bool allInside = true;  // every triangle's centroid inside `ring`
};

Cover coverOf(const std::vector<Point2>& ring, const TriangleMesh& mesh, bool checkInside = true) {
    Cover c;
    for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        const Point2 a = mesh.points[mesh.indices[i]], b = mesh.points[mesh.indices[i + 1]],
                     d = mesh.points[mesh.indices[i + 2]];
        c.area += std::abs(triangleArea(a, b, d));
        const Point2 centroid{(a.x + b.x + d.x) / 3, (a.y + b.y + d.y) / 3};
        if (checkInside && std::abs(triangleArea(a, b, d)) > 1e-12 && !inside(ring, centroid))
            c.allInside = false;
    }
    return c;
}

// A comb: teeth pointing up with notches between them, many reflex corners, and a straight
// run along the bottom whose middle corners continue straight on.
std::vector<Point2> comb() {
    std::vector<Point2> ring = {{0, 0}, {2, 0}, {4, 0}, {6, 0}, {8, 0}, {8, 4}};
    for (int t = 3; t >= 0; --t) {
        ring.push_back({2.0 * t + 1.5, 4});
        ring.push_back({2.0 * t + 1.0, 1});
        ring.push_back({2.0 * t + 0.5, 4});
        if (t > 0) ring.push_back({2.0 * t, 4});
    }
    ring.push_back({0, 4});
    return ring;
}

}  // namespace

TEST(PolygonTessellation, SimpleOutlinesAreCoveredExactlyEitherWayRound) {
    // The comb, and a square with a notch that reaches into the triangle of a convex corner.
    const std::vector<Point2> notched = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 3}, {3, 2}, {0, 1}};
    for (std::vector<Point2> ring : {comb(), notched})
        for (int turn = 0; turn < 2; ++turn) {
            for (size_t start = 0; start < ring.size(); ++start) {
                std::vector<Point2> rotated(ring.begin() + static_cast<long>(start), ring.end());
                rotated.insert(rotated.end(), ring.begin(), ring.begin() + static_cast<long>(start));
                TriangleMesh mesh;
                ASSERT_TRUE(tessellate({rotated}, mesh));
                const Cover c = coverOf(rotated, mesh);
                EXPECT_NEAR(c.area, std::abs(signedArea(rotated)), 1e-9) << turn << " " << start;
                EXPECT_TRUE(c.allInside) << turn << " " << start;
            }
            std::reverse(ring.begin(), ring.end());
        }
}

TEST(PolygonTessellation, OutlinesThatTouchOrCrossThemselvesFillByTheNonZeroRule) {
    // A bow tie: the two lobes are filled, each once.
    const std::vector<Point2> bowTie = {{0, 0}, {2, 2}, {2, 0}, {0, 2}};
    TriangleMesh mesh;
    ASSERT_TRUE(tessellate({bowTie}, mesh));
    EXPECT_NEAR(coverOf(bowTie, mesh, false).area, 2.0, 1e-9);
    // Two squares meeting at one corner that the outline passes twice.
    const std::vector<Point2> pinched = {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {1, 2}, {1, 1}, {0, 1}};
    mesh = {};
    ASSERT_TRUE(tessellate({pinched}, mesh));
    EXPECT_NEAR(coverOf(pinched, mesh, false).area, 2.0, 1e-9);
    // A square wound twice over itself is filled once.
    const std::vector<Point2> twice = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}, {1, 1}, {0, 1}};
    mesh = {};
    ASSERT_TRUE(tessellate({twice}, mesh));
    EXPECT_NEAR(coverOf(twice, mesh, false).area, 1.0, 1e-9);
    // A square with a square hole wound the other way.
    const std::vector<Point2> outer = {{0, 0}, {3, 0}, {3, 3}, {0, 3}};
    const std::vector<Point2> hole = {{1, 1}, {1, 2}, {2, 2}, {2, 1}};
    mesh = {};
    ASSERT_TRUE(tessellate({outer, hole}, mesh));
    EXPECT_NEAR(coverOf(outer, mesh, false).area, 8.0, 1e-9);
}
