// Whether flat polygons overlap in the plane: the test that keeps a part free of faces lying
// on each other, and flaps off faces and other flaps. Touching along an edge or at a corner is
// not overlap; neither is a penetration no deeper than a tolerance, so that positions which
// differ only by rounding never count.
#pragma once

#include <cstddef>
#include <vector>

#include "model/geometry.h"

namespace plikatra {

// Whether the simple polygon P (either winding) is convex; collinear corners are allowed.
bool isConvexPolygon(const Point2* p, std::size_t n);

// Whether the convex polygons A and B overlap by more than `tolerance` along every direction
// that could separate them (the edge normals of both). Polygons without a side of positive
// length have no area and overlap nothing; a coordinate that is not a finite number always
// overlaps, since nothing can be said about where it lies.
bool convexPolygonsOverlap(const Point2* a, std::size_t na, const Point2* b, std::size_t nb,
                           double tolerance);

// The simple polygon P cut into convex pieces: P itself when it is convex, else triangles by
// ear clipping (a fan from the first corner when P turns out not to be simple). Each piece's
// corners are appended to `corners` and its corner count to `counts`.
void convexPieces(const Point2* p, std::size_t n, std::vector<Point2>& corners,
                  std::vector<std::size_t>& counts);

// Whether the simple polygons A and B overlap by more than `tolerance`: convex pieces of
// each, tested pairwise.
bool polygonsOverlap(const Point2* a, std::size_t na, const Point2* b, std::size_t nb,
                     double tolerance);

// Whether the convex polygon A lies inside the simple polygon B, allowing A to stand out by
// `tolerance`: every corner of A inside B or within the tolerance of its boundary, and no side
// of B passing through A deeper than the tolerance.
bool convexPolygonInside(const Point2* a, std::size_t na, const Point2* b, std::size_t nb,
                         double tolerance);

}  // namespace plikatra
