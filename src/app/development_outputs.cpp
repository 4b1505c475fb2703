#include "app/development_outputs.h"

#include <algorithm>

#include "app/options.h"
#include "output/canvas_drawing.h"
#include "output/bitmap_file.h"
#include "output/svg_writer.h"

namespace plikatra {

DevelopmentDrawing developmentDrawingOf(const Document& doc) {
    return drawDevelopment(*doc.model(), drawingOptionsOf(doc.settings()));
}

OutputStatus saveDevelopmentSvg(const Document& doc, const std::string& path, TextMetrics& metrics) {
    if (!doc.hasDevelopment()) return OutputStatus::failure(kMsgCannotWriteFile);
    return writeSvgFile(path, developmentDrawingOf(doc), metrics, svgOptionsOf(doc.settings()));
}

std::vector<std::uint8_t> developmentMetafile(const Document& doc, TextMetrics& metrics,
                                              const EmfReferenceDevice& reference,
                                              const EmfDescription& description) {
    MetafileOptions options = metafileOptionsOf(doc.settings());
    options.reference = reference;
    options.description = description;
    return exportMetafile(developmentDrawingOf(doc), metrics, options);
}

OutputStatus saveDevelopmentMetafile(const Document& doc, const std::string& path, TextMetrics& metrics,
                                     const EmfReferenceDevice& reference) {
    if (!doc.hasDevelopment()) return OutputStatus::failure(kMsgCannotWriteFile);
    if (!writeMetafileFile(path, developmentMetafile(doc, metrics, reference)))
        return OutputStatus::failure(kMsgCannotWriteFile);
    return OutputStatus::success();
}

ClipboardMetafile clipboardMetafile(const Document& doc, TextMetrics& metrics, const EmfReferenceDevice& reference,
                                    ImageCanvasFactory& texts, int pictureLimit) {
    ClipboardMetafile out;
    if (!doc.hasDevelopment()) return out;
    const DevelopmentDrawing drawing = developmentDrawingOf(doc);
    MetafileOptions options = metafileOptionsOf(doc.settings());
    options.reference = reference;
    options.description = kEmfClipboardDescription;
    out.metafile = exportMetafile(drawing, metrics, options);

    const SheetExtent e = sheetExtentOf(drawing);
    const double mag = drawing.mag2d;
    double k = reference.pixelsPerInch / 2.54;  // pixels per centimetre
    const double largest = std::max(e.width, e.height) * mag * k;
    if (largest > pictureLimit - 1) k *= (pictureLimit - 1) / largest;
    out.picture = RgbImage(static_cast<int>(e.width * mag * k) + 1, static_cast<int>(e.height * mag * k) + 1);
    if (out.picture.empty()) return out;
    // The canvas ends its drawing when it is destroyed, before the picture is handed out.
    if (std::unique_ptr<Canvas> canvas = texts.canvasOn(out.picture)) {
        CanvasTransform shift;
        shift.offsetX = -e.x * mag * k;
        shift.offsetY = -e.y * mag * k;
        canvas->setTransform(shift);
        drawDevelopmentOnCanvas(*canvas, drawing, k * mag, k * mag, options.drawing);
        canvas->setTransform({});
        drawBitmapTexts(*canvas, drawing, e, k, k * 2.54);
    }
    return out;
}

BitmapSizeDialog bitmapSizeDialogOf(const Document& doc, int limit, BitmapFileKind kind) {
    const DevelopmentDrawing drawing = developmentDrawingOf(doc);
    const SheetExtent e = sheetExtentOf(drawing);
    return BitmapSizeDialog(e.width * drawing.mag2d, e.height * drawing.mag2d, limit, kind == BitmapFileKind::Png);
}

namespace {

OutputStatus bitmapOf(const Document& doc, const DevelopmentDrawing& drawing, int width, int height,
                      const RasterFactory& raster, ImageCanvasFactory* texts, RgbImage& out) {
    const std::unique_ptr<RasterSource> source = raster(drawing);
    if (!source) return OutputStatus::failure(kMsgFailedToCreateBmp);
    return renderBitmap(drawing, sheetExtentOf(drawing), width, height, bitmapOptionsOf(doc.settings()),
                        *source, texts, out);
}

}  // namespace

OutputStatus developmentBitmap(const Document& doc, int width, int height, const RasterFactory& raster,
                               ImageCanvasFactory* texts, RgbImage& out) {
    if (!doc.hasDevelopment() || !raster) return OutputStatus::failure(kMsgFailedToCreateBmp);
    return bitmapOf(doc, developmentDrawingOf(doc), width, height, raster, texts, out);
}

OutputStatus saveDevelopmentBitmap(const Document& doc, const std::string& path, int width, int height,
                                   const RasterFactory& raster, ImageCanvasFactory* texts, BitmapFileKind kind) {
    if (!doc.hasDevelopment() || !raster) return OutputStatus::failure(kMsgFailedToCreateBmp);
    const DevelopmentDrawing drawing = developmentDrawingOf(doc);
    RgbImage image;
    const OutputStatus rendered = bitmapOf(doc, drawing, width, height, raster, texts, image);
    if (!rendered.ok()) return rendered;
    if (kind == BitmapFileKind::Bmp) return writeBmpFile(path, image);
    const SheetExtent e = sheetExtentOf(drawing);
    return writePngFile(path, image, e.width * drawing.mag2d, e.height * drawing.mag2d);
}

}  // namespace plikatra
