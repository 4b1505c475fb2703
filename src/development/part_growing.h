// The steps that grow one part face by face: choosing a seed, laying it flat, choosing the
// next edge to fold, testing the face across it against the part's outline, attaching it.
// The reference engine is these steps in a loop; faster engines reuse them.
#pragma once

#include <utility>
#include <vector>

#include "development/unfold_engine.h"
#include "model/model.h"

namespace plikatra {

// Priority of an edge for the algorithm code (0 fold angle, 1 length, 2 both); keep edges
// count double.
double edgePriority(const Edge& edge, int algorithm);

// The seed face of the next part of a solid, or null when every face is placed. Faces with an
// open or cut edge come first (the longest such edge wins), then faces with a fold sharper
// than `flatFoldAngle`, then the last unplaced face.
Face* findSeedFace(Solid& solid, int flatFoldAngle);
// Creates a part from its seed face, lays the seed flat and chooses the first candidate.
Part* startPart(Model& model, Face* seed, const UnfoldOptions& options);
// The first half of startPart: marks the seed placed, lays it flat from the edge it starts
// with and appends the new part to the model.
Part* plantSeed(Model& model, Face* seed);
// Clears the rejected mark of every edge of every solid, as each new part starts.
void resetRejected(Model& model);
// Sets the part's next candidate (null when the part is complete).
void chooseCandidate(Part& part, const UnfoldOptions& options);
// Places the unplaced face across the candidate (a halfedge of a placed face of the part)
// and chooses the next candidate.
void attachFace(Model& model, Part& part, Halfedge* candidate, const UnfoldOptions& options);
// The first half of attachFace: joins the candidate's two halfedges, places the face across
// it and appends it to the part. Returns the new face. `scratch` receives its flat corners;
// with `laidOut` it already holds them, as layRing gave them for the sides acrossSides names.
Face* placeAcross(Model& model, Part& part, Halfedge* candidate, std::vector<Point2>& scratch,
                  bool laidOut);
// The two sides attachFace joins across a candidate: the new face's halfedge, then the placed
// one.
std::pair<Halfedge*, Halfedge*> acrossSides(Halfedge* candidate);
// Whether the face across `edge` can be attached to `placedFace` without crossing the part's
// outline.
bool fitsWithoutCrossing(const Part& part, const Face* placedFace, const Edge& edge,
                         bool unstrict);

// The flat positions of a face ring laid out from `start`, whose start and end lie at p0 and
// p1: every further corner by the triangle rule from the first corner and the corner before.
void layRing(const Halfedge* start, Point2 p0, Point2 p1, std::vector<Point2>& out);
// Stores the positions of layRing on the ring's halfedges from `start` on.
void storeRing(Halfedge* start, const std::vector<Point2>& points);

// Whether P–Q and R–S cross properly; touching, collinear and shared ends do not count.
bool segmentsCross(const Point2& p, const Point2& q, const Point2& r, const Point2& s);

}  // namespace plikatra
