// Stereolithography files, the triangle meshes of 3D printing, in binary and ASCII form.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// Reads an STL file into `model` and runs construction; returns a reader result code. The
// form is told by the content, not by the word "solid": a binary file whose size matches its
// triangle count is binary whatever its header says. Each ASCII "solid" block becomes a solid;
// corners at the same position are one vertex so that the triangles connect; normals are
// not read (the corner order gives the side). A file that holds fewer triangles than its
// count says, or facets that cannot be faces, opens with one warning that names the file.
int readStl(const std::string& path, Model& model, const ReadContext& ctx);
// The same for a file held in memory; `path` only names the file in the warning.
int readStlData(std::span<const std::uint8_t> data, const std::string& path, Model& model,
                const ReadContext& ctx);

}  // namespace plikatra
