// Which parts of the flap outlines stay visible when flaps lie beneath the faces of
// neighbouring parts and beneath the flaps drawn before them.
#pragma once

#include <cstddef>
#include <vector>

#include "development/development_drawing.h"

namespace plikatra {

// A visible stretch of one side of a flap outline, in development units.
struct FlapPiece {
    std::size_t flap = 0;  // index into DevelopmentDrawing::flaps
    Point2 a, b;
};

// The visible pieces of every flap outline of `drawing`, flap after flap in the drawing's
// order, each side from its start. A side (consecutive outline points, left open along the
// base) is cut where it crosses an edge of a face of a candidate part or a side of an earlier
// flap; walking from the side's start to the nearest remaining cut point each time, a piece is
// kept unless its midpoint lies inside such a face (taken as the fan from its first corner) or
// such a flap. The candidate parts of a part are those whose box, grown by their largest flap
// height, overlaps its own grown box; earlier flaps are those of candidate parts before it in
// the parts list and its own flaps before this one.
std::vector<FlapPiece> visibleFlapPieces(const DevelopmentDrawing& drawing);

}  // namespace plikatra
