// glTF 2.0 scenes, as JSON (.gltf, with external or embedded buffers) or binary (.glb).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// Reads the default scene of a glTF file into `model` and runs construction; returns a reader
// result code. Every mesh primitive drawn as triangles (or triangle strips and fans) becomes
// faces of the solid of its node, placed by the node transforms down from the scene; corners
// at one position of a solid are one vertex, so that seams a game engine splits for its
// texture still fold. Each primitive's material gives its base colour factor and base colour
// texture (PNG, JPEG or BMP; external, a data URI or in the binary chunk); the first texture
// coordinates go with it. What the file describes that cannot be read is named in one warning.
int readGltf(const std::string& path, Model& model, const ReadContext& ctx);
// The same for a file held in memory; external buffers and pictures are looked for beside
// `path`.
int readGltfData(std::span<const std::uint8_t> data, const std::string& path, Model& model,
                 const ReadContext& ctx);

}  // namespace plikatra
