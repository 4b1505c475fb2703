#include <gtest/gtest.h>

#include <cmath>

#include "model/geometry.h"

using namespace plikatra;

TEST(Geometry, TriangleAreaDegenerateAndImpossible) {
    EXPECT_EQ(triangleArea(1, 1, 2), 0.0);
    EXPECT_TRUE(std::isnan(triangleArea(1, 1, 5)));
    EXPECT_DOUBLE_EQ(triangleArea(3, 4, 5), 6.0);
}

TEST(Geometry, OrientationOnAndBeyondSegment) {
    const Point2 a{0, 0}, b{2, 0};
    EXPECT_EQ(orientation(a, b, {1, 1}), 1);
    EXPECT_EQ(orientation(a, b, {1, -1}), -1);
    EXPECT_EQ(orientation(a, b, {1, 0}), 2);
    EXPECT_EQ(orientation(a, b, {2, 0}), 2);
    EXPECT_EQ(orientation(a, b, {3, 0}), 0);
    EXPECT_EQ(orientation(a, b, {-1, 0}), 0);
}

TEST(Geometry, InsideTriangleEdgesCornersAndWindings) {
    const Point2 a{0, 0}, b{4, 0}, c{0, 4};
    for (bool reversed : {false, true}) {
        const Point2& p = reversed ? c : b;
        const Point2& q = reversed ? b : c;
        EXPECT_TRUE(insideTriangle({1, 1}, a, p, q));
        EXPECT_TRUE(insideTriangle({2, 0}, a, p, q));   // on an edge
        EXPECT_TRUE(insideTriangle({2, 2}, a, p, q));   // on the slanted edge
        EXPECT_TRUE(insideTriangle({0, 0}, a, p, q));   // corner
        EXPECT_FALSE(insideTriangle({3, 3}, a, p, q));
        EXPECT_FALSE(insideTriangle({-1, 1}, a, p, q));
    }
}

TEST(Geometry, SegmentIntersection) {
    Point2 out;
    EXPECT_EQ(segmentIntersection({0, 0}, {2, 2}, {0, 2}, {2, 0}, out), 1);
    EXPECT_DOUBLE_EQ(out.x, 1.0);
    EXPECT_DOUBLE_EQ(out.y, 1.0);
    // Shared end point counts; collinear overlap does not (parallel).
    EXPECT_EQ(segmentIntersection({0, 0}, {1, 0}, {1, 0}, {1, 1}, out), 1);
    EXPECT_EQ(segmentIntersection({0, 0}, {2, 0}, {1, 0}, {3, 0}, out), 0);
    // Lines meet outside the second segment: the point is still written.
    EXPECT_EQ(segmentIntersection({0, 0}, {2, 2}, {0, 2}, {0.5, 1.5}, out), 0);
    EXPECT_DOUBLE_EQ(out.x, 1.0);
    // Disjoint ranges are rejected before anything is computed.
    out = {7, 7};
    EXPECT_EQ(segmentIntersection({0, 0}, {1, 1}, {5, 5}, {6, 7}, out), 0);
    EXPECT_EQ(out.x, 7.0);
}

TEST(Geometry, WithinRangeTolerance) {
    EXPECT_TRUE(withinRange(0, 1, 1 + 0.9e-7));
    EXPECT_FALSE(withinRange(0, 1, 1 + 2e-7));
    EXPECT_TRUE(withinRange(1, 0, -0.5e-7));
}

TEST(Geometry, PlaceThirdPointRightSideAndCollapse) {
    // 3-4-5 triangle on the base (0,0)-(5,0): the third point lies right of the direction,
    // which in y-down sheet coordinates is negative y here.
    Point2 p = placeThirdPoint({0, 0}, {5, 0}, 5, 4, 3);
    EXPECT_NEAR(p.x, 1.8, 1e-12);
    EXPECT_NEAR(p.y, -2.4, 1e-12);
    EXPECT_NEAR(std::hypot(p.x, p.y), 3, 1e-12);
    // Impossible triangle collapses onto the line at distance m.
    p = placeThirdPoint({0, 0}, {10, 0}, 10, 2, 3);
    const double m = (9 + 100 - 4) / 20.0;
    EXPECT_DOUBLE_EQ(p.x, m);
    EXPECT_DOUBLE_EQ(p.y, 0.0);
}

TEST(Geometry, FormatPointAndDistances) {
    EXPECT_EQ(formatPoint({1, -0.5, 1234567}), "(1,-0.5,1.23457e+06)");
    EXPECT_DOUBLE_EQ(distance3(0, 0, 0, 1, 2, 2), 3.0);
    EXPECT_DOUBLE_EQ(distance2(0, 0, 3, 4), 5.0);
    EXPECT_EQ(squaredPixelDistance(1, 2, 4, 6), 25);
}
