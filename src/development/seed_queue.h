// The seeds of a solid's parts in the order findSeedFace gives them, without rescanning the
// solid for every part: the faces are ranked once, and placed faces are stepped over as the
// parts take them.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"

namespace plikatra {

class SeedQueue {
public:
    // Ranks the faces of `solid`. The edges' lengths, kinds and fold angles must not change
    // while the queue is in use; faces may only go from unplaced to placed.
    SeedQueue(Solid& solid, int flatFoldAngle);

    // The face findSeedFace(solid, flatFoldAngle) returns now, or null when every face is
    // placed.
    Face* next();

private:
    // The faces with an edge of one kind of seed (open or cut; a real fold). findSeedFace
    // keeps the first such edge it meets and later only strictly longer ones, so it returns
    // the first face with the longest edge, unless the very first edge it meets has a length
    // that is not a number, which nothing then replaces.
    struct Ranking {
        std::vector<std::uint32_t> inOrder;   // faces with such an edge, in list order
        std::vector<std::uint8_t> stuck;      // per entry of inOrder: its first length is NaN
        std::vector<std::uint32_t> byLength;  // longest edge first, then list order
        std::size_t first = 0;                // entries before these are placed
        std::size_t best = 0;
    };
    Face* pick(Ranking& r);
    bool placed(std::uint32_t i) const { return solid_.faces[i]->placed; }

    Solid& solid_;
    Ranking cut_;
    Ranking fold_;
    std::size_t unplacedEnd_;  // faces from here on are placed
};

}  // namespace plikatra
