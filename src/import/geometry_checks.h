// The last check of a model after it was read (and, for a foreign model, normalised), before it
// becomes the document.
#pragma once

#include "model/model.h"

namespace plikatra {

// How close two corners of one face of a foreign model may come after normalisation, where the
// model spans 2. A work file stores positions with six decimals, so corners closer than this
// could become one point when the model is saved and read back.
inline constexpr double kClosestCornersToSave = 2e-6;
// How close two corners of one face of a work file may come: they must be apart at all.
inline constexpr double kClosestCornersStored = 1e-12;

// True when every vertex position is a finite number and every two corners of each face are at
// least `closestCorners` apart. Unfolding places each corner of a face from the face's first
// corner and the corner before it, dividing by the distance between them; corners that
// coincide give positions that are no numbers. A file can hold infinite coordinates, finite
// ones so far apart that their extent overflows, or points so close beside far-away ones that
// normalisation makes them one; no development (and no work file that reads back) can be made
// from such a model, so it is refused.
bool hasUnfoldableGeometry(const Model& model, double closestCorners);

}  // namespace plikatra
