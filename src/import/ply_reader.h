// Polygon files (the Stanford format of scanners and point-cloud tools), ASCII and binary in
// either byte order.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// Reads a PLY file into `model` as one solid and runs construction; returns a reader result
// code. Faces are polygons of any corner count. Texture coordinates are taken per vertex
// ("s t", "u v", "texture_u texture_v" or "texture_s texture_t") or per face corner (a
// "texcoord" list); colours, normals and elements other than vertices and faces are read
// past. Faces that name a vertex the file does not have are left out, with one warning that
// names the file; a file that ends before its counts do keeps what it holds and says so.
int readPly(const std::string& path, Model& model, const ReadContext& ctx);
// The same for a file held in memory; `path` only names the file in messages.
int readPlyData(std::span<const std::uint8_t> data, const std::string& path, Model& model,
                const ReadContext& ctx);

}  // namespace plikatra
