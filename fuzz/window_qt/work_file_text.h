// Comparing work file texts: the first difference, for a report, and the text without what
// opening a work file works out again.
#pragma once

#include <string>

namespace plikatra::winfuzz {

// The first line where `a` and `b` differ, quoted both ways ("line 12: \"...\" then \"...\"").
std::string firstDifference(const std::string& a, const std::string& b);

// The fold direction of an edge between two faces is worked out again from the geometry
// whenever a work file is opened, so the first reading may settle the bit of a fold that is
// nearly flat (or one a flap command set) differently. This clears that bit (16 in the fifth
// number of an edge line of a solid) on every edge with two faces; open edges keep theirs,
// and everything else stays as it is.
std::string withoutFoldDirections(const std::string& text);

}  // namespace plikatra::winfuzz
