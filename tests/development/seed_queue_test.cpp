// The seed ranking against findSeedFace itself, as faces get placed in any order: open and
// cut edges, real folds only, neither, and lengths that are not numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "development/part_growing.h"
#include "development/seed_queue.h"
#include "model/primitive_shapes.h"

using namespace plikatra;

namespace {

// Places faces in a scrambled order and checks after each that both agree.
void expectSameSeeds(Model& m, int flatFoldAngle, const std::string& what) {
    Solid& solid = *m.solids[0];
    SeedQueue queue(solid, flatFoldAngle);
    std::uint32_t state = 7;
    for (int step = 0;; ++step) {
        Face* expected = findSeedFace(solid, flatFoldAngle);
        ASSERT_EQ(queue.next(), expected) << what << ", step " << step;
        if (!expected) break;
        // Place the seed, and now and then another unplaced face too, as a part would.
        expected->placed = true;
        state = state * 1664525u + 1013904223u;
        Face* other = solid.faces[(state >> 8) % solid.faces.size()].get();
        if (state % 3 == 0) other->placed = true;
    }
}

}  // namespace

TEST(SeedQueue, GivesTheSeedsFindSeedFaceGives) {
    {
        auto m = makeIcosphere(2);  // real folds only
        expectSameSeeds(*m, 178, "folds");
    }
    {
        auto m = makeIcosphere(2);
        expectSameSeeds(*m, 0, "no qualifying edge: last unplaced face");
    }
    {
        auto m = makeGrid(12, 9, 0.3, true);  // open rim edges of equal and different lengths
        expectSameSeeds(*m, 178, "open rim");
    }
    {
        auto m = makeRandomHull(300, 4);
        int i = 0;
        for (auto& e : m->solids[0]->edges)
            if (++i % 9 == 0) e->kind = kEdgeCut;
        expectSameSeeds(*m, 178, "cut edges");
    }
    for (int nanAt : {0, 1, 5, 40}) {
        // A length that is not a number sticks once it is the first one met, and is never
        // taken over a number otherwise.
        auto m = makeRandomHull(200, 5);
        auto& edges = m->solids[0]->edges;
        int i = 0;
        for (auto& e : edges)
            if (++i % 7 == 0) e->kind = kEdgeCut;
        // The first face's first edge is a cut that is not a number: the first one met.
        Edge* first = m->solids[0]->faces[0]->halfedges[0]->edge;
        first->kind = kEdgeCut;
        for (auto& e : edges)
            if (e.get() == first || (e->kind == kEdgeCut && i-- % (nanAt + 2) == 0))
                e->length = std::nan("");
        EXPECT_EQ(findSeedFace(*m->solids[0], 178), m->solids[0]->faces[0].get());
        expectSameSeeds(*m, 178, "lengths not numbers, " + std::to_string(nanAt));
    }
}
