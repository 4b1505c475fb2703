// Arranging parts by their outlines: each part's faces and flaps are drawn into a grid of
// about one millimetre on paper, turned in the chosen steps, and placed largest first at the
// first free place of the first page that takes it, so that small parts fill the hollows of
// large ones. The grid cells a part touches cover its outline, and a placed part keeps the
// spacing free around its faces and half of it around its flaps, so outlines never overlap
// however coarse the grid.
#pragma once

#include <vector>

#include "base/ui.h"
#include "development/development.h"
#include "development/layout.h"
#include "model/model.h"

namespace plikatra {

inline constexpr const char* kNestText = "Arranging parts by outline...";
inline constexpr const char* kNestCancelled = "Arranging by outline cancelled: the parts keep the box layout.";

struct NestOutcome {
    bool applied = false;    // the parts now lie where the outlines put them
    bool cancelled = false;  // the user stopped it; the parts kept their box layout
    int boxPages = 0;        // pages the box layout used
    int nestPages = 0;       // pages the outline arrangement used (0 when not finished)
};

// Rearranges the parts, which the box packer has laid out at the given scale, by their
// outlines. The result is kept only when it needs no more pages than the box layout; else,
// on bad geometry or on Cancel the box layout stays as it was. Sets each part's position,
// size and, when turned, its flat corners, and the used area.
NestOutcome nestParts(Model& model, const LayoutParams& params, Ui& ui);

// The pages of the grid on `page` that the faces reach, empty ones not counted: what
// printing the development without its empty pages gives.
int pagesUsed(const Model& model, const PageSetup& page);

// The outline a part is arranged by, in its flat coordinates: its faces and, beside its cut
// edges, the flaps it carries (or, before flaps are assigned, the ones it may be given).
std::vector<std::vector<Point2>> partOutline(const Model& model, const Part& part,
                                             bool flapReverse);

}  // namespace plikatra
