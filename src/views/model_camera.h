// The 3D view's camera as plain arithmetic: a quaternion trackball, a pan point and a distance,
// the perspective frustum, and the projection of model points to window pixels.
#pragma once

#include <array>

#include "model/geometry.h"

namespace plikatra {

// 4 × 4 matrix in OpenGL's column-major order (element [col * 4 + row]).
using Matrix4 = std::array<double, 16>;
// 3 × 3 matrix, row-major (element [row * 3 + col]), applied to column vectors.
using Matrix3 = std::array<double, 9>;

struct Quaternion {
    double x = 0.0, y = 0.0, z = 0.0;  // vector part
    double w = 1.0;                    // scalar part
};

// Hamilton product a ⊗ b.
Quaternion multiply(const Quaternion& a, const Quaternion& b);
// The rotation of q by the unit-quaternion formula with s = 2 / |q|² (q is not renormalised);
// the identity for a zero quaternion.
Matrix3 rotationMatrix(const Quaternion& q);
// The point of the trackball under window position (mx, my), y down: the ball is centred on
// the client centre with the half diagonal as radius; points outside it go to its rim.
Point3 ballPoint(int mx, int my, int width, int height);

Matrix4 multiply(const Matrix4& a, const Matrix4& b);

// Camera distance limits: the camera never comes nearer than 0.7 or goes farther than 30.
inline constexpr double kNearestDistance = -0.7;
inline constexpr double kFarthestDistance = -30.0;

class ModelCamera {
public:
    ModelCamera() { reset(); }

    // Identity rotation; pan and distance stay (they have their own controls).
    void reset();
    void resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    // Trackball: press at a window point, move, release.
    void beginRotate(int mx, int my);
    void rotateTo(int mx, int my);
    void endRotate();

    // Pans by a cursor movement in window pixels (y down) so that the model follows it.
    void pan(int dx, int dy);
    // Shift-drag: the distance changes by 0.01 (dx + dy), kept within the limits.
    void moveDistance(int dx, int dy);
    // Wheel: the distance changes by -0.002 × delta (+ with `invert`), kept within limits.
    void wheel(int delta, bool invert);

    const Quaternion& rotation() const { return q_; }
    const Matrix3& rotationMatrix() const { return r_; }
    const Point3& panPoint() const { return pan_; }
    double distance() const { return distance_; }
    void setDistance(double d);

    // The perspective frustum alone.
    Matrix4 frustum() const;
    // Frustum × translate(0, 0, distance) × rotation × translate(-pan): the whole camera, which
    // the view keeps on the projection stack.
    Matrix4 projection() const;
    // Whether every point within `radius` of `centre` lies beyond the near plane, so that
    // none of it is cut away there and the eye is outside it.
    bool sphereBeyondNearPlane(const Point3& centre, double radius) const;
    // Window position of a model point (x right, y from the bottom, pixels) and its depth
    // (0 at the near plane, 1 at the far plane).
    Point3 project(const Point3& p) const;

private:
    int width_ = 1;
    int height_ = 1;
    Quaternion q_;
    Quaternion pressQ_;
    Point3 pressPoint_;
    Matrix3 r_{};
    Point3 pan_;
    // Far enough to show a whole normalised model (half-extent 1) in a wide window.
    double distance_ = -5.0;
    Matrix4 projection_{};

    void update();
};

}  // namespace plikatra
