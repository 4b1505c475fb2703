// Counts that summarise a model.
#pragma once

#include "model/model.h"

namespace plikatra {

struct ModelStats {
    int solids = 0;
    int faces = 0;
    int vertices = 0;
    int edges = 0;
    int openEdges = 0;  // edges with one face
    int materials = 0;
    int texturedMaterials = 0;
};

ModelStats modelStats(const Model& model);

}  // namespace plikatra
