// Placing the parts of the development on the sheet without overlap: largest first, each at
// the candidate point that keeps the used area closest to the page's proportions, parts kept
// off page breaks where asked.
#pragma once

#include "base/ui.h"
#include "development/development.h"
#include "model/model.h"

namespace plikatra {

enum LayoutMode : int {
    kLayoutAuto = 0,       // fit the development to one page
    kLayoutGivenScale = 1  // keep the given scale
};

inline constexpr const char* kLayoutTitle = "Parts layout";
inline constexpr const char* kLayoutText = "Arranging parts layout...";

struct LayoutParams {
    int mode = kLayoutAuto;
    int spacingPercent = 15;  // automatic mode: spacing in percent of the model's largest extent
    int spacingMm = 10;       // given scale: spacing on paper
    bool pageDivide = true;   // given scale: keep parts that fit a page off the page breaks
    PageSetup page;
};

// Lays the parts out. In the given-scale mode dMag2d must already hold the scale; in the
// automatic mode dMag2d is chosen so the development fits one page. Sets each part's position
// and size, the margin and the used area.
void layoutParts(Model& model, const LayoutParams& params, Ui& ui);

}  // namespace plikatra
