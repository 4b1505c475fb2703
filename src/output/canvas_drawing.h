// The vector drawing of the development on a Canvas, as printers and metafiles get it: flaps
// (beneath the faces of neighbouring parts and beneath earlier flaps), flat-coloured faces,
// fold and cut lines in their line types, and join numbers set along their edges. Textures
// and text items are left to the callers (raster layers, text routines).
#pragma once

#include <optional>
#include <vector>

#include "development/development_drawing.h"
#include "output/canvas.h"
#include "output/flap_pieces.h"

namespace plikatra {

struct CanvasDrawingOptions {
    double lineWidth = 1.0;        // printed line width (1.0 for the initial width index)
    bool whiteUnderLines = false;  // a white solid line beneath every line that is drawn
    int numberFontSize = 8;        // join numbers, points
    // Join numbers from the font's outline glyphs; not available on a Canvas, so the numbers
    // are set in the font as without it.
    bool useOriginalFont = false;
    // When set, the device rectangle that will be seen (a printed page's cell): what lies
    // wholly outside it is left out, which keeps each page of a many-page document to its own
    // share of the drawing. Unset draws everything.
    std::optional<IntRect> seenArea;
    // The drawing's visible flap pieces when they were already found: the pages of one
    // drawing share them instead of each finding them again. Null finds them.
    const std::vector<FlapPiece>* flapPieces = nullptr;
};

// Face of the join numbers.
inline constexpr const char* kJoinNumberFace = "Arial";

// Pen width in device units for k device units per centimetre: the integer part of
// (k · lineWidth · 0.035146 + 0.5), at least 1.
int canvasPenWidth(double k, double lineWidth);

// The on/off lengths in device units of a dotted (1) or dash-dot (2) line type, each pattern
// entry e becoming the integer part of (k · 0.0246022 · (e + lineWidth)); empty for others.
std::vector<int> canvasDashPattern(int lineType, double k, double lineWidth);

// Cell height of the join numbers for ky device units per centimetre: the integer part of
// (fontSize · ky · 0.035277777777777776). Numbers of 2 device units or less are not drawn.
int joinNumberFontHeight(int fontSize, double ky);

// Font escapement of a join number (tenths of a degree) for the direction (dx, dy) from its
// first to its second point in device units (y down).
double joinNumberEscapement(double dx, double dy);

// Draws `drawing` on `canvas` with sx, sy device units per development unit (device pixels
// per centimetre times dMag2d); a point (x, y) is drawn at (sx x, sy y) truncated to integers.
// Order: flaps, faces, lines, join numbers. Leaves the canvas with a black pen, a white
// brush and a black text colour.
void drawDevelopmentOnCanvas(Canvas& canvas, const DevelopmentDrawing& drawing, double sx, double sy,
                             const CanvasDrawingOptions& options);

// Draws a line from a to b as the separate "on" pieces of `pattern` (on, off, on, off ...,
// repeating from a), the last piece cut at b; solid when the pattern has no length.
void drawPatternedLine(Canvas& canvas, IntPoint a, IntPoint b, const std::vector<int>& pattern);

}  // namespace plikatra
