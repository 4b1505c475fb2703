// The last check of a model after it was read (and, for a foreign model, normalised), before it
// becomes the document.
#pragma once

#include "model/model.h"

namespace plikatra {

// How close two corners of one face may come, where a normalised model spans 2: half the step
// of the six decimals a work file stores, so that corners one step apart in a saved file pass.
inline constexpr double kClosestCorners = 5e-7;

// True when every vertex position is a finite number and every two corners of each face are at
// least kClosestCorners apart and stay apart when written with the work file's six decimals.
// Unfolding places each corner of a face from the face's first corner and the corner before
// it, dividing by the distance between them; corners that coincide, now or once saved, give
// positions that are no numbers or beyond any sheet. A file can hold infinite coordinates,
// finite ones so far apart that their extent overflows, or points so close beside far-away
// ones that normalisation makes them one; no development (and no work file that reads back)
// can be made from such a model, so it is refused.
bool hasUnfoldableGeometry(const Model& model);

// True when the model's 3D scale (set by normalisation) is a finite positive number that the
// work file's six decimals hold as more than zero: the development's scale is divided by it, so
// a model more than about two million of its own units across could be saved but not used
// again.
bool hasStorableScale(const Model& model);

}  // namespace plikatra
