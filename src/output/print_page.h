// One printed page of the sheet on a Canvas: page label, alignment marks, the page's cell of
// the development (vector, raster, or a raster layer of textures beneath the vector drawing)
// and the text items.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "development/development_drawing.h"
#include "output/canvas.h"
#include "output/canvas_drawing.h"
#include "output/output_status.h"
#include "output/page_list.h"
#include "output/raster_source.h"

namespace plikatra {

inline constexpr const char* kPageLabelFormat = "-  page %d [row %d, column %d]  -";
inline constexpr const char* kPageLabelFace = "Arial";
inline constexpr int kPageLabelPoints = 10;
inline constexpr double kPageLabelGapCm = 0.2;     // below the bottom margin line
inline constexpr int kAlignmentMarkPenWidth = 5;   // device pixels
inline constexpr double kAlignmentMarkArmCm = 2.0;

struct PrintOptions {
    bool printPageNumber = false;   // the page label below the cell
    bool alignmentMarks = false;    // crosses at the cell corners (not on a 1 × 1 grid)
    bool omitEmptyPages = true;     // only cells that hold development are pages
    bool printRaster = false;       // whole pages as images
    bool slideColorToWhite = true;  // near-white raster pixels print as paper
    bool lineSmooth = false;        // anti-aliased lines in raster pages
    int rasterPixelsPerInch = 100;  // 75, 100, 150 or 200
    CanvasDrawingOptions drawing;
};

// The printer as the page sees it.
struct PrintDevice {
    double pixelsPerInchX = 300.0;
    double pixelsPerInchY = 300.0;
    // The physical printing offset: where the device's origin lies from the paper's corner.
    int offsetX = 0;
    int offsetY = 0;
    bool preview = false;  // previews always show raster pages
};

// "-  page n [row r, column c]  -" with the row and column counted from 1.
std::string pageLabel(int pageNumber, PageCell cell);

// Pixels of a raster page of cellWidthCm × cellHeightCm at `ppi`: the integer parts of
// (ppi · W / 2.54) and (ppi · H / 2.54).
TextSize rasterPageSize(int ppi, double cellWidthCm, double cellHeightCm);

// The box (development units) of the cell that textured faces reach: every textured face
// with a corner in the cell (borders included) grows it to hold all the face's corners; the
// box is then clamped to the cell. None when no textured face touches the cell.
struct SheetBox {
    double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
};
std::optional<SheetBox> texturedBox(const DevelopmentDrawing& drawing, PageCell cell);

// Draws page `pageNumber` of `pages` on `canvas`, whose transform maps the printer's device
// pixels (origin at the printable area's corner) to the canvas. `raster` renders raster
// pages and texture layers; without one they are left out. A failure of the raster rendering
// ends only that layer; its message is returned after the rest of the page is drawn.
OutputStatus printPage(Canvas& canvas, const DevelopmentDrawing& drawing, const std::vector<PageCell>& pages,
                       int pageNumber, const PrintDevice& device, const PrintOptions& options,
                       RasterSource* raster);

}  // namespace plikatra
