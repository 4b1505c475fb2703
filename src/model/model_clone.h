// A deep copy of a model, development included, for the undo history: commands that change the
// model's structure (reversing faces, joining open edges, unfolding) are taken back by putting
// the copy made before them in the document's place.
#pragma once

#include <cstddef>
#include <memory>

#include "model/model.h"

namespace plikatra {

// Copies every solid, face, corner, edge, vertex, texture coordinate, material (textures
// included), part and text, with every link pointing into the copy.
std::unique_ptr<Model> cloneModel(const Model& model);

// Roughly how many bytes the model holds, to bound the memory of the undo history.
std::size_t approximateModelBytes(const Model& model);

}  // namespace plikatra
