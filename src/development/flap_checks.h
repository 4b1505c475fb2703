// Glue flaps that would not work on paper: a flap that lies on a face or on another flap of
// its own part on the sheet (cutting it out would cut into them), and a flap that, folded
// along its edge onto the face it is glued under, reaches past that face. The check and the
// edit that shortens exactly those flaps until they fit.
#pragma once

#include <vector>

#include "model/model.h"

namespace plikatra {

enum FlapFault : unsigned {
    kFlapOverlapsPart = 1,  // lies on a face or another flap of its part on the sheet
    kFlapOutsideTwin = 2,   // folded along its edge, reaches past the face it is glued under
};

struct FlaggedFlap {
    const Halfedge* halfedge = nullptr;  // the halfedge that carries the flap
    unsigned faults = 0;                 // FlapFault bits
};

// Every flap of the development's parts that collides, in the order the drawing lists flaps
// (parts in order, their faces in order, each face's ring). Flaps stand on the side the
// drawing gives them: `flapReverse` is the "flaps on the face's own side" setting. A flap of
// no height is never named. Empty when the model has no parts.
std::vector<FlaggedFlap> findCollidingFlaps(const Model& model, bool flapReverse);

// "Shorten Flaps That Collide": lowers the flaps findCollidingFlaps names, and no others. Each
// first comes down to the greatest height (to a thousandth of its own) at which it is clear of
// the faces and fits its twin; flaps that still lie on each other then come down together, by
// the greatest common factor that frees them. Nothing changes when no flap collides. Returns
// how many flaps were shortened.
int shortenCollidingFlaps(Model& model, bool flapReverse);

}  // namespace plikatra
