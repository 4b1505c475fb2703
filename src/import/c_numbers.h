// Number text read the way the C library reads it in the "C" locale, quickly.
#pragma once

#include <string_view>

namespace plikatra {

// strtod on one word; text that is no number gives 0. Plain decimal numbers take a quick
// correctly rounded path, which gives strtod's value; the rest goes to strtod itself.
double parseCDouble(std::string_view word);

// atoi on one word: (int) strtol(text, NULL, 10), saturating at the range of long before
// the narrowing.
int parseCInt(std::string_view word);

}  // namespace plikatra
