// The last check after a foreign model was read and normalised.
#pragma once

#include "model/model.h"

namespace plikatra {

// Shortest side a face may have after normalisation, where the model spans 2. Laying out a
// triangle divides by its sides, so a side near or at zero length gives positions that
// overflow or are no numbers.
inline constexpr double kShortestSide = 1e-12;

// True when every vertex position and the model's 3D scale are finite numbers and every side of
// every face is at least kShortestSide long. A file can hold infinite coordinates, finite ones
// so far apart that their extent overflows, or points so close beside far-away ones that
// normalisation makes them one; no development (and no work file that reads back) can be made
// from such a model, so it is refused.
bool hasUnfoldableGeometry(const Model& model);

}  // namespace plikatra
