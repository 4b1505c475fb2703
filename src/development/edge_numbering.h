#pragma once

#include "model/model.h"

namespace plikatra {

// Gives every cut edge between two faces the next join number from 1, in the order of the
// solids, their faces and each face's ring; every other edge gets -1.
void numberEdges(Model& model);

}  // namespace plikatra
