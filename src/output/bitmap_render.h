// The bitmap of the development (file and clipboard) around the off-screen rendering: the
// image's size and scale, the sheet corner it starts at, the colour clean-up and the text
// items drawn on the image at their paper size.
#pragma once

#include <memory>
#include <string>

#include "development/development_drawing.h"
#include "output/canvas.h"
#include "output/output_status.h"
#include "output/raster_source.h"

namespace plikatra {

// The used area of the sheet in development units.
struct SheetExtent {
    double x = 0.0, y = 0.0;
    double width = 0.0, height = 0.0;
};

// The extent over the boxes of the drawing's parts and its text items, as the sheet extent
// of the development is computed (text sizes are on paper, so divided by dMag2d).
SheetExtent sheetExtentOf(const DevelopmentDrawing& drawing);

struct BitmapOptions {
    bool slideColorToWhite = true;
    bool lineSmooth = false;
    // Horizontal pixels per inch of the device the text fonts are made for; text comes out
    // at its paper size whatever this is.
    double devicePixelsPerInch = 96.0;
};

// A Canvas drawing onto an image until it is destroyed (the front end's painter).
class ImageCanvasFactory {
public:
    virtual ~ImageCanvasFactory() = default;
    virtual std::unique_ptr<Canvas> canvasOn(RgbImage& image) = 0;
};

// The request for a width × height bitmap of the extent: width / (extent width in cm) pixels
// per centimetre, the extent's top-left corner at the image's top-left.
RasterRequest bitmapRequest(const SheetExtent& extent, double mag2d, int width, int height,
                            const BitmapOptions& options);

// Font of a text item on a bitmap of `pixelsPerCm`: its face at a point size of the integer
// part of (pixelsPerCm × size / (ppi / 2.54) × 10) tenths, made for a device of `ppi`.
Font bitmapTextFont(const TextItem& item, double pixelsPerCm, double ppi);

// Draws the text items in their colours, base line left at scale (item - extent corner)
// dMag2d; the text colour returns to black.
void drawBitmapTexts(Canvas& canvas, const DevelopmentDrawing& drawing, const SheetExtent& extent,
                     double pixelsPerCm, double ppi);

// Everything of the bitmap but the rendering: asks `raster` for the image, whitens near-white
// pixels when asked, and draws the text items through `texts` (none for a printer). On
// failure the renderer's message, or kMsgFailedToCreateBmp when it gives none.
OutputStatus renderBitmap(const DevelopmentDrawing& drawing, const SheetExtent& extent, int width, int height,
                          const BitmapOptions& options, RasterSource& raster, ImageCanvasFactory* texts,
                          RgbImage& out);

// renderBitmap, then the file.
OutputStatus exportBitmapFile(const std::string& path, const DevelopmentDrawing& drawing, const SheetExtent& extent,
                              int width, int height, const BitmapOptions& options, RasterSource& raster,
                              ImageCanvasFactory* texts);

}  // namespace plikatra
