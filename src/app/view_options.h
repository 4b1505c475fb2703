// How the two views draw: the options the development and model renderers take, and their
// values from the settings record. Kept apart from the renderers so that the settings turn
// into view options in the same layer as every other option.
#pragma once

#include <array>
#include <cstdint>

#include "base/color.h"
#include "development/editing.h"

namespace plikatra {

struct Settings;

// How the development view draws what the drawing holds. Defaults are the program's initial
// settings.
struct DevelopmentViewOptions {
    double lineWidth = 1.0;          // printed line width (the line width table's entry)
    bool lineSmooth = false;         // antialiased lines
    bool lineAlpha = false;          // lines over textured faces are see-through
    double textureLineAlpha = 0.5;   // their alpha is 1 minus this
    bool textureSmooth = true;       // linear texture filtering, else nearest
    bool whiteUnderLines = false;    // a white solid line under every dashed one
    int numberFontSize = 8;          // join numbers, points
    std::uint32_t selectionColor = 255;  // colour table entry 6, red in the low byte
    int editMode = kModeNone;
    bool whiteBackground = false;    // white instead of grey around the sheet (image export)
    bool sheetFrame = true;          // the sheet's shadow, outline and page boundaries
};

// How the model view draws the model. Defaults are the program's initial settings.
struct ModelViewOptions {
    // Colour table, red in the low byte: 1 mountain, 2 valley, 3 open edge, 4 cut edge,
    // 5 keep edge, 7 background.
    std::array<std::uint32_t, 8> colors = kInitialColors;
    bool cullFace = false;        // hide back faces
    bool cullEdge = true;         // hide folds flatter than angleEps
    int angleEps = 178;
    bool colorEdges = true;       // folds in the mountain and valley colours, else black
    bool useMaterial = true;      // faces in their materials and textures, else white
    bool openedCuts = true;       // with a development, cut edges drawn opened
    bool omitMaterialWhileRotating = false;
    bool textureSmooth = true;
    bool hideSurface = false;     // without a development, edges only
};

// The development view's options under the settings, in edit mode `editMode`.
DevelopmentViewOptions developmentViewOptionsOf(const Settings& s, int editMode);
// The model view's options under the settings; `hideSurface` is the document's "Hide Surface".
ModelViewOptions modelViewOptionsOf(const Settings& s, bool hideSurface);

}  // namespace plikatra
