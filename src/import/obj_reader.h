// Wavefront OBJ files with their MTL material libraries.
#pragma once

#include <string>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// Reads an OBJ file into `model` and runs construction; returns a reader result code.
int readObj(const std::string& path, Model& model, const ReadContext& ctx);

}  // namespace plikatra
