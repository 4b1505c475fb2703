#pragma once

#include "model/model.h"

namespace plikatra {

// Gives every cut edge between two faces the next join number from 1, in the order of the
// solids, their faces and each face's ring; every other edge gets -1.
void numberEdges(Model& model);

// Whether join number `n` reads as another join number when the sheet is turned upside down:
// every digit is one of 0 1 6 8 9 (turned, 6 and 9 swap and 0 1 8 stay), and the digits turned
// and taken in reverse order give a different number without a leading zero. So 6, 9, 16, 18,
// 66, 68 are; 69 (turned it is 69 again), 10 (turned "01", which no pattern shows), 8, 88, 0
// and negative numbers are not.
bool readsAsAnotherNumberTurned(int n);

}  // namespace plikatra
