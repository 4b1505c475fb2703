#include <gtest/gtest.h>

#include "work_file_text.h"

namespace plikatra::winfuzz {
namespace {

// Only the fold bit of edges between two faces and the default material's colours are worked
// out again on opening; the bit of an open edge, the other numbers of an edge, lines outside
// the solids' edge lists and the colours of other materials must still be compared.
TEST(WindowFuzzWorkFileText, LeavesOutOnlyFoldDirectionsAndTheDefaultMaterialsColours) {
    const std::string text =
        "solid\nbox\n1\nvertices 0\nfaces 0\nedges 3\n"
        "0 1 0 1 16 1\n"   // a mountain fold: the bit goes
        "2 -1 1 2 21 0\n"  // an open edge: kept
        "1 2 3 4 22 0\n"   // a cut (6) that is a mountain fold: the bit goes, the kind stays
        "5 6 7 8 16 0\n"   // after the list: kept
        "defaultmaterial\nedges 1\n0 1 0 1 16 1\n"
        "0.1 0.2 0.3 1 0.1 0.2 0.3 1 0 0 0 1 0 0 0 1 0 0.1 0.2 0.3 0 0\n"  // colour 0 decides these
        "material\nred\n1 0 0 1 1 0 0 1 0 0 0 1 0 0 0 1 0 1 0 0 0 0\n";    // a material's are its own
    EXPECT_EQ(withoutWorkedOutAgain(text),
              "solid\nbox\n1\nvertices 0\nfaces 0\nedges 3\n"
              "0 1 0 1 0 1\n"
              "2 -1 1 2 21 0\n"
              "1 2 3 4 6 0\n"
              "5 6 7 8 16 0\n"
              "defaultmaterial\nedges 1\n0 1 0 1 16 1\n"
              "(the default material's colours)\n"
              "material\nred\n1 0 0 1 1 0 0 1 0 0 0 1 0 0 0 1 0 1 0 0 0 0\n");
}

TEST(WindowFuzzWorkFileText, FirstDifferenceNamesTheLine) {
    EXPECT_EQ(firstDifference("a\nb\nc\n", "a\nx\nc\n"), "line 2: \"b\" then \"x\"");
    EXPECT_EQ(firstDifference("a\n", "a\nb\n"), "line 2: \"<end>\" then \"b\"");
}

}  // namespace
}  // namespace plikatra::winfuzz
