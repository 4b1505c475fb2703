// Commands that change the 3D model before it is unfolded: resetting the edge marks, turning
// faces over, mirroring along an axis, reversing texture coordinates, closing split seams, and
// marking an edge cut or keep with a click in the model view. All are enabled only while a
// model is loaded and has no development.
#pragma once

#include "model/model.h"

namespace plikatra {

// The shared enable rule: a model is loaded and it has no development.
bool modelCommandsEnabled(const Model* model);

// "&Reset Edge Attribute": cut and keep marks go; edges with two faces become normal and
// edges with one face open again. Returns false (nothing done) when not enabled.
bool resetEdgeAttributes(Model* model);

// "Reverse Surface D&irection": turns over the faces of the visible solids.
bool reverseSurfaceDirection(Model* model);

enum class Axis { X, Y, Z };
// "Reverse &X/Y/Z-Coordinate": mirrors every vertex of every solid along the axis and turns
// the faces over so that they point outward again.
bool mirrorModel(Model* model, Axis axis);

// "Reverse Texture's &U/V-Coordinate": u = 1 − u (v = 1 − v) for every texture coordinate of
// every solid.
bool reverseTextureUCoordinate(Model* model);
bool reverseTextureVCoordinate(Model* model);

// "&Join Adjacent Isolated Edge": merges coincident open edges of the visible solids.
bool joinAdjacentIsolatedEdges(Model* model);

// The model view's edit modes for marking edges before unfolding.
enum ModelEditMode : int { kModelEditNone = 0, kModelEditCut = 1, kModelEditKeep = 2 };

// Whether the model view lets the user point at `edge` to mark it: it has two faces and, while
// near-flat folds are hidden (`cullFlatFolds`), its fold angle is at most `flatFoldAngle`.
bool canMarkEdge(const Edge& edge, bool cullFlatFolds, int flatFoldAngle);

// A click on `edge` in mode 1 (cut) or 2 (keep): sets the mark, or clears it when the edge
// already has it. Returns whether the edge changed.
bool toggleEdgeMark(Edge& edge, int mode, bool cullFlatFolds, int flatFoldAngle);

}  // namespace plikatra
