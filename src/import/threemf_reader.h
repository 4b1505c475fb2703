// 3MF packages, the models of 3D printing: a zip of XML parts with meshes, components and the
// build that places them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/read_result.h"
#include "model/model.h"

namespace plikatra {

// Reads the build of a 3MF package into `model` and runs construction; returns a reader result
// code. Every mesh object the build places becomes a solid, moved by its build item's transform
// and the transforms of the components it is reached through; an object placed twice is two
// solids. Triangles take the base material (name and display colour) they or their object
// name; colour groups, textures, beam lattices and slices are not read. Triangles with two
// corners at one place, and instances beyond a bound that keeps a package of nested components
// from growing without end, are left out with one warning that names the file.
int read3mf(const std::string& path, Model& model, const ReadContext& ctx);
// The same for a package held in memory; `path` only names the file in messages.
int read3mfData(std::span<const std::uint8_t> data, const std::string& path, Model& model,
                const ReadContext& ctx);

}  // namespace plikatra
