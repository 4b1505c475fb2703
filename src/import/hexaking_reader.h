// HexaKing Super model files (.6kt, .6ks): a big-endian binary scene tree whose shapes become
// solids, each with a mirrored twin that is kept only for mirrored models.
#pragma once

#include <string>

#include "model/model.h"

namespace plikatra {

// Reads a HexaKing file into `model` (one solid per shape, plus its mirror image when the file
// says the model is mirrored), runs construction and returns a reader result code: 0, 1, or 2
// when the user cancelled. The file's cut and marked edges are remembered for
// finishHexaKingModel.
int readHexaKing(const std::string& path, Model& model);

// Applies the edge marks remembered by the last successful readHexaKing of `model`: marked
// cut edges are split into two open edges, other marked edges become kEdgeCut. Meant to run
// after removeZeroAreaFaces and before computeEdgeMetrics; does nothing for another model.
// The marks are forgotten afterwards.
void finishHexaKingModel(Model& model);

}  // namespace plikatra
