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
    bool checkFaceOverlap = false;  // no two faces of a part overlapping on the sheet
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

// Pairs of faces of one part whose insides overlap on the sheet: a side of one crossing a side
// of the other, or a corner, side midpoint or centre of one inside the other, each by more than
// `tolerance` times the typical edge of the part.
struct FaceOverlap {
    const Face* a;
    const Face* b;
};
std::vector<FaceOverlap> findFaceOverlaps(const Model& model, double tolerance = 1e-6);

// Flaps that lie on a face or another flap of their own part, or that, folded onto the face
// they are glued under, reach past it; by brute force, with flaps standing as the drawing puts
// them (`flapReverse`: on the face's own side).
std::vector<const Halfedge*> findBadFlaps(const Model& model, bool flapReverse,
                                          double tolerance = 1e-6);

}  // namespace plikatra::test

namespace plikatra::test {
// True when no two part boxes overlap (touching is fine).
bool checkNoOverlap(const Model& model);
}  // namespace plikatra::test
