#include "model/geometry.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace plikatra {

double dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

double squaredLength(const Point3& p) { return p.x * p.x + p.y * p.y + p.z * p.z; }

double length(const Point3& p) { return std::sqrt(squaredLength(p)); }

void set(Point3& p, double x, double y, double z) {
    p.x = x;
    p.y = y;
    p.z = z;
}

void clear(Point3& p) { p = Point3{}; }

Point3 cross(const Point3& u, const Point3& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

Point3 sub(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

double distance3(double x1, double y1, double z1, double x2, double y2, double z2) {
    const double dx = x1 - x2, dy = y1 - y2, dz = z1 - z2;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double distance3(const Point3& a, const Point3& b) {
    return distance3(a.x, a.y, a.z, b.x, b.y, b.z);
}

double distance2(double x1, double y1, double x2, double y2) {
    const double dx = x1 - x2, dy = y1 - y2;
    return std::sqrt(dx * dx + dy * dy);
}

int squaredPixelDistance(int x1, int y1, int x2, int y2) {
    return (x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2);
}

double triangleArea(double a, double b, double c) {
    const double s = (a + b + c) / 2;
    return std::sqrt(s * ((s - a) * (s - b) * (s - c)));
}

Point2 placeThirdPoint(const Point2& p1, const Point2& p2, double d12, double d2, double d1) {
    const double m = (d1 * d1 + d12 * d12 - d2 * d2) / (2 * d12);
    const double h2 = d1 * d1 - m * m;
    const double o = h2 >= 0 ? -std::sqrt(h2) : 0.0;
    Point2 r;
    r.x = p1.x + (o * (p1.y - p2.y) + m * (p2.x - p1.x)) / d12;
    r.y = p1.y + (m * (p2.y - p1.y) + o * (p2.x - p1.x)) / d12;
    return r;
}

int orientation(const Point2& p0, const Point2& p1, const Point2& p) {
    const double dx = p1.x - p0.x, dy = p1.y - p0.y;
    const double px = p.x - p0.x, py = p.y - p0.y;
    const double c = sideOf(p0, p1, p);
    if (c > 0) return 1;
    if (c < 0) return -1;
    if (dx * px >= 0 && dy * py >= 0 && px * px + py * py <= dx * dx + dy * dy) return 2;
    return 0;
}

bool insideTriangle(const Point2& p, const Point2& a, const Point2& b, const Point2& c) {
    if (p.x < a.x && p.x < b.x && p.x < c.x) return false;
    if (p.x > a.x && p.x > b.x && p.x > c.x) return false;
    if (p.y < a.y && p.y < b.y && p.y < c.y) return false;
    if (p.y > a.y && p.y > b.y && p.y > c.y) return false;
    const int e = orientation(a, b, p);
    const int f = orientation(b, c, p);
    const int g = orientation(c, a, p);
    if (e == f && f == g && (e == 1 || e == -1)) return true;
    return e == 2 || f == 2 || g == 2;
}

bool withinRange(double a, double b, double v) {
    return !(std::min(a, b) > v + 1e-7 || v > std::max(a, b) + 1e-7);
}

int segmentIntersection(const Point2& p1, const Point2& p2, const Point2& p3, const Point2& p4,
                        Point2& out) {
    const double maxX = std::max(p1.x, p2.x), minX = std::min(p1.x, p2.x);
    if ((p3.x > maxX && p4.x > maxX) || (p3.x < minX && p4.x < minX)) return 0;
    const double maxY = std::max(p1.y, p2.y), minY = std::min(p1.y, p2.y);
    if ((p3.y > maxY && p4.y > maxY) || (p3.y < minY && p4.y < minY)) return 0;
    const double den = (p1.y - p2.y) * (p4.x - p3.x) - (p3.y - p4.y) * (p2.x - p1.x);
    if (den == 0.0) return 0;
    const double c1 = p1.x * p2.y - p2.x * p1.y;
    const double c2 = p3.x * p4.y - p4.x * p3.y;
    out.x = ((p2.x - p1.x) * c2 - c1 * (p4.x - p3.x)) / den;
    out.y = ((p1.y - p2.y) * c2 - (p3.y - p4.y) * c1) / (-den);
    if (withinRange(p1.x, p2.x, out.x) && withinRange(p1.y, p2.y, out.y) &&
        withinRange(p3.x, p4.x, out.x) && withinRange(p3.y, p4.y, out.y))
        return 1;
    return 0;
}

std::string formatPoint(const Point3& p) {
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << "(" << p.x << "," << p.y << "," << p.z << ")";
    return s.str();
}

}  // namespace plikatra
