// The fourth unfolding method: as few parts as can be found, none with faces lying on each
// other. The three greedy priorities each grow a development; the one that gives the fewest
// parts is rebuilt face by face with the full overlap test, and then whole parts are merged
// across their cut edges, the pair of parts sharing the longest cut first, wherever the union
// stays free of overlap, and small parts are broken up to give their faces to their
// neighbours. Each group of connected faces still in several parts then gets its share of the
// time left (its part of the faces of the groups not yet searched) and of the growth budget for randomised regrowths: a small piece drawn at random
// and the faces around it, whatever pieces hold them, are carved out (what is left of a
// larger piece keeps its places), given to the pieces around them where they fit, from the
// outside in, and what is left is grown again and merged with the pieces around it;
// the first growth, and one in 16 (one in 512 in groups of more than 2,000 faces still in
// more than 4 pieces), starts from scratch instead. A division
// with no more pieces than the best so far becomes the best. Groups are searched on two cores
// side by side, each from a seed of its own, and a lone group from two seeds at once; with a
// growth budget that ends the search before the time bound, the result is the same however
// the cores run.
// The search stops at the time bound, at the growth budget, or when every group is one part.
// The result is an ordinary development: faces placed, folds as development twins, flat
// positions laid out face from face as the greedy growth lays them.
#pragma once

#include "development/unfold_engine.h"
#include "model/model.h"

namespace plikatra {

// The value of UnfoldOptions::algorithm that asks for this method.
inline constexpr int kAlgorithmFewestParts = 3;

// What the search did, for reports and tests.
struct FewestPartsReport {
    int greedyParts = 0;       // parts of the best greedy development
    int startParts = 0;        // after it was rebuilt without overlap
    int mergedParts = 0;       // after merging
    int parts = 0;             // in the result
    int restarts = 0;          // randomised growths tried, over all groups
    int lowerBound = 0;        // groups of faces connected by foldable edges: no result has fewer
    bool timedOut = false;     // the time bound ended the search
};

// Grows the parts of the visible solids by the fourth method, with `engine` for the greedy
// growths it starts from. Stops searching after options.searchMilliseconds (the result found
// so far stands). Progress and Cancel go through `progress`; a cancel leaves the best complete
// development found so far, or the greedy growth it interrupted, and throws
// CancelledException. Parts that a cancelled run left are kept and completed greedily first.
void growFewestParts(Model& model, const UnfoldEngine& engine, const UnfoldOptions& options,
                     UnfoldProgress& progress, FewestPartsReport* report = nullptr);

}  // namespace plikatra
