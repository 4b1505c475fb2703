// Filling polygons given as closed outlines: GLU's tessellator turns any set of contours into
// plain triangles by the non-zero winding rule, without an OpenGL context.
#pragma once

#include <cstdint>
#include <vector>

#include "model/geometry.h"

namespace plikatra {

// Triangles sharing their corners: every 3 indices into points make one.
struct TriangleMesh {
    std::vector<Point2> points;
    std::vector<std::uint32_t> indices;
};

// Appends the triangles covering every point that the contours wind around a non-zero number
// of times (holes wound the other way stay empty, overlaps are filled once). False when the
// tessellator gave up; the mesh may then hold part of the result.
bool tessellate(const std::vector<std::vector<Point2>>& contours, TriangleMesh& out);

}  // namespace plikatra
