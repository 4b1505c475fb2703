// Comparing work file texts: the first difference, for a report, and the text without what
// opening a work file works out again.
#pragma once

#include <string>

namespace plikatra::winfuzz {

// The first line where `a` and `b` differ, quoted both ways ("line 12: \"...\" then \"...\"").
std::string firstDifference(const std::string& a, const std::string& b);

// What opening a work file works out again rather than reads, so that the first reading may
// settle differently, taken out of the text: the fold direction of an edge between two faces
// comes from the geometry (the bit 16 in the fifth number of an edge line of a solid: a fold
// that is nearly flat, or one a flap command set, may flip; open edges keep theirs), and the
// default material's colours come from colour 0 of the settings (which recolours the model
// only while a development exists). Everything else stays as it is.
std::string withoutWorkedOutAgain(const std::string& text);

}  // namespace plikatra::winfuzz
