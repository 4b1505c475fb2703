#include "output/bitmap_render.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "output/bitmap_file.h"

namespace plikatra {

namespace {

int truncated(double v) {
    if (!(v == v)) return 0;
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(v);
}

}  // namespace

SheetExtent sheetExtentOf(const DevelopmentDrawing& drawing) {
    double minX = std::numeric_limits<double>::max(), minY = minX;
    double maxX = -minX, maxY = -minX;
    std::unordered_set<const Part*> seen;
    for (const DrawnFace& f : drawing.faces) {
        const Part* p = f.part;
        if (!p || !seen.insert(p).second) continue;
        minX = std::min(minX, p->x);
        minY = std::min(minY, p->y);
        maxX = std::max(maxX, p->x + p->width);
        maxY = std::max(maxY, p->y + p->height);
    }
    const double mag = drawing.mag2d;
    for (const TextItem* t : drawing.texts) {
        minX = std::min(minX, t->x);
        minY = std::min(minY, t->y - t->height / mag);
        maxX = std::max(maxX, t->x + t->width / mag);
        maxY = std::max(maxY, t->y + 0.5 * t->height / mag);
    }
    if (minX > maxX || minY > maxY) return {};
    return {minX, minY, maxX - minX, maxY - minY};
}

RasterRequest bitmapRequest(const SheetExtent& extent, double mag2d, int width, int height,
                            const BitmapOptions& options) {
    RasterRequest r;
    r.width = width;
    r.height = height;
    const double widthCm = extent.width * mag2d;
    r.pixelsPerCm = widthCm > 0.0 ? width / widthCm : 0.0;
    r.left = extent.x * mag2d;
    r.top = extent.y * mag2d;
    r.lineSmooth = options.lineSmooth;
    return r;
}

Font bitmapTextFont(const TextItem& item, double pixelsPerCm, double ppi) {
    const int tenths = truncated(pixelsPerCm * item.fontSize / (ppi / 2.54) * 10);
    // A font made by point size has that size as its character height on the device.
    return {item.fontName, -static_cast<int>(std::lround(tenths * ppi / 720.0)), kFontWeightNormal, 0};
}

void drawBitmapTexts(Canvas& canvas, const DevelopmentDrawing& drawing, const SheetExtent& extent,
                     double pixelsPerCm, double ppi) {
    canvas.setTextAnchor(TextAnchor::BaselineLeft);
    for (const TextItem* t : drawing.texts) {
        canvas.setTextColor(colorFromRef(t->color));
        canvas.setFont(bitmapTextFont(*t, pixelsPerCm, ppi));
        canvas.text({truncated(pixelsPerCm * (t->x - extent.x) * drawing.mag2d),
                     truncated(pixelsPerCm * (t->y - extent.y) * drawing.mag2d)},
                    t->text);
    }
    canvas.setTextColor(kBlack);
}

OutputStatus renderBitmap(const DevelopmentDrawing& drawing, const SheetExtent& extent, int width, int height,
                          const BitmapOptions& options, RasterSource& raster, ImageCanvasFactory* texts,
                          RgbImage& out) {
    const RasterRequest request = bitmapRequest(extent, drawing.mag2d, width, height, options);
    if (width < 1 || height < 1 || !(request.pixelsPerCm > 0.0)) return OutputStatus::failure(kMsgFailedToCreateBmp);
    RasterResult result = raster.render(request);
    if (!result.ok() || result.image.width != width || result.image.height != height)
        return OutputStatus::failure(result.message.empty() ? kMsgFailedToCreateBmp : result.message);
    out = std::move(result.image);
    if (options.slideColorToWhite) slideColorToWhite(out);
    if (texts) {
        std::unique_ptr<Canvas> canvas = texts->canvasOn(out);
        if (canvas) drawBitmapTexts(*canvas, drawing, extent, request.pixelsPerCm, options.devicePixelsPerInch);
    }
    return OutputStatus::success();
}

OutputStatus exportBitmapFile(const std::string& path, const DevelopmentDrawing& drawing, const SheetExtent& extent,
                              int width, int height, const BitmapOptions& options, RasterSource& raster,
                              ImageCanvasFactory* texts) {
    RgbImage image;
    const OutputStatus rendered = renderBitmap(drawing, extent, width, height, options, raster, texts, image);
    if (!rendered.ok()) return rendered;
    return writeBmpFile(path, image);
}

}  // namespace plikatra
