// Wavefront OBJ files with their MTL material libraries.
#pragma once

#include <string>
#include <string_view>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// Reads an OBJ file into `model` and runs construction; returns a reader result code.
int readObj(const std::string& path, Model& model, const ReadContext& ctx);
// The same for OBJ text held in memory, with `materialLibrary` as the text of its material
// library whatever name the file gives it (empty: no colours).
int readObjText(std::string_view text, std::string_view materialLibrary, Model& model,
                const ReadContext& ctx);

}  // namespace plikatra
