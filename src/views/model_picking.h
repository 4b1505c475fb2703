// What lies under the cursor in the 3D view, found on the projected model with the camera's
// matrices (no OpenGL): the edge to mark as cut or keep, and the face to check.
#pragma once

#include "model/model.h"
#include "views/model_camera.h"

namespace plikatra {

// Hover distance of an edge, in pixels.
inline constexpr double kEdgeHoverPixels = 5.0;

// The edge whose projection passes within 5 pixels of the cursor (window position, y down),
// nearest to the viewer; the first such one on a tie. Only edges with two faces count, and
// with `cullEdge` only those whose fold angle is at most `angleEps`. Null when none.
Edge* pickEdge(const Model& model, const ModelCamera& camera, int mx, int my, bool cullEdge,
               int angleEps);

// The face whose projected outline holds the cursor (window position, y down) and whose
// projected centre is nearest to the viewer; the first such one on a tie. Null when none.
Face* pickFace(const Model& model, const ModelCamera& camera, int mx, int my);

}  // namespace plikatra
