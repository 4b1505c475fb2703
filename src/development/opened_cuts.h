#pragma once

#include "model/model.h"

namespace plikatra {

// The display positions of the 3D view: every corner at its vertex, except that the corners
// along a run of cut edges move a tenth of the mean edge length into their faces, so both
// lips of a cut can be seen apart.
void computeOpenedCuts(Model& model);

}  // namespace plikatra
