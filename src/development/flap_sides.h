#pragma once

#include "model/model.h"

namespace plikatra {

// Puts one flap on every numbered edge: on its first halfedge, not on its second, with the
// usual sides.
void assignFlapSides(Model& model);

}  // namespace plikatra
