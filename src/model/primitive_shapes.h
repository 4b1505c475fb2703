// Closed test shapes built straight into a model: used by the benchmarks, the tests and the
// command-line tool's demonstrations. Every shape is finished by construction, centred and
// scaled like a loaded file, with outward (counter-clockwise) faces.
#pragma once

#include <memory>

#include "model/model.h"

namespace plikatra {

// Icosahedron subdivided `level` times onto the unit sphere: 20 × 4^level triangles.
std::unique_ptr<Model> makeIcosphere(int level);

// Torus of `rings` × `sides` quadrilaterals; major radius 1, minor radius `minor`.
std::unique_ptr<Model> makeTorus(int rings, int sides, double minor = 0.35);

// Regular tetrahedron.
std::unique_ptr<Model> makeTetrahedron();

// Axis-aligned box of the given size.
std::unique_ptr<Model> makeBox(double sx, double sy, double sz);

// A closed band of `n` quadrilaterals around the y axis (the side of a prism, no caps).
std::unique_ptr<Model> makeRing(int n, double height = 0.5);

// A height field over the unit square: `nx` × `ny` cells on z = `wave` · sin(3x) · cos(2y),
// each cell one quadrilateral (not planar once `wave` is not 0) or two triangles. An open
// surface: its rim edges have one face.
std::unique_ptr<Model> makeGrid(int nx, int ny, double wave, bool triangles);

// The torus of makeTorus with every vertex moved by up to `amount` (relative to the minor
// radius) in each direction, pseudo-randomly from `seed`: non-planar quadrilaterals.
std::unique_ptr<Model> makePerturbedTorus(int rings, int sides, double amount, unsigned seed);

// The convex hull of `points` pseudo-random points on the unit sphere (from `seed`):
// 2 · points − 4 triangles of uneven size.
std::unique_ptr<Model> makeRandomHull(int points, unsigned seed);

// Runs construction, normalisation and edge metrics as the loader does after a read.
void finishShape(Model& model);

}  // namespace plikatra
