// What lies under a point of the sheet: the hit tests of the development editor. Points are in
// development units; `pixelsPerUnit` is the view's current scale, so that distances given in
// screen pixels keep their size whatever the zoom.
#pragma once

#include "model/model.h"

namespace plikatra {

// Screen distance within which a line or point counts as hit (strictly nearer).
inline constexpr double kHitPixels = 10.0;

enum class LineFilter { All, Shown, Hidden };

// The halfedge whose sheet segment is nearest to `p`, if nearer than 10 pixels; the first one
// found wins ties. `filter` restricts the search to shown or hidden lines.
Halfedge* hitHalfedge(const Model& model, Point2 p, double pixelsPerUnit,
                      LineFilter filter = LineFilter::All);

// The first halfedge whose start point lies nearer than 10 pixels to `p` (only within `part`
// when one is given).
Halfedge* hitPoint(const Model& model, Point2 p, double pixelsPerUnit, const Part* part = nullptr);

// Whether `p` lies inside the face's polygon on the sheet (on the same side of every side).
bool faceContains(const Face& face, Point2 p);

// The first face (parts, then faces, in list order) whose polygon contains `p`.
Face* hitFace(const Model& model, Point2 p);

// The part whose box strictly contains `p`; among overlapping boxes the part of the face under
// the point, failing that the last one in list order.
Part* hitPart(const Model& model, Point2 p);

// The first text item whose box (from its anchor, its width to the right, its height upwards
// on screen) strictly contains `p`.
TextItem* hitText(const Model& model, Point2 p);

// Distance from `p` to the segment a–b.
double segmentDistance(Point2 p, Point2 a, Point2 b);

}  // namespace plikatra
