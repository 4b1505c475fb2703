// The raster source of the outputs: any rectangle of the sheet drawn as the development view
// draws it, at any resolution, without a window. Bitmaps, raster pages and the texture layer
// beneath vector pages take their pixels from here.
#pragma once

#include <memory>

#include "app/view_options.h"
#include "development/development_drawing.h"
#include "output/raster_source.h"

namespace plikatra {

class DevelopmentRenderer;
class OffscreenContext;

// The largest framebuffer side one tile uses; larger requests are drawn tile by tile. Bitmap
// files (4096 a side) and raster pages fit one tile, so dash patterns, which start again
// where a tile cuts a line, run on unbroken.
inline constexpr int kRasterTileSide = 4096;

class OffscreenRaster : public RasterSource {
public:
    // Draws `drawing` (not owned; it must outlive this) with `options`, on white and without
    // the sheet's frame and page boundaries, in tiles of at most `tileSide` pixels a side. The
    // OpenGL context is made on the first request and kept for the next ones.
    OffscreenRaster(const DevelopmentDrawing& drawing, DevelopmentViewOptions options,
                    int tileSide = kRasterTileSide);
    ~OffscreenRaster() override;
    OffscreenRaster(const OffscreenRaster&) = delete;
    OffscreenRaster& operator=(const OffscreenRaster&) = delete;

    // The request's rectangle at its resolution. Set-up failures give no image and the
    // message of the step that failed: "CreateDIBSection Error" for an image or framebuffer
    // that cannot be had, "OpenGL Context Error" for the context, "Error" when it cannot be
    // made current; none when no pixel format fits. No context is left current afterwards.
    RasterResult render(const RasterRequest& request) override;

private:
    bool setUp(int tileWidth, int tileHeight, std::string& error);
    DevelopmentRenderer& rendererFor(bool texturesOnly);

    const DevelopmentDrawing& drawing_;
    DevelopmentDrawing texturedFaces_;  // the textures-only mode's drawing
    DevelopmentViewOptions options_;
    int tileSide_;
    std::unique_ptr<OffscreenContext> context_;
    std::unique_ptr<DevelopmentRenderer> full_;
    std::unique_ptr<DevelopmentRenderer> texturesOnly_;
};

// Off-screen rasters with `options` for every drawing an output builds.
RasterFactory offscreenRasterFactory(DevelopmentViewOptions options);

}  // namespace plikatra
