#include "import/geometry_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/c_numbers.h"
#include "model/geometry.h"

namespace plikatra {

namespace {

// Corners farther apart than this are always written differently with six decimals.
constexpr double kAlwaysWrittenApart = 4e-6;

bool writtenAlike(const Point3& a, const Point3& b) {
    return storedWithSixDecimals(a.x) == storedWithSixDecimals(b.x) && storedWithSixDecimals(a.y) == storedWithSixDecimals(b.y) &&
           storedWithSixDecimals(a.z) == storedWithSixDecimals(b.z);
}

bool apart(const Point3& a, const Point3& b) {
    const double d = distance3(a, b);
    if (!(d >= kClosestCorners)) return false;
    return d >= kAlwaysWrittenApart || !writtenAlike(a, b);
}

// Every two corners of the face apart. Small faces compare every pair; large ones sort their
// corners along x and compare only those close in x, which takes n log n for a face that
// passes.
bool cornersApart(const Face& face) {
    const auto& hs = face.halfedges;
    const std::size_t n = hs.size();
    constexpr std::size_t kCompareAll = 32;
    if (n <= kCompareAll) {
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = i + 1; j < n; ++j)
                if (!apart(hs[i]->origin->position, hs[j]->origin->position)) return false;
        return true;
    }
    std::vector<Point3> points;
    points.reserve(n);
    for (const auto& h : hs) points.push_back(h->origin->position);
    std::sort(points.begin(), points.end(), [](const Point3& a, const Point3& b) { return a.x < b.x; });
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n && points[j].x - points[i].x < kAlwaysWrittenApart; ++j)
            if (!apart(points[i], points[j])) return false;
    return true;
}

}  // namespace

bool hasStorableScale(const Model& model) {
    if (!std::isfinite(model.dMag3d) || !(model.dMag3d > 0.0)) return false;
    char text[64];
    std::snprintf(text, sizeof text, "%f", model.dMag3d);
    return std::strcmp(text, "0.000000") != 0;
}

bool hasUnfoldableGeometry(const Model& model) {
    for (const auto& s : model.solids) {
        for (const auto& v : s->vertices) {
            const Point3& p = v->position;
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        }
        for (const auto& f : s->faces)
            if (!cornersApart(*f)) return false;
    }
    return true;
}

}  // namespace plikatra
