#include <gtest/gtest.h>

#include <set>

#include "views/sheet_tiles.h"

using namespace plikatra;

namespace {

// Primitives of one vertex (two floats) per cell of an n × n grid of unit squares, plus
// the primitive's index as a second vertex so that it can be found after sorting.
PrimitiveList gridOfPoints(int n) {
    PrimitiveList list(2);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const float index = static_cast<float>(j * n + i);
            list.data.insert(list.data.end(), {i + 0.5f, j + 0.5f, index, index});
            Box b;
            b.add({i + 0.1, j + 0.1});
            b.add({i + 0.9, j + 0.9});
            list.close(b);
        }
    return list;
}

std::set<int> drawnPrimitives(const TiledPrimitives& tiles, const std::vector<VertexRange>& ranges) {
    std::set<int> drawn;
    for (const VertexRange& r : ranges)
        for (int v = r.first; v < r.first + r.count; v += 2)
            drawn.insert(static_cast<int>(tiles.data()[static_cast<size_t>(v + 1) * 2]));
    return drawn;
}

}  // namespace

TEST(SheetTiles, AViewDrawsEveryPrimitiveItMeetsAndLeavesFarOnesOut) {
    const int n = 40;
    const TiledPrimitives tiles(gridOfPoints(n), 8);
    ASSERT_EQ(tiles.data().size(), static_cast<size_t>(n * n * 4));
    // Each primitive is found where its range says, whole.
    for (int i = 0; i < n * n; ++i) {
        const VertexRange r = tiles.rangeOf(i);
        ASSERT_EQ(r.count, 2);
        EXPECT_EQ(static_cast<int>(tiles.data()[static_cast<size_t>(r.first + 1) * 2]), i);
    }
    Box view;
    view.add({3.5, 7.2});
    view.add({12.05, 9.95});
    std::vector<VertexRange> ranges;
    tiles.visible(view, ranges);
    const std::set<int> drawn = drawnPrimitives(tiles, ranges);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const bool meets = i + 0.9 >= 3.5 && i + 0.1 <= 12.05 && j + 0.9 >= 7.2 && j + 0.1 <= 9.95;
            if (meets) {
                EXPECT_TRUE(drawn.count(j * n + i)) << i << ", " << j;
            }
        }
    // Only the tiles around the view: a tile is five cells a side here.
    EXPECT_LE(drawn.size(), 4u * 2u * 25u);
    // Neighbouring tiles in a row come as one range.
    EXPECT_LE(ranges.size(), 2u);

    ranges.clear();
    Box away;
    away.add({100, 100});
    away.add({120, 120});
    tiles.visible(away, ranges);
    EXPECT_TRUE(ranges.empty());
}

TEST(SheetTiles, EmptyAndSinglePrimitiveLists) {
    const TiledPrimitives none(PrimitiveList(2), 4);
    std::vector<VertexRange> ranges;
    Box all;
    all.add({-1e6, -1e6});
    all.add({1e6, 1e6});
    none.visible(all, ranges);
    EXPECT_TRUE(ranges.empty());

    const TiledPrimitives one(gridOfPoints(1), 4);
    one.visible(all, ranges);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].first, 0);
    EXPECT_EQ(ranges[0].count, 2);
}
