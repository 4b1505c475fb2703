#pragma once

#include "model/model.h"

namespace plikatra {

// Puts one flap on every numbered edge: on its first halfedge, not on its second.
void assignFlapSides(Model& model);

}  // namespace plikatra
