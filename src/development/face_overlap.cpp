#include "development/face_overlap.h"

#include <algorithm>
#include <cmath>

namespace plikatra {

namespace {

bool finite(const Point2& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

double signedArea(const Point2* p, std::size_t n) {
    double a = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const Point2& u = p[i];
        const Point2& v = p[(i + 1) % n];
        a += u.x * v.y - v.x * u.y;
    }
    return a / 2;
}

// Whether the sides of A give an axis along which A and B lie apart (up to the tolerance).
// `tested` counts the axes of positive length.
bool separatedAlongSidesOf(const Point2* a, std::size_t na, const Point2* b, std::size_t nb,
                           double tolerance, int& tested) {
    for (std::size_t i = 0; i < na; ++i) {
        const Point2& u = a[i];
        const Point2& v = a[(i + 1) % na];
        const double dx = v.x - u.x, dy = v.y - u.y;
        const double len = std::sqrt(dx * dx + dy * dy);
        if (!(len > 0.0)) continue;
        ++tested;
        const double nx = -dy / len, ny = dx / len;
        double minA = nx * a[0].x + ny * a[0].y, maxA = minA;
        for (std::size_t k = 1; k < na; ++k) {
            const double d = nx * a[k].x + ny * a[k].y;
            minA = std::min(minA, d);
            maxA = std::max(maxA, d);
        }
        double minB = nx * b[0].x + ny * b[0].y, maxB = minB;
        for (std::size_t k = 1; k < nb; ++k) {
            const double d = nx * b[k].x + ny * b[k].y;
            minB = std::min(minB, d);
            maxB = std::max(maxB, d);
        }
        if (maxA <= minB + tolerance || maxB <= minA + tolerance) return true;
    }
    return false;
}

bool insideTriangleStrict(const Point2& p, const Point2& a, const Point2& b, const Point2& c) {
    const double d1 = sideOf(a, b, p), d2 = sideOf(b, c, p), d3 = sideOf(c, a, p);
    return (d1 > 0 && d2 > 0 && d3 > 0) || (d1 < 0 && d2 < 0 && d3 < 0);
}

double distanceToSegment(const Point2& p, const Point2& a, const Point2& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / l2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool insidePolygon(const Point2& p, const Point2* b, std::size_t nb) {
    bool in = false;
    for (std::size_t i = 0, j = nb - 1; i < nb; j = i++) {
        const Point2& u = b[i];
        const Point2& v = b[j];
        if ((u.y > p.y) != (v.y > p.y) && p.x < (v.x - u.x) * (p.y - u.y) / (v.y - u.y) + u.x)
            in = !in;
    }
    return in;
}

}  // namespace

bool isConvexPolygon(const Point2* p, std::size_t n) {
    if (n <= 3) return true;
    int sign = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double s = sideOf(p[i], p[(i + 1) % n], p[(i + 2) % n]);
        const int si = s > 0 ? 1 : s < 0 ? -1 : 0;
        if (si == 0) continue;
        if (sign == 0) sign = si;
        else if (si != sign) return false;
    }
    return true;
}

bool convexPolygonsOverlap(const Point2* a, std::size_t na, const Point2* b, std::size_t nb,
                           double tolerance) {
    if (na == 0 || nb == 0) return false;
    for (std::size_t i = 0; i < na; ++i)
        if (!finite(a[i])) return true;
    for (std::size_t i = 0; i < nb; ++i)
        if (!finite(b[i])) return true;
    int testedA = 0, testedB = 0;
    if (separatedAlongSidesOf(a, na, b, nb, tolerance, testedA)) return false;
    if (separatedAlongSidesOf(b, nb, a, na, tolerance, testedB)) return false;
    return testedA > 0 && testedB > 0;
}

void convexPieces(const Point2* p, std::size_t n, std::vector<Point2>& corners,
                  std::vector<std::size_t>& counts) {
    if (n < 3 || isConvexPolygon(p, n)) {
        corners.insert(corners.end(), p, p + n);
        counts.push_back(n);
        return;
    }
    const double orient = signedArea(p, n) >= 0 ? 1.0 : -1.0;
    std::vector<std::size_t> ring(n);
    for (std::size_t i = 0; i < n; ++i) ring[i] = i;
    const std::size_t start = corners.size(), startCounts = counts.size();
    while (ring.size() > 3) {
        bool clipped = false;
        for (std::size_t k = 0; k < ring.size() && !clipped; ++k) {
            const std::size_t m = ring.size();
            const Point2& a = p[ring[(k + m - 1) % m]];
            const Point2& b = p[ring[k]];
            const Point2& c = p[ring[(k + 1) % m]];
            if (sideOf(a, b, c) * orient <= 0) continue;
            bool ear = true;
            for (std::size_t j = 0; j < m && ear; ++j) {
                const std::size_t q = ring[j];
                if (q == ring[(k + m - 1) % m] || q == ring[k] || q == ring[(k + 1) % m]) continue;
                if (insideTriangleStrict(p[q], a, b, c)) ear = false;
            }
            if (!ear) continue;
            corners.insert(corners.end(), {a, b, c});
            counts.push_back(3);
            ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(k));
            clipped = true;
        }
        if (!clipped) {
            // Not a simple polygon: a fan from the first corner still covers it.
            corners.resize(start);
            counts.resize(startCounts);
            for (std::size_t i = 1; i + 1 < n; ++i) {
                corners.insert(corners.end(), {p[0], p[i], p[i + 1]});
                counts.push_back(3);
            }
            return;
        }
    }
    corners.insert(corners.end(), {p[ring[0]], p[ring[1]], p[ring[2]]});
    counts.push_back(3);
}

bool polygonsOverlap(const Point2* a, std::size_t na, const Point2* b, std::size_t nb,
                     double tolerance) {
    const bool convexA = isConvexPolygon(a, na), convexB = isConvexPolygon(b, nb);
    if (convexA && convexB) return convexPolygonsOverlap(a, na, b, nb, tolerance);
    std::vector<Point2> pa, pb;
    std::vector<std::size_t> ca, cb;
    convexPieces(a, na, pa, ca);
    convexPieces(b, nb, pb, cb);
    std::size_t ia = 0;
    for (std::size_t i = 0; i < ca.size(); ia += ca[i++]) {
        std::size_t ib = 0;
        for (std::size_t j = 0; j < cb.size(); ib += cb[j++])
            if (convexPolygonsOverlap(&pa[ia], ca[i], &pb[ib], cb[j], tolerance)) return true;
    }
    return false;
}

bool convexPolygonInside(const Point2* a, std::size_t na, const Point2* b, std::size_t nb,
                         double tolerance) {
    if (nb < 3) return false;
    for (std::size_t i = 0; i < na; ++i) {
        if (!finite(a[i])) return false;
        if (insidePolygon(a[i], b, nb)) continue;
        double d = HUGE_VAL;
        for (std::size_t j = 0; j < nb; ++j)
            d = std::min(d, distanceToSegment(a[i], b[j], b[(j + 1) % nb]));
        if (!(d <= tolerance)) return false;
    }
    // A side of B reaching into A leaves part of A outside B even with every corner of A in B.
    for (std::size_t j = 0; j < nb; ++j) {
        const Point2 side[2] = {b[j], b[(j + 1) % nb]};
        if (convexPolygonsOverlap(a, na, side, 2, tolerance)) return false;
    }
    return true;
}

}  // namespace plikatra
