// MQO documents: the line-oriented text scenes of a polygon modeller, with nested blocks.
#pragma once

#include <string>
#include <string_view>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// Reads an MQO document into `model`: one solid per object, the material list, per-corner
// texture coordinates, then the texture images the materials name. Runs construction and
// returns a reader result code (0 success, 1 failure, 2 cancelled).
int readMqo(const std::string& path, Model& model, const ReadContext& ctx);
// The same for a document held in memory; `path` only names the file, for finding the
// texture files beside it.
int readMqoText(std::string_view text, const std::string& path, Model& model,
                const ReadContext& ctx);

}  // namespace plikatra
