// Normalisation of a loaded model into the cube [-1, 1]^3.
#pragma once

#include "model/model.h"

namespace plikatra {

// Centres the model on its bounding box, scales its largest half-extent to 1, recomputes the
// face centres and stores the factor as dMag3d. Face planes keep their file units.
void normalizeModel(Model& model);

}  // namespace plikatra
