#include "views/model_camera.h"

#include <algorithm>
#include <cmath>

namespace plikatra {

namespace {

constexpr double kNear = 0.134;
constexpr double kFar = 2000.0;
constexpr double kHalfExtent = 0.05;
constexpr double kPanPerPixel = 0.0033333333333333335;

Matrix4 identity4() {
    Matrix4 m{};
    m[0] = m[5] = m[10] = m[15] = 1.0;
    return m;
}

Matrix4 translation(double x, double y, double z) {
    Matrix4 m = identity4();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

}  // namespace

Quaternion multiply(const Quaternion& a, const Quaternion& b) {
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
            a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

Matrix3 rotationMatrix(const Quaternion& q) {
    const double n = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
    if (!(n > 0.0)) return {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const double s = 2.0 / n;
    const double xx = s * q.x * q.x, yy = s * q.y * q.y, zz = s * q.z * q.z;
    const double xy = s * q.x * q.y, xz = s * q.x * q.z, yz = s * q.y * q.z;
    const double wx = s * q.w * q.x, wy = s * q.w * q.y, wz = s * q.w * q.z;
    return {1 - (yy + zz), xy - wz,       xz + wy,
            xy + wz,       1 - (xx + zz), yz - wx,
            xz - wy,       yz + wx,       1 - (xx + yy)};
}

Point3 ballPoint(int mx, int my, int width, int height) {
    const int halfW = width / 2, halfH = height / 2;
    const double radius = std::sqrt(static_cast<double>(width) * width +
                                    static_cast<double>(height) * height) / 2;
    const double x = (mx - halfW) / radius, y = (halfH - my) / radius;
    const double m = x * x + y * y;
    if (m > 1.0) {
        const double l = std::sqrt(m);
        return {x / l, y / l, 0.0};
    }
    return {x, y, std::sqrt(1.0 - m)};
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 m{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[col * 4 + k];
            m[col * 4 + row] = sum;
        }
    return m;
}

void ModelCamera::reset() {
    q_ = pressQ_ = Quaternion{};
    update();
}

void ModelCamera::resize(int width, int height) {
    width_ = std::max(1, width);
    height_ = std::max(1, height);
    update();
}

void ModelCamera::beginRotate(int mx, int my) {
    pressQ_ = q_;
    pressPoint_ = ballPoint(mx, my, width_, height_);
}

void ModelCamera::rotateTo(int mx, int my) {
    const Point3 p1 = ballPoint(mx, my, width_, height_);
    const Point3 c = cross(pressPoint_, p1);
    const Quaternion drag{c.x, c.y, c.z, dot(pressPoint_, p1)};
    q_ = multiply(drag, pressQ_);
    update();
}

void ModelCamera::endRotate() { pressQ_ = q_; }

void ModelCamera::pan(int dx, int dy) {
    // Screen right and up in model coordinates are the rotation's first and second rows; a
    // window y movement counts downwards.
    const Matrix3& r = r_;
    pan_.x -= kPanPerPixel * (dx * r[0] - dy * r[3]);
    pan_.y -= kPanPerPixel * (dx * r[1] - dy * r[4]);
    pan_.z -= kPanPerPixel * (dx * r[2] - dy * r[5]);
    update();
}

void ModelCamera::setDistance(double d) {
    distance_ = std::clamp(d, kFarthestDistance, kNearestDistance);
    update();
}

void ModelCamera::moveDistance(int dx, int dy) { setDistance(distance_ + 0.01 * (dx + dy)); }

void ModelCamera::wheel(int delta, bool invert) {
    setDistance(invert ? distance_ + 0.002 * delta : distance_ - 0.002 * delta);
}

Matrix4 ModelCamera::frustum() const {
    const double r = kHalfExtent, t = kHalfExtent * height_ / width_;
    Matrix4 m{};
    m[0] = 2 * kNear / (2 * r);
    m[5] = 2 * kNear / (2 * t);
    m[10] = -(kFar + kNear) / (kFar - kNear);
    m[11] = -1.0;
    m[14] = -2 * kFar * kNear / (kFar - kNear);
    return m;
}

Matrix4 ModelCamera::projection() const { return projection_; }

void ModelCamera::update() {
    r_ = plikatra::rotationMatrix(q_);
    Matrix4 rotation = identity4();
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            rotation[static_cast<size_t>(col * 4 + row)] = r_[static_cast<size_t>(row * 3 + col)];
    projection_ = multiply(multiply(multiply(frustum(), translation(0, 0, distance_)), rotation),
                           translation(-pan_.x, -pan_.y, -pan_.z));
}

bool ModelCamera::sphereBeyondNearPlane(const Point3& centre, double radius) const {
    // The eye looks down -z after the rotation about the pan point and the shift by distance.
    const double z = r_[6] * (centre.x - pan_.x) + r_[7] * (centre.y - pan_.y) +
                     r_[8] * (centre.z - pan_.z) + distance_;
    return -z - radius > kNear;
}

Point3 ModelCamera::project(const Point3& p) const {
    const Matrix4& m = projection_;
    const double x = m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12];
    const double y = m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13];
    const double z = m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14];
    const double w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
    return {width_ * (x / w + 1) / 2, height_ * (y / w + 1) / 2, (z / w + 1) / 2};
}

}  // namespace plikatra
