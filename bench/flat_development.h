// A development of 20,000 triangles built flat directly, so that the output benchmarks spend
// no unfolding time: a 100 × 100 grid of squares, each cut along a diagonal, in parts of
// 10 × 10 squares spread over the sheet, cut edges numbered and flapped between parts.
#pragma once

#include <memory>

#include "model/model.h"

namespace plikatra {

// Finished, with its page grid computed for the default page setup.
std::unique_ptr<Model> makeFlatDevelopment();

}  // namespace plikatra
