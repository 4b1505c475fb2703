#include "model/polygon_triangulation.h"

#include <cmath>

namespace plikatra {

namespace {

// The polygon seen along its normal (Newell's method), so that it winds counter-clockwise.
std::vector<Point2> flatten(std::span<const Point3> points) {
    const std::size_t n = points.size();
    Point3 normal;
    for (std::size_t i = 0; i < n; ++i) {
        const Point3& a = points[i];
        const Point3& b = points[(i + 1) % n];
        normal.x += (a.y - b.y) * (a.z + b.z);
        normal.y += (a.z - b.z) * (a.x + b.x);
        normal.z += (a.x - b.x) * (a.y + b.y);
    }
    // Drop the axis the normal leans on most; the two left, in cyclic order after it, see the
    // polygon counter-clockwise when that component is positive, and mirrored otherwise.
    const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    std::vector<Point2> flat(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Point3& p = points[i];
        if (az >= ax && az >= ay)
            flat[i] = {normal.z < 0 ? -p.x : p.x, p.y};
        else if (ax >= ay)
            flat[i] = {normal.x < 0 ? -p.y : p.y, p.z};
        else
            flat[i] = {normal.y < 0 ? -p.z : p.z, p.x};
    }
    return flat;
}

bool samePoint(const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; }

// Inside the counter-clockwise triangle abc or on its sides.
bool inTriangle(const Point2& p, const Point2& a, const Point2& b, const Point2& c) {
    return sideOf(a, b, p) >= 0 && sideOf(b, c, p) >= 0 && sideOf(c, a, p) >= 0;
}

}  // namespace

std::vector<std::array<std::uint32_t, 3>> triangulatePolygon(std::span<const Point3> points) {
    std::vector<std::array<std::uint32_t, 3>> triangles;
    const auto n = static_cast<std::uint32_t>(points.size());
    if (n < 3) return triangles;
    triangles.reserve(n - 2);
    const std::vector<Point2> flat = flatten(points);
    // The corners not yet cut off, as a ring.
    std::vector<std::uint32_t> prev(n), next(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        prev[i] = (i + n - 1) % n;
        next[i] = (i + 1) % n;
    }
    // Corner b is an ear when it turns left and no other corner lies in the triangle it cuts
    // off. Corners on the triangle's own corners do not count: a bridge's second visit of a
    // point lies there without being in the way.
    auto isEar = [&](std::uint32_t b) {
        const std::uint32_t a = prev[b], c = next[b];
        const Point2 &pa = flat[a], &pb = flat[b], &pc = flat[c];
        if (!(sideOf(pa, pb, pc) > 0)) return false;
        for (std::uint32_t p = next[c]; p != a; p = next[p]) {
            const Point2& q = flat[p];
            if (samePoint(q, pa) || samePoint(q, pb) || samePoint(q, pc)) continue;
            if (inTriangle(q, pa, pb, pc)) return false;
        }
        return true;
    };
    std::vector<char> alive(n, 1);
    std::uint32_t left = n;
    auto cut = [&](std::uint32_t b) {
        const std::uint32_t a = prev[b], c = next[b];
        triangles.push_back({a, b, c});
        next[a] = c;
        prev[c] = a;
        alive[b] = 0;
        --left;
    };
    // A corner on its neighbour, or the tip of a spike whose two sides lie on each other (a
    // bridge that the cuts have reduced to there and back), encloses nothing: it is cut off
    // first, as a triangle without area, before any ear could reach across it. Cutting one
    // can make its neighbours such corners, so they are looked at again.
    auto flat0 = [&](std::uint32_t b) {
        const Point2 &pa = flat[prev[b]], &pb = flat[b], &pc = flat[next[b]];
        return samePoint(pa, pb) || samePoint(pb, pc) || samePoint(pa, pc);
    };
    std::vector<std::uint32_t> pending(n);
    for (std::uint32_t i = 0; i < n; ++i) pending[i] = n - 1 - i;
    auto cutFlatCorners = [&]() {
        while (!pending.empty() && left > 3) {
            const std::uint32_t p = pending.back();
            pending.pop_back();
            if (!alive[p] || !flat0(p)) continue;
            const std::uint32_t a = prev[p], c = next[p];
            cut(p);
            pending.push_back(c);
            pending.push_back(a);
        }
    };
    cutFlatCorners();
    std::uint32_t b = 0;
    while (!alive[b]) ++b;
    std::uint32_t tried = 0;  // corners looked at since the last cut
    // Cuts corner p off, then whatever that left without area, and goes on from the corner
    // after p (or the first one after it that is left: the links of a corner cut off still
    // lead forward to one).
    auto cutAndGoOn = [&](std::uint32_t p) {
        const std::uint32_t a = prev[p], c = next[p];
        cut(p);
        pending.push_back(c);
        pending.push_back(a);
        cutFlatCorners();
        b = c;
        while (!alive[b]) b = next[b];
        tried = 0;
    };
    while (left > 3) {
        if (isEar(b)) {
            cutAndGoOn(b);
            continue;
        }
        b = next[b];
        if (++tried < left) continue;
        // A whole round without an ear: only a polygon that is not planar, crosses itself or
        // has corners on other sides gets here. A corner that does not turn right is cut off
        // anyway (the first corner if all do), so that the loop always ends.
        std::uint32_t pick = b;
        for (std::uint32_t k = 0, p = b; k < left; ++k, p = next[p])
            if (sideOf(flat[prev[p]], flat[p], flat[next[p]]) >= 0) {
                pick = p;
                break;
            }
        cutAndGoOn(pick);
    }
    triangles.push_back({prev[b], b, next[b]});
    return triangles;
}

}  // namespace plikatra
