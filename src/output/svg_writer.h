// The whole printed sheet as SVG for cutting plotters and vector editors: one user unit is one
// millimetre, and each kind of content is a separate named group so that a plotter program
// can cut, score or skip it.
#pragma once

#include <string>

#include "development/development_drawing.h"
#include "output/output_status.h"
#include "output/text_metrics.h"

namespace plikatra {

// Group names, bottom to top. "underlines" exists only when white under-lines are asked for.
inline constexpr const char* kSvgImagesGroup = "images";
inline constexpr const char* kSvgFacesGroup = "faces";
inline constexpr const char* kSvgFlapsGroup = "flaps";
inline constexpr const char* kSvgUnderlinesGroup = "underlines";
inline constexpr const char* kSvgCutGroup = "cut";
inline constexpr const char* kSvgMountainGroup = "mountain";
inline constexpr const char* kSvgValleyGroup = "valley";
inline constexpr const char* kSvgNumbersGroup = "numbers";
inline constexpr const char* kSvgTextsGroup = "texts";

struct SvgOptions {
    double lineWidth = 1.0;        // printed line width; strokes are 0.35146 mm per unit
    bool whiteUnderLines = false;  // a white solid line beneath every line
    int numberFontSize = 8;        // join numbers, points
    bool textures = true;          // textured faces show their texture pictures
};

// The sheet (all page cells with one margin on each outer side) in millimetres. Development
// point (x, y) lies at (marginSide + x dMag2d, marginTop + y dMag2d) centimetres. Groups:
// "images" (textures clipped to their faces), "faces" (flat colours; textured faces
// unfilled), "flaps" (visible pieces of the flap outlines), "cut", "mountain" and "valley"
// (one path per part, one subpath per edge, dashes as stroke-dasharray restarting at every
// edge), "numbers" (join numbers along their edges) and "texts". Numbers are written in the C
// locale whatever the process locale.
std::string exportSvg(const DevelopmentDrawing& drawing, TextMetrics& metrics, const SvgOptions& options);

// Writes exportSvg to `path`, replacing it in one step; "Cannot write to file" on failure.
OutputStatus writeSvgFile(const std::string& path, const DevelopmentDrawing& drawing, TextMetrics& metrics,
                          const SvgOptions& options);

}  // namespace plikatra
