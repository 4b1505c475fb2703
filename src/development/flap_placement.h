// Flaps laid out as part of the pattern: every numbered edge gets its flap where it fits, so
// that no flap lies on a face or another flap of its part and none reaches past the face it
// is glued under. The fewest-parts unfolding puts its flaps this way.
#pragma once

#include "model/model.h"

namespace plikatra {

// What placing the flaps did, for reports and tests.
struct FlapPlacementReport {
    int flaps = 0;      // flaps placed
    int moved = 0;      // placed on the second halfedge of their edge, where the first did not fit
    int narrowed = 0;   // placed with narrowed sides (some of them lowered too)
    int shortened = 0;  // placed lower than their height
    int belowHalf = 0;  // of those, lower than half their height
    int dropped = 0;    // numbered edges left without a flap: none fitted at any height
};

// Puts the flaps of the numbered edges of a laid-out development anew, edge after edge in
// each solid's edge order: on the edge's first halfedge at its full height when it fits
// there, else on the second; edges where neither fits then get the least narrowed flap
// (steeper-in sides, down to a tip) that fits at full height on either side; the rest get
// the side and shape (usual, or following the sides of the face it is glued under) where the
// flap fits highest, lowered to that height; an edge where no flap fits at any height gets
// none. Without `narrow` every flap keeps the usual sides, as before narrowing existed (for
// comparisons). With `flapReverse` (the "flaps on the face's own side" setting) every flap
// lies on its own face wherever it goes, and flaps go on the first halfedges as usual.
FlapPlacementReport placeFittingFlaps(Model& model, bool flapReverse, bool narrow = true);

}  // namespace plikatra
