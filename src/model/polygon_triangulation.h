// Cuts a polygon into triangles that cover exactly its outline, for faces that the halfedge
// surface cannot take as they are.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "model/geometry.h"

namespace plikatra {

// Triangles covering the polygon whose corners are `points` in ring order, as index triples
// into `points`, each wound like the polygon; n − 2 of them for n corners. The polygon may
// visit a point twice, as an outline joined to a hole by a bridge edge does (the bridge is
// walked there and back); it should be roughly planar and its sides should not cross.
std::vector<std::array<std::uint32_t, 3>> triangulatePolygon(std::span<const Point3> points);

}  // namespace plikatra
