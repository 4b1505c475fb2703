#include "model/polygon_triangulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace plikatra;

namespace {

// Twice the signed area of a triangle seen from +z.
double signedArea2(const Point3& a, const Point3& b, const Point3& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

double polygonArea2(const std::vector<Point3>& p) {
    double s = 0.0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Point3& a = p[i];
        const Point3& b = p[(i + 1) % p.size()];
        s += a.x * b.y - b.x * a.y;
    }
    return s;
}

// Star-shaped loop of `n` corners around (cx, 0) with radii in [r0, r1], the first at angle
// `start`, counter-clockwise unless `clockwise`.
std::vector<Point3> starLoop(std::mt19937& rng, int n, double r0, double r1, bool clockwise,
                             double cx = 0, double start = 0) {
    std::uniform_real_distribution<double> radius(r0, r1);
    std::vector<Point3> loop;
    for (int i = 0; i < n; ++i) {
        const double t = start + 2 * M_PI * i / n * (clockwise ? -1 : 1);
        const double r = radius(rng);
        loop.push_back({cx + r * std::cos(t), r * std::sin(t), 0.0});
    }
    return loop;
}

// The triangles cover the polygon exactly: n − 2 of them, none turned over, their areas
// adding up to the polygon's.
void expectCovers(const std::vector<Point3>& polygon) {
    const auto triangles = triangulatePolygon(polygon);
    ASSERT_EQ(triangles.size(), polygon.size() - 2);
    double sum = 0.0, scale = std::fabs(polygonArea2(polygon));
    for (const auto& t : triangles) {
        const double a = signedArea2(polygon[t[0]], polygon[t[1]], polygon[t[2]]);
        EXPECT_GE(a, -1e-12 * scale);
        sum += std::fabs(a);
    }
    EXPECT_NEAR(sum, polygonArea2(polygon), 1e-9 * scale);
}

}  // namespace

TEST(TriangulatePolygon, BridgedHolesAndTouchingLoopsAreCoveredExactly) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        // An outline with two holes, each bridged from a corner of the outline where both
        // have a corner at the same angle.
        const int n = 6 + 2 * (round % 8);
        const auto rim = starLoop(rng, n, 2.0, 3.0, false);
        const auto left = starLoop(rng, 3 + round % 6, 0.3, 0.7, true, -1.0, M_PI);
        const auto right = starLoop(rng, 3 + round % 4, 0.3, 0.7, true, 1.0);
        std::vector<Point3> twoHoles(rim.begin(), rim.begin() + n / 2 + 1);
        twoHoles.insert(twoHoles.end(), left.begin(), left.end());
        twoHoles.push_back(left[0]);
        twoHoles.insert(twoHoles.end(), rim.begin() + n / 2, rim.end());
        twoHoles.push_back(rim[0]);
        twoHoles.insert(twoHoles.end(), right.begin(), right.end());
        twoHoles.push_back(right[0]);
        expectCovers(twoHoles);
        // Two loops touching at one corner: the second starts where the first ended.
        std::vector<Point3> touching = starLoop(rng, 3 + round % 7, 0.5, 1.0, false, -1.0);
        auto second = starLoop(rng, 3 + round % 5, 0.5, 1.0, false, 1.0, M_PI);
        second[0] = touching[0] = {0.0, 0.0, 0.0};
        touching.insert(touching.end(), second.begin(), second.end());
        expectCovers(touching);
    }
}
