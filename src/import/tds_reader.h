// 3D Studio mesh files (.3ds): a tree of little-endian chunks, each an id, a length and data.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// Reads a .3ds file into `model`: one solid per triangle mesh (named after its object), one
// material per material chunk with its colour and texture file, per-vertex texture
// coordinates. Loads the texture images found beside the file, runs construction and returns
// a reader result code: 0, 1, or 2 when the user cancelled in the progress window. A file cut
// short keeps every whole record before the cut, with a warning naming the file.
int read3ds(const std::string& path, Model& model, const ReadContext& ctx);
// The same for the bytes of a file held in memory; `path` only names the file, for finding
// the texture files beside it.
int read3dsData(std::span<const std::uint8_t> data, const std::string& path, Model& model,
                const ReadContext& ctx);

}  // namespace plikatra
