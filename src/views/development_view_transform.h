// Where the sheet lies in the development view: the mapping between sheet positions and
// client pixels for a given size, scale, zoom and pan, and the view's fit and zoom rules.
// Pure arithmetic, shared by the renderer, the mouse handling and the tests.
#pragma once

#include "development/development_drawing.h"
#include "model/geometry.h"

namespace plikatra {

// The printed sheet as the view sees it (centimetres unless noted).
struct SheetFrame {
    double width = 0.0;   // the page grid plus one margin on each outer side
    double height = 0.0;
    double marginSide = 1.5;
    double marginTop = 1.5;
    double pageWidth = 21.0;
    double pageHeight = 29.7;
    int pagesAcross = 1;
    int pagesDown = 1;
    double mag2d = 1.0;   // development units to centimetres
    // Centimetres from the development's origin to the first cell's corner: negative when
    // the page grid starts left of or above the origin.
    double originX = 0.0;
    double originY = 0.0;
};

SheetFrame sheetFrameOf(const DevelopmentDrawing& drawing);

// The view's scale and position. Pan is in pixels divided by zoom.
struct DevelopmentViewTransform {
    int clientWidth = 0;
    int clientHeight = 0;
    double pixelsPerCm = 1.0;
    double zoom = 1.0;
    double panX = 0.0;
    double panY = 0.0;

    int halfWidth() const { return clientWidth / 2; }
    int halfHeight() const { return clientHeight / 2; }
    // Screen pixels per centimetre on the sheet.
    double scale() const { return zoom * pixelsPerCm; }
};

// Client pixel position (y down) of a point given in centimetres from the sheet's top-left
// corner.
Point2 sheetCmToScreen(const DevelopmentViewTransform& t, const SheetFrame& f, Point2 cm);
// Centimetres from the sheet's top-left corner of a point in development units.
Point2 unitsToSheetCm(const SheetFrame& f, Point2 p);
// Client pixel position of a point in development units.
Point2 sheetToScreen(const DevelopmentViewTransform& t, const SheetFrame& f, Point2 p);
// The development-unit position under a client pixel position; inverse of sheetToScreen.
Point2 screenToSheet(const DevelopmentViewTransform& t, const SheetFrame& f, Point2 screen);

// Pixels per development unit on screen (what the editor's hit distances need).
double pixelsPerUnit(const DevelopmentViewTransform& t, const SheetFrame& f);

// The largest scale at which the sheet fits a client area with 15 pixels around it; a size
// change sets it and keeps zoom and pan.
double fitPixelsPerCm(int clientWidth, int clientHeight, const SheetFrame& f);

// "Show Entire": the fitting scale, zoom 1 and no pan. The client size must be set.
void fitSheet(DevelopmentViewTransform& t, const SheetFrame& f);

// Sets zoom unless the page would then be narrower than 20 or wider than 20000 pixels;
// returns whether it changed.
bool setZoomWithinLimits(DevelopmentViewTransform& t, const SheetFrame& f, double zoom);

// After the page grid changed from `before` to `after`, shifts the pan so that the
// development stays where it was on screen: when pages are added right or below, the sheet's
// top-left corner stays; when they are added left or above, the sheet grows out that way.
void keepSheetCorner(DevelopmentViewTransform& t, const SheetFrame& before,
                     const SheetFrame& after);

}  // namespace plikatra
