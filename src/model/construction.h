// Turns the polygon lists that readers deliver into a consistent halfedge surface, and the
// model-wide operations that rebuild that structure later.
#pragma once

#include "base/ui.h"
#include "model/model.h"

namespace plikatra {

// Area threshold every importer uses with finishSolids.
constexpr double kAreaThreshold = 1e-6;

// Removes repeated corners, links next/prev and computes the centre.
void cleanFace(Face& face);
// Sets center to the mean of the corner positions.
void computeCenter(Face& face);
// Sets normal and planeD from the first three corners.
void facePlane(Face& face);
// Fan area (first, i, i + 1), summed from 0.0 in order.
double faceArea(const Face& face);
// Cleans faces, cuts faces that pass a corner twice into triangles covering the same outline,
// drops degenerate and tiny ones, numbers faces, computes planes and bounds, drops empty
// solids and pairs halfedges; true if at least one face remains.
bool finishSolids(Model& model, double threshold);
// Builds the solid's edges and pair links.
void pairHalfedges(Solid& solid);
// Lengths, fold data and open kinds of one solid's edges and its mean edge length.
void computeSolidEdgeMetrics(Solid& solid);
// Per-edge metrics of every solid and the model's mean edge length.
void computeEdgeMetrics(Model& model);
// Mountain flag and fold angle of an edge with two halfedges.
void foldData(Edge& edge);
// Removes faces whose area is below the threshold, one message per affected solid.
void removeZeroAreaFaces(Model& model, double threshold, Ui& ui);
// Merges coincident open edges of visible solids.
void joinOpenEdges(Model& model);
// Reverses the orientation of every face (of visible solids only when onlyVisible).
void reverseFaces(Model& model, bool onlyVisible);

// Message shown by removeZeroAreaFaces.
inline constexpr const char* kMsgDeletedZeroArea = "Deleted %d surface(s) with zero area.";

}  // namespace plikatra
