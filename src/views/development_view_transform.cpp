#include "views/development_view_transform.h"

#include <algorithm>

namespace plikatra {

SheetFrame sheetFrameOf(const DevelopmentDrawing& d) {
    SheetFrame f;
    f.width = d.grid.sheetWidth;
    f.height = d.grid.sheetHeight;
    f.marginSide = d.grid.page.marginSide;
    f.marginTop = d.grid.page.marginTop;
    f.pageWidth = d.grid.page.width;
    f.pageHeight = d.grid.page.height;
    f.pagesAcross = d.grid.pagesAcross;
    f.pagesDown = d.grid.pagesDown;
    f.mag2d = d.mag2d;
    const Point2 first = d.grid.cellCorner(0, 0);
    f.originX = first.x;
    f.originY = first.y;
    return f;
}

Point2 sheetCmToScreen(const DevelopmentViewTransform& t, const SheetFrame& f, Point2 cm) {
    const double k = t.scale();
    return {t.halfWidth() + t.zoom * t.panX - k * f.width / 2 + k * cm.x,
            t.halfHeight() - t.zoom * t.panY - k * f.height / 2 + k * cm.y};
}

Point2 unitsToSheetCm(const SheetFrame& f, Point2 p) {
    return {f.marginSide - f.originX + f.mag2d * p.x, f.marginTop - f.originY + f.mag2d * p.y};
}

Point2 sheetToScreen(const DevelopmentViewTransform& t, const SheetFrame& f, Point2 p) {
    return sheetCmToScreen(t, f, unitsToSheetCm(f, p));
}

Point2 screenToSheet(const DevelopmentViewTransform& t, const SheetFrame& f, Point2 s) {
    const double k = t.scale();
    const double cmX = (s.x - t.halfWidth() - t.zoom * t.panX + k * f.width / 2) / k;
    const double cmY = (s.y - t.halfHeight() + t.zoom * t.panY + k * f.height / 2) / k;
    return {(cmX - f.marginSide + f.originX) / f.mag2d, (cmY - f.marginTop + f.originY) / f.mag2d};
}

double pixelsPerUnit(const DevelopmentViewTransform& t, const SheetFrame& f) {
    return t.scale() * f.mag2d;
}

double fitPixelsPerCm(int clientWidth, int clientHeight, const SheetFrame& f) {
    return std::min((clientWidth - 30) / f.width, (clientHeight - 30) / f.height);
}

void fitSheet(DevelopmentViewTransform& t, const SheetFrame& f) {
    t.pixelsPerCm = fitPixelsPerCm(t.clientWidth, t.clientHeight, f);
    t.zoom = 1.0;
    t.panX = t.panY = 0.0;
}

bool setZoomWithinLimits(DevelopmentViewTransform& t, const SheetFrame& f, double zoom) {
    const double pageWidth = t.pixelsPerCm * zoom * f.pageWidth;
    if (!(pageWidth >= 20 && pageWidth <= 20000)) return false;
    t.zoom = zoom;
    return true;
}

void keepSheetCorner(DevelopmentViewTransform& t, const SheetFrame& before,
                     const SheetFrame& after) {
    const double k = t.scale();
    t.panX += (after.width - before.width) * k / 2 / t.zoom + (after.originX - before.originX) * k / t.zoom;
    t.panY -= (after.height - before.height) * k / 2 / t.zoom + (after.originY - before.originY) * k / t.zoom;
}

}  // namespace plikatra
