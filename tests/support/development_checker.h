// An independent check of a finished development: every rule a printed pattern must obey,
// written without the unfolding code so that it can catch its faults.
#pragma once

#include <string>
#include <vector>

#include "model/model.h"

namespace plikatra::test {

struct CheckOptions {
    double lengthTolerance = 1e-9;  // relative error of flat edge lengths
    bool flapsAsAfterUnfolding = true;  // one flap per numbered edge, on its first halfedge
    bool checkCrossings = true;
};

// Returns the broken rules, empty when the development is sound.
std::vector<std::string> checkDevelopment(const Model& model, const CheckOptions& options = {});

// Pairs of boundary segments of one part that properly cross (part index, face indices).
struct Crossing {
    int part;
    const Halfedge* a;
    const Halfedge* b;
};
std::vector<Crossing> findCrossings(const Model& model);

}  // namespace plikatra::test

namespace plikatra::test {
// True when no two part boxes overlap (touching is fine).
bool checkNoOverlap(const Model& model);
}  // namespace plikatra::test
