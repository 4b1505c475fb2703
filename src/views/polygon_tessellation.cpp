#include "views/polygon_tessellation.h"

#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <deque>
#include <memory>
#include <unordered_map>

namespace plikatra {

namespace {

// What the tessellator's callbacks fill.
struct Tessellation {
    std::deque<std::array<GLdouble, 3>> vertices;  // stable addresses for GLU
    std::unordered_map<const GLdouble*, std::uint32_t> index;  // vertex to mesh point
    TriangleMesh* mesh = nullptr;
    bool failed = false;
};

void GLAPIENTRY tessBegin(GLenum, void*) {}
void GLAPIENTRY tessEnd(void*) {}
// Registering an edge-flag callback makes GLU emit independent triangles only (no fans or
// strips), which is all the triangle list can hold.
void GLAPIENTRY tessEdgeFlag(GLboolean, void*) {}

void GLAPIENTRY tessVertex(void* vertex, void* data) {
    auto& t = *static_cast<Tessellation*>(data);
    const auto* v = static_cast<const GLdouble*>(vertex);
    auto [it, added] = t.index.try_emplace(v, static_cast<std::uint32_t>(t.mesh->points.size()));
    if (added) t.mesh->points.push_back({v[0], v[1]});
    t.mesh->indices.push_back(it->second);
}

void GLAPIENTRY tessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data) {
    auto& t = *static_cast<Tessellation*>(data);
    t.vertices.push_back({coords[0], coords[1], coords[2]});
    *out = t.vertices.back().data();
}

void GLAPIENTRY tessError(GLenum, void* data) { static_cast<Tessellation*>(data)->failed = true; }

using Callback = void(GLAPIENTRY*)();

double cross(Point2 a, Point2 b, Point2 c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

int sign(double v) { return (v > 0) - (v < 0); }

// Whether segments ab and cd meet anywhere, touching included.
bool segmentsMeet(Point2 a, Point2 b, Point2 c, Point2 d) {
    const int d1 = sign(cross(a, b, c)), d2 = sign(cross(a, b, d));
    const int d3 = sign(cross(c, d, a)), d4 = sign(cross(c, d, b));
    if (d1 * d2 < 0 && d3 * d4 < 0) return true;
    auto within = [](Point2 p, Point2 q, Point2 r) {  // r on the line pq: inside its box?
        return std::min(p.x, q.x) <= r.x && r.x <= std::max(p.x, q.x) &&
               std::min(p.y, q.y) <= r.y && r.y <= std::max(p.y, q.y);
    };
    return (d1 == 0 && within(a, b, c)) || (d2 == 0 && within(a, b, d)) ||
           (d3 == 0 && within(c, d, a)) || (d4 == 0 && within(c, d, b));
}

// Outlines longer than this go to GLU: the check below compares every pair of sides.
constexpr size_t kMaxEarClippedCorners = 512;

// A simple outline: no two sides meet except neighbours at their shared corner, and no
// corner turns straight back.
bool isSimple(const std::vector<Point2>& ring) {
    const size_t n = ring.size();
    for (size_t i = 0; i < n; ++i) {
        const Point2 a = ring[i], b = ring[(i + 1) % n], c = ring[(i + 2) % n];
        if (a.x == b.x && a.y == b.y) return false;
        // Neighbouring sides may only share their corner.
        if (cross(a, b, c) == 0 && (c.x - b.x) * (b.x - a.x) + (c.y - b.y) * (b.y - a.y) <= 0)
            return false;
        for (size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;
            if (segmentsMeet(a, b, ring[j], ring[(j + 1) % n])) return false;
        }
    }
    return true;
}

// Cuts a simple outline into triangles by clipping ears; false (nothing added) when the
// outline is not simple or too long, or no ear is found. A simple polygon's triangles cover
// exactly its inside whichever way it is cut, so the pixels are those of any other
// tessellation of it.
bool earClip(const std::vector<Point2>& ring, TriangleMesh& out) {
    const size_t n = ring.size();
    if (n < 3 || n > kMaxEarClippedCorners || !isSimple(ring)) return false;
    double area = 0;
    for (size_t i = 0; i < n; ++i) {
        const Point2 a = ring[i], b = ring[(i + 1) % n];
        area += a.x * b.y - b.x * a.y;
    }
    const int winding = sign(area);
    if (winding == 0) return false;
    std::vector<size_t> prev(n), next(n);
    for (size_t i = 0; i < n; ++i) {
        prev[i] = (i + n - 1) % n;
        next[i] = (i + 1) % n;
    }
    std::vector<std::uint32_t> triangles;
    triangles.reserve((n - 2) * 3);
    auto isEar = [&](size_t i) {
        const Point2 a = ring[prev[i]], b = ring[i], c = ring[next[i]];
        if (sign(cross(a, b, c)) != winding) return false;
        // No other corner inside the triangle or on its sides.
        for (size_t k = next[next[i]]; k != prev[i]; k = next[k]) {
            const Point2 p = ring[k];
            if (sign(cross(a, b, p)) != -winding && sign(cross(b, c, p)) != -winding &&
                sign(cross(c, a, p)) != -winding)
                return false;
        }
        return true;
    };
    size_t left = n, i = 0, misses = 0;
    while (left > 3) {
        if (isEar(i)) {
            triangles.insert(triangles.end(), {static_cast<std::uint32_t>(prev[i]),
                                               static_cast<std::uint32_t>(i),
                                               static_cast<std::uint32_t>(next[i])});
            next[prev[i]] = next[i];
            prev[next[i]] = prev[i];
            --left;
            i = prev[i];
            misses = 0;
        } else {
            i = next[i];
            if (++misses > left) return false;  // rounding left no ear
        }
    }
    triangles.insert(triangles.end(), {static_cast<std::uint32_t>(prev[i]),
                                       static_cast<std::uint32_t>(i),
                                       static_cast<std::uint32_t>(next[i])});
    const auto base = static_cast<std::uint32_t>(out.points.size());
    out.points.insert(out.points.end(), ring.begin(), ring.end());
    for (std::uint32_t k : triangles) out.indices.push_back(base + k);
    return true;
}

}  // namespace

bool tessellate(const std::vector<std::vector<Point2>>& contours, TriangleMesh& out) {
    // Most outlines are one simple polygon, which is cut far faster without GLU's sweep.
    if (contours.size() == 1 && earClip(contours[0], out)) return true;
    std::unique_ptr<GLUtesselator, void (*)(GLUtesselator*)> tess(gluNewTess(), gluDeleteTess);
    if (!tess) return false;
    Tessellation t;
    t.mesh = &out;
    gluTessCallback(tess.get(), GLU_TESS_BEGIN_DATA, reinterpret_cast<Callback>(tessBegin));
    gluTessCallback(tess.get(), GLU_TESS_END_DATA, reinterpret_cast<Callback>(tessEnd));
    gluTessCallback(tess.get(), GLU_TESS_VERTEX_DATA, reinterpret_cast<Callback>(tessVertex));
    gluTessCallback(tess.get(), GLU_TESS_EDGE_FLAG_DATA,
                    reinterpret_cast<Callback>(tessEdgeFlag));
    gluTessCallback(tess.get(), GLU_TESS_COMBINE_DATA, reinterpret_cast<Callback>(tessCombine));
    gluTessCallback(tess.get(), GLU_TESS_ERROR_DATA, reinterpret_cast<Callback>(tessError));
    gluTessProperty(tess.get(), GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess.get(), 0, 0, 1);
    gluTessBeginPolygon(tess.get(), &t);
    for (const auto& contour : contours) {
        gluTessBeginContour(tess.get());
        for (const Point2& p : contour) {
            t.vertices.push_back({p.x, p.y, 0.0});
            gluTessVertex(tess.get(), t.vertices.back().data(), t.vertices.back().data());
        }
        gluTessEndContour(tess.get());
    }
    gluTessEndPolygon(tess.get());
    return !t.failed && out.indices.size() % 3 == 0;
}

}  // namespace plikatra

