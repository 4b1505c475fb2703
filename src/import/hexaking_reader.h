// HexaKing Super model files (.6kt, .6ks): a big-endian binary scene tree whose shapes become
// solids, each with a mirrored twin that is kept only for mirrored models.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// One marked edge of a shape, by the zero-based vertex numbers of its solid.
struct HexaKingEdgeMark {
    Solid* solid;
    int from;
    int to;
    bool cut;
    int mark;
};

// The cut and marked edges a file names, applied once the model is finished.
using HexaKingEdgeMarks = std::vector<HexaKingEdgeMark>;

// Reads a HexaKing file into `model` (one solid per shape, plus its mirror image when the file
// says the model is mirrored), runs construction and returns a reader result code: 0, 1, or 2
// when the user cancelled. The file's cut and marked edges go to `marks` when given, for
// finishHexaKingModel.
int readHexaKing(const std::string& path, Model& model, const ReadContext& ctx,
                 HexaKingEdgeMarks* marks = nullptr);
// The same for the bytes of a file held in memory.
int readHexaKingData(std::span<const std::uint8_t> data, Model& model, const ReadContext& ctx,
                     HexaKingEdgeMarks* marks = nullptr);

// Applies the edge marks of a successful readHexaKing of `model`: marked cut edges are split
// into two open edges, other marked edges become kEdgeCut. Meant to run after
// removeZeroAreaFaces and before computeEdgeMetrics; marks of solids that no longer exist are
// skipped.
void finishHexaKingModel(Model& model, const HexaKingEdgeMarks& marks);

}  // namespace plikatra
