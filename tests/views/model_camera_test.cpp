#include <gtest/gtest.h>

#include <cmath>

#include "model/construction.h"
#include "model/primitive_shapes.h"
#include "test_util.h"
#include "views/model_camera.h"
#include "views/model_picking.h"

using namespace plikatra;

namespace {

Point3 apply(const Matrix3& r, Point3 p) {
    return {r[0] * p.x + r[1] * p.y + r[2] * p.z, r[3] * p.x + r[4] * p.y + r[5] * p.z,
            r[6] * p.x + r[7] * p.y + r[8] * p.z};
}

void expectPoint(Point3 a, Point3 b, double tolerance = 1e-12) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// Window position (y down) of the ball point at `degrees` from the view axis towards +x
// (or +y when `vertical`), in a 400 × 400 client.
std::pair<int, int> ballAt(double degrees, bool vertical) {
    const double radius = std::sqrt(2.0) * 200;
    const double off = std::sin(degrees * 3.14159265358979323846 / 180) * radius;
    const int o = static_cast<int>(std::lround(off));
    return vertical ? std::pair{200, 200 - o} : std::pair{200 + o, 200};
}

}  // namespace

TEST(ModelCamera, DragOfFortyFiveDegreesOnTheBallTurnsAQuarter) {
    ModelCamera cam;
    cam.resize(400, 400);
    // The ball point moves by half the turn: a drag across 45 degrees turns the model 90.
    const auto [x, y] = ballAt(45, false);
    cam.beginRotate(200, 200);
    cam.rotateTo(x, y);
    // The front of the model follows the cursor to the right.
    expectPoint(apply(cam.rotationMatrix(), {0, 0, 1}), {1, 0, 0}, 2e-3);
    expectPoint(apply(cam.rotationMatrix(), {0, 1, 0}), {0, 1, 0}, 2e-3);
    cam.endRotate();
    // A second drag upwards composes on the left: the model's right side now faces the
    // viewer and turns up.
    const auto [x2, y2] = ballAt(45, true);
    cam.beginRotate(200, 200);
    cam.rotateTo(x2, y2);
    expectPoint(apply(cam.rotationMatrix(), {0, 0, 1}), {1, 0, 0}, 3e-3);
    expectPoint(apply(cam.rotationMatrix(), {-1, 0, 0}), {0, 1, 0}, 3e-3);
    cam.reset();
    expectPoint(apply(cam.rotationMatrix(), {0.3, -2, 5}), {0.3, -2, 5});
}

TEST(ModelCamera, BallMappingAndUnnormalisedQuaternion) {
    expectPoint(ballPoint(200, 100, 400, 200), {0, 0, 1});
    // Outside the ball: on its rim, in the plane of the screen.
    const Point3 rim = ballPoint(10000, 100, 400, 200);
    expectPoint(rim, {1, 0, 0});
    // Scaling the quaternion does not change the matrix (s = 2 / |q|²).
    const Quaternion q{0.1, 0.2, -0.3, 0.9};
    const Matrix3 a = rotationMatrix(q), b = rotationMatrix({0.3, 0.6, -0.9, 2.7});
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(a[i], b[i], 1e-12);
}

TEST(ModelCamera, DistanceStaysWithinItsLimits) {
    ModelCamera cam;
    cam.wheel(-1000000, false);
    EXPECT_EQ(cam.distance(), -0.7);
    cam.wheel(1000000, false);
    EXPECT_EQ(cam.distance(), -30.0);
    cam.wheel(1000000, true);
    EXPECT_EQ(cam.distance(), -0.7);
    cam.setDistance(-5);
    cam.wheel(120, false);
    EXPECT_DOUBLE_EQ(cam.distance(), -5.24);
    cam.moveDistance(30, 20);
    EXPECT_DOUBLE_EQ(cam.distance(), -4.74);
    cam.moveDistance(-3000, 0);
    EXPECT_EQ(cam.distance(), -30.0);
    cam.moveDistance(3000, 3000);
    EXPECT_EQ(cam.distance(), -0.7);
}

TEST(ModelCamera, FrustumAndProjection) {
    ModelCamera cam;
    cam.resize(1280, 800);
    const Matrix4 f = cam.frustum();
    EXPECT_DOUBLE_EQ(f[0], 0.134 / 0.05);
    EXPECT_DOUBLE_EQ(f[5], 0.134 / (0.05 * 800 / 1280));
    EXPECT_DOUBLE_EQ(f[10], -(2000 + 0.134) / (2000 - 0.134));
    EXPECT_EQ(f[11], -1.0);
    // The pan point comes to the centre of the client area.
    cam.setDistance(-4);
    const Point3 centre = cam.project(cam.panPoint());
    EXPECT_NEAR(centre.x, 640, 1e-9);
    EXPECT_NEAR(centre.y, 400, 1e-9);
    // A point at the near plane has depth 0.
    EXPECT_NEAR(cam.project({0, 0, 4 - 0.134}).z, 0.0, 1e-9);
}

