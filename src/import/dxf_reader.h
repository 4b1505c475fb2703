// Drawing exchange files in text form: 3DFACE entities and polyface meshes.
#pragma once

#include <string>
#include <string_view>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// Reads the faces of a DXF file into `model`, one solid per layer, and runs construction;
// returns a reader result code (2 when the user cancelled in the progress window).
int readDxf(const std::string& path, Model& model, const ReadContext& ctx);
// The same for DXF text held in memory.
int readDxfText(std::string_view text, Model& model, const ReadContext& ctx);

}  // namespace plikatra
