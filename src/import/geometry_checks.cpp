#include "import/geometry_checks.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/geometry.h"

namespace plikatra {

namespace {

// Every two corners of the face at least `closest` apart. Small faces compare every pair;
// large ones sort their corners along x and compare only neighbours closer than `closest`
// in x, which takes n log n for any face that passes.
bool cornersApart(const Face& face, double closest) {
    const auto& hs = face.halfedges;
    const std::size_t n = hs.size();
    constexpr std::size_t kCompareAll = 32;
    if (n <= kCompareAll) {
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = i + 1; j < n; ++j)
                if (!(distance3(hs[i]->origin->position, hs[j]->origin->position) >= closest)) return false;
        return true;
    }
    std::vector<Point3> points;
    points.reserve(n);
    for (const auto& h : hs) points.push_back(h->origin->position);
    std::sort(points.begin(), points.end(), [](const Point3& a, const Point3& b) { return a.x < b.x; });
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n && points[j].x - points[i].x < closest; ++j)
            if (!(distance3(points[i], points[j]) >= closest)) return false;
    return true;
}

}  // namespace

bool hasUnfoldableGeometry(const Model& model, double closestCorners) {
    for (const auto& s : model.solids) {
        for (const auto& v : s->vertices) {
            const Point3& p = v->position;
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        }
        for (const auto& f : s->faces)
            if (!cornersApart(*f, closestCorners)) return false;
    }
    return true;
}

}  // namespace plikatra