TEST(ModelCamera, PanMovesTheModelWithTheCursor) {
    ModelCamera cam;
    cam.resize(600, 400);
    cam.beginRotate(300, 200);
    cam.rotateTo(380, 150);  // some rotation about a slanted axis
    cam.endRotate();
    const Point3 before = cam.project({0.2, 0.1, -0.3});
    cam.pan(30, 0);
    const Point3 right = cam.project({0.2, 0.1, -0.3});
    EXPECT_GT(right.x, before.x + 5);
    EXPECT_NEAR(right.y, before.y, 0.5);
    cam.pan(0, 30);  // the cursor moves down the window; y of the projection counts up
    const Point3 down = cam.project({0.2, 0.1, -0.3});
    EXPECT_LT(down.y, right.y - 5);
    EXPECT_NEAR(down.x, right.x, 0.5);
    // The step is 1/300 of a unit per pixel along screen directions.
    const double moved = std::sqrt(squaredLength(cam.panPoint()));
    EXPECT_NEAR(moved, std::sqrt(2.0) * 30 * 0.0033333333333333335, 1e-12);
}

TEST(ModelPicking, EdgeHoverWithinFivePixelsOnEdgesWithTwoFaces) {
    // Two coplanar triangles facing the viewer: one flat diagonal with two faces, four
    // border edges with one face each.
    Model m;
    test::addPolygonSolid(m, {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}},
                          {{0, 1, 2}, {0, 2, 3}});
    finishShape(m);
    ModelCamera cam;
    cam.resize(400, 400);
    const Solid& s = *m.solids[0];
    const Edge* diagonal = nullptr;
    for (const auto& e : s.edges)
        if (e->b) diagonal = e.get();
    ASSERT_TRUE(diagonal);
    const Point3 a = cam.project(diagonal->a->origin->position);
    const Point3 b = cam.project(diagonal->a->next->origin->position);
    const int mx = static_cast<int>(std::lround((a.x + b.x) / 2));
    const int my = 400 - static_cast<int>(std::lround((a.y + b.y) / 2));
    // Flat (180 degrees), so hidden from hovering while flat folds are culled.
    EXPECT_EQ(pickEdge(m, cam, mx, my, true, 178), nullptr);
    EXPECT_EQ(pickEdge(m, cam, mx, my, false, 178), diagonal);
    EXPECT_EQ(pickEdge(m, cam, mx + 3, my, false, 178), diagonal);
    EXPECT_EQ(pickEdge(m, cam, mx + 10, my, false, 178), nullptr);
    // A border edge has one face and cannot be hovered.
    const Point3 corner = cam.project(s.vertices[1]->position);
    EXPECT_EQ(pickEdge(m, cam, static_cast<int>(corner.x), 200, false, 178), nullptr);
}

TEST(ModelPicking, TheNearestEdgeAndFaceWin) {
    // Two flat squares split along the same diagonal, the second nearer the viewer; both
    // diagonals pass through the view axis, so both lie under the centre of the window.
    Model m;
    for (double z : {0.0, 0.5})
        test::addPolygonSolid(m, {{-1, -1, z}, {1, -1, z}, {1, 1, z}, {-1, 1, z}},
                              {{0, 1, 2}, {0, 2, 3}});
    finishShape(m);
    ModelCamera cam;
    cam.resize(400, 300);
    auto diagonalOf = [](const Solid& s) {
        for (const auto& e : s.edges)
            if (e->b) return e.get();
        return static_cast<Edge*>(nullptr);
    };
    EXPECT_EQ(pickEdge(m, cam, 200, 150, false, 178), diagonalOf(*m.solids[1]));
    m.solids[1]->visible = false;
    EXPECT_EQ(pickEdge(m, cam, 200, 150, false, 178), diagonalOf(*m.solids[0]));

    auto cube = test::makeCube();
    const Face* front = pickFace(*cube, cam, 200, 150);
    ASSERT_TRUE(front);
    EXPECT_GT(front->normal.z, 0.9);
    // Inside the front face only near its corner: the sides' projections do not reach there.
    const Point3 corner = cam.project({1, 1, 1});
    const Face* atCorner = pickFace(*cube, cam, static_cast<int>(corner.x) - 2,
                                    300 - static_cast<int>(corner.y) + 2);
    EXPECT_EQ(atCorner, front);
    EXPECT_EQ(pickFace(*cube, cam, 2, 2), nullptr);
}
