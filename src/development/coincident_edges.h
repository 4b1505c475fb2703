#pragma once

#include "model/model.h"

namespace plikatra {

// Makes development twins of the two halfedges of every cut edge whose sides came to lie on
// each other inside one part (both end pairs closer than 0.02 cm on paper), so the edge is
// folded rather than cut.
void joinCoincidentEdges(Model& model);

}  // namespace plikatra
