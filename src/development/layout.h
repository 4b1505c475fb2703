// Placing the parts of the development on the sheet without overlap: largest first, each at
// the candidate point that keeps the used area closest to the page's proportions, parts kept
// off page breaks where asked.
#pragma once

#include <chrono>

#include "base/ui.h"
#include "development/development.h"
#include "development/progress_pacer.h"
#include "model/model.h"

namespace plikatra {

enum LayoutMode : int {
    kLayoutAuto = 0,       // fit the development to one page
    kLayoutGivenScale = 1  // keep the given scale
};

inline constexpr const char* kLayoutTitle = "Parts layout";
inline constexpr const char* kLayoutText = "Arranging parts layout...";

// How the packer finds a part's place. Scan tries every candidate point against every part
// placed before, which is the plain definition and costs about the cube of the part count;
// Indexed finds the same places through indexes of the placed parts and the candidate points.
enum class LayoutSearch { Indexed, Scan };

// How parts are arranged: by their boxes, or by their outlines (flaps included), turned in
// steps so that hollows and concave sides take smaller parts. Arranging by outline needs a
// given scale: in the automatic mode the boxes decide the scale and the layout.
enum class LayoutMethod { Box, Outline };

inline constexpr int kDefaultRotationStep = 90;

struct LayoutParams {
    int mode = kLayoutAuto;
    int spacingPercent = 15;  // automatic mode: spacing in percent of the model's largest extent
    int spacingMm = 10;       // given scale: spacing on paper
    bool pageDivide = true;   // given scale: keep parts that fit a page off the page breaks
    PageSetup page;
    LayoutSearch search = LayoutSearch::Indexed;
    LayoutMethod method = LayoutMethod::Box;
    // Arranging by outline tries each part turned by every multiple of this many degrees;
    // 0 or 360 keeps parts as they are.
    int rotationStep = kDefaultRotationStep;
    bool flapReverse = false;  // flaps on the face's own side, as the drawing puts them
    // How often the progress window is updated while parts are placed.
    std::chrono::milliseconds reportInterval = kProgressInterval;
};

// Lays the parts out. In the given-scale mode dMag2d must already hold the scale; in the
// automatic mode dMag2d is chosen so the development fits one page. Sets each part's position
// and size, the margin and the used area.
void layoutParts(Model& model, const LayoutParams& params, Ui& ui);

}  // namespace plikatra
