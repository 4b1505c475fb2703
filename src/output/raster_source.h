// The off-screen rendering of the development that bitmaps and raster printing take their
// pixels from. The renderer itself (OpenGL) lives in the rendering layer; outputs only say
// which rectangle of the sheet they want at which resolution.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "development/development_drawing.h"
#include "output/canvas.h"

namespace plikatra {

// Set-up failures of the off-screen rendering, shown by the caller.
inline constexpr const char* kMsgCompatibleDcError = "CompatibleDC Error";
inline constexpr const char* kMsgCreateDibSectionError = "CreateDIBSection Error";
inline constexpr const char* kMsgSelectObjectError = "Select Object Error";
inline constexpr const char* kMsgOpenGlContextError = "OpenGL Context Error";
inline constexpr const char* kMsgMakeCurrentError = "Error";

struct RasterRequest {
    int width = 0;  // image size in pixels
    int height = 0;
    double pixelsPerCm = 0.0;  // sheet centimetres to pixels; the view's zoom is 1
    // The sheet point (centimetres: development units times dMag2d) that lands on the
    // image's top-left corner.
    double left = 0.0;
    double top = 0.0;
    bool texturesOnly = false;  // only the textured faces; otherwise everything, numbers too
    bool lineSmooth = false;    // anti-aliased lines
};

struct RasterResult {
    RgbImage image;       // width × height of the request, cleared to white before drawing
    std::string message;  // why there is no image (empty when the failure is silent)
    bool ok() const { return !image.empty(); }
};

class RasterSource {
public:
    virtual ~RasterSource() = default;
    virtual RasterResult render(const RasterRequest& request) = 0;
};

// Makes the raster source of one drawing (which outlives it). Outputs that build their drawing
// themselves call it once they have it, so that raster and vector parts show the same drawing.
using RasterFactory = std::function<std::unique_ptr<RasterSource>(const DevelopmentDrawing& drawing)>;

}  // namespace plikatra
