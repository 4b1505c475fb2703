// A closed, scan-like surface built straight into a model: a geodesic sphere of even triangles
// whose vertices sit at pseudo-random heights, as a scanned object's do. Unfolded by fold angle
// it falls into thousands of small parts with tens of thousands of flaps, which is what the
// output benchmarks need.
#pragma once

#include <memory>

#include "model/model.h"

namespace plikatra {

// 20 · frequency² triangles: each face of an icosahedron cut into frequency² triangles and
// lifted onto the unit sphere, every vertex then moved out or in by up to roughness / 2.
std::unique_ptr<Model> makeScanLikeSphere(int frequency, double roughness = 0.02, unsigned seed = 1);

}  // namespace plikatra
