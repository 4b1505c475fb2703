// The edits of the development as operations on the model: each changes what it edits and
// renumbers where the topology changed. The document's history records the change; the
// mouse-driven editor calls them, and so can anything else.
#pragma once

#include <unordered_set>

#include "development/development.h"
#include "model/model.h"

namespace plikatra {

// Sheet position of a halfedge's start (part position plus flat position).
Point2 sheetStart(const Halfedge& h);

// Recomputes the part's box from its flat points (grown by `margin` on every side), moves the
// points so the box starts at (margin, margin) and moves the part the other way, so nothing
// moves on the sheet.
void renormalizePart(Part& part, double margin);

// Snaps an angle in degrees to the nearest multiple of 5; half steps go away from zero.
double snapRotationAngle(double degrees);

// The angle a part is turned to when the rotation's last click lands on `cursor`: the
// direction from `centre`, snapped to 5 degrees.
double rotationTarget(Point2 centre, Point2 cursor);
// Where the sheet point `p` goes when a part turns as rotatePart turns it (for the preview).
Point2 rotatedAbout(Point2 centre, Point2 reference, double targetDegrees, Point2 p);

// Turns `part` about the sheet point `centre` so that the direction from the centre to
// `reference` points at `targetDegrees` (measured from +y toward +x).
void rotatePart(Model& model, Part& part, Point2 centre, Point2 reference, double targetDegrees);

// Erase Edge and Undo Erase Edge: toggles the line of `h` and gives its development twin the
// same value.
void toggleEdgeLine(Halfedge& h);

// Flap edits on a halfedge without development twin.
void moveFlapToOppositeSide(Halfedge& h);
void resizeFlap(Halfedge& h, int millimetres);
// Gives the flap of `h`'s edge `style`, or with -1 the development's style again. Refuses
// (false, nothing changed) a style that does not exist.
bool setFlapStyle(Halfedge& h, int style);
void createFlap(Halfedge& h, bool convex);  // the fold turns convex (mountain) or concave
void deleteFlap(Halfedge& h);

// Whether Cut Part takes `h`: a fold whose line is shown and, while near-flat folds are
// hidden, not one of them.
bool canCutAt(const Halfedge& h, const LineRules& rules);
// Cuts the fold at `h` (which gets the flap). Faces no longer connected to h's face go to a new
// part (index −1) and the two parts move apart by the margin. Returns false when `h` cannot be
// cut.
bool cutPart(Model& model, Halfedge& h, const LineRules& rules);

// Whether Join Surface takes `h` as its first edge: a cut between two faces.
bool canJoinAt(const Halfedge& h);
// Joins the cut edge whose kept side is `e`: the face of e's model twin (with its whole part
// when that is another part, which then goes away) moves onto e. Returns false when it cannot
// join.
bool joinSurface(Model& model, Halfedge& e);

// Faces that belong with `face`: the face and, recursively, every face reached across a fold
// whose line is not drawn (erased, or hidden as near-flat).
std::unordered_set<const Face*> correspondingFaces(const Face& face, const LineRules& rules);

// "&Mirror Development": mirrors every part left to right on the sheet and toggles bReverse.
void mirrorDevelopment(Model& model, const PageSetup& page);

// Scale (centimetres on paper per model-file unit) times 1.1 or divided by 1.1. Refused (false,
// nothing changed) when the used area would grow beyond 500 cm or shrink below 1 cm.
bool scaleDevelopmentUp(Model& model, const PageSetup& page);
bool scaleDevelopmentDown(Model& model, const PageSetup& page);
// Sets the scale directly.
void setDevelopmentScale(Model& model, double scale, const PageSetup& page);

// A sheet coordinate snapped to the text grid (grid size in millimetres on paper).
double snapToTextGrid(double coordinate, double mag2d, int gridMm);

}  // namespace plikatra
