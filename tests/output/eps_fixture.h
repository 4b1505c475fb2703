// A small hand-built development and a Ghostscript check shared by the EPS tests.
//
// One development unit is one inch on paper (dMag2d = 2.54), so output coordinates are
// readable multiples of 72 points. Part 1 at (1, 1), 3 × 3, holds the square f0 = (v0 v1 v2),
// f1 = (v0 v2 v3) folded along v0–v2 (valley, 150 degrees). Part 2 at (4.5, 1), 2.5 × 3,
// holds f2 = (v1 v4 v2), joined to f0 by the cut edge v1–v2 (mountain, join number 1) with
// a 0.635 cm (18 pt) flap on f0's side. f2 uses material 0, coloured (0.25, 0.5, 0.75).
#pragma once

#include <memory>
#include <string>

#include "base/settings.h"
#include "model/model.h"

namespace plikatra::test {

struct SampleDevelopment {
    std::unique_ptr<Model> model;
    Halfedge* flapSide = nullptr;    // f0, v1 → v2
    Halfedge* otherSide = nullptr;   // f2, v2 → v1
    Halfedge* foldFirst = nullptr;   // f0, v2 → v0
    Halfedge* foldSecond = nullptr;  // f1, v0 → v2
    Edge* fold = nullptr;
    Edge* cut = nullptr;
};

// Builds the development above; the default material takes the current settings' colour.
SampleDevelopment makeSampleDevelopment();

// The whole output of exportEps for `model` with `settings`.
std::string exportToString(Model& model, const Settings& settings = Settings{});
// The same, after checking it with expectGhostscriptAccepts.
std::string exportChecked(Model& model, const Settings& settings = Settings{});

// Renders a copy of `eps` with "showpage" appended, as an embedding program would, and
// expects Ghostscript to report no error and every mark within the written bounding box.
void expectGhostscriptAccepts(const std::string& eps);

// The line after the first line equal to `line`; empty when there is none.
std::string lineAfter(const std::string& text, const std::string& line);

}  // namespace plikatra::test
