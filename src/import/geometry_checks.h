// The last check after a foreign model was read and normalised.
#pragma once

#include "model/model.h"

namespace plikatra {

// True when every vertex position and the model's 3D scale are finite numbers. A file can
// hold infinite coordinates, or finite ones so far apart that their extent overflows; after
// normalisation either leaves positions that are no numbers, from which no development (and
// no work file that reads back) can be made, so such a model is refused.
bool hasFiniteGeometry(const Model& model);

}  // namespace plikatra
