#include "output/print_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "output/bitmap_file.h"

namespace plikatra {

namespace {

int truncated(double v) {
    if (!(v == v)) return 0;
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(v);
}

// device = base ∘ (translate by (dx, dy)).
CanvasTransform shifted(const CanvasTransform& base, double dx, double dy) {
    CanvasTransform t = base;
    t.offsetX += base.scaleX * dx;
    t.offsetY += base.scaleY * dy;
    return t;
}

// A font of `points` made for a device of `ppiY`: its character height on paper is the size.
Font pointFont(const std::string& face, int points, double ppiY) {
    return {face, -static_cast<int>(std::lround(points * ppiY / 72.0)), kFontWeightNormal, 0};
}

class PagePrinter {
public:
    PagePrinter(Canvas& canvas, const DevelopmentDrawing& d, PageCell cell, const PrintDevice& device,
                const PrintOptions& o, RasterSource* raster)
        : c_(canvas), d_(d), cell_(cell), dev_(device), o_(o), raster_(raster) {
        px_ = device.pixelsPerInchX / 2.54;
        py_ = device.pixelsPerInchY / 2.54;
        const PageSetup& page = d.grid.page;
        w_ = page.cellWidth();
        h_ = page.cellHeight();
        cellRect_ = {truncated(page.marginSide * px_), truncated(page.marginTop * py_),
                     truncated((page.marginSide + w_) * px_), truncated((page.marginTop + h_) * py_)};
    }

    OutputStatus run(int pageNumber) {
        const CanvasTransform base = c_.transform();
        c_.save();
        // Everything is placed from the paper's corner, which lies (ox, oy) before the origin.
        c_.setTransform(shifted(base, -dev_.offsetX, -dev_.offsetY));
        if (o_.printPageNumber) label(pageNumber);
        if (o_.alignmentMarks && (d_.grid.pagesAcross != 1 || d_.grid.pagesDown != 1)) marks();
        c_.intersectClip(cellRect_);
        if (dev_.preview) {
            rasterLayer(false, o_.printRaster && o_.lineSmooth);
        } else if (o_.printRaster) {
            rasterLayer(false, o_.lineSmooth);
        } else {
            if (anyTexture()) rasterLayer(true, o_.lineSmooth);
            vectorPage();
        }
        texts();
        c_.restore();
        return status_;
    }

private:
    Canvas& c_;
    const DevelopmentDrawing& d_;
    PageCell cell_;
    const PrintDevice& dev_;
    const PrintOptions& o_;
    RasterSource* raster_;
    double px_, py_;  // device pixels per centimetre
    double w_, h_;    // the printable cell in centimetres
    IntRect cellRect_;
    OutputStatus status_;

    void label(int pageNumber) {
        const PageSetup& page = d_.grid.page;
        c_.setFont(pointFont(kPageLabelFace, kPageLabelPoints, dev_.pixelsPerInchY));
        c_.setTextColor(kBlack);
        c_.setTextAnchor(TextAnchor::TopLeft);
        const std::string text = pageLabel(pageNumber, cell_);
        const TextSize size = c_.textExtent(text);
        c_.text({truncated(page.width / 2 * px_ - size.width / 2.0),
                 truncated((page.height - page.marginTop + kPageLabelGapCm) * py_)},
                text);
    }

    void marks() {
        const PageSetup& page = d_.grid.page;
        c_.setPen(Pen::solid(kBlack, kAlignmentMarkPenWidth));
        const double arm = kAlignmentMarkArmCm;
        for (int j = 0; j <= d_.grid.pagesAcross; ++j)
            for (int i = 0; i <= d_.grid.pagesDown; ++i) {
                const double x = page.marginSide + j * w_, y = page.marginTop + i * h_;
                c_.line({truncated((x - arm) * px_), truncated(y * py_)}, {truncated((x + arm) * px_), truncated(y * py_)});
                c_.line({truncated(x * px_), truncated((y - arm) * py_)}, {truncated(x * px_), truncated((y + arm) * py_)});
            }
    }

    bool anyTexture() const {
        return std::any_of(d_.faces.begin(), d_.faces.end(),
                           [](const DrawnFace& f) { return f.material && f.material->hasTexture; });
    }

    // The cell's origin shifted so that development point (0, 0) lands where the sheet's
    // origin lies relative to this cell, as the device places whole pixels.
    CanvasTransform vectorTransform(const CanvasTransform& paper) const {
        const PageSetup& page = d_.grid.page;
        const IntPoint window = cellOrigin();
        return shifted(paper, truncated(page.marginSide * px_) - window.x, truncated(page.marginTop * py_) - window.y);
    }

    // The cell's top-left corner in the development's device coordinates (those the vector
    // transform maps onto the cell).
    IntPoint cellOrigin() const {
        return {truncated(w_ * (d_.grid.firstColumn + cell_.column) * px_),
                truncated(h_ * (d_.grid.firstRow + cell_.row) * py_)};
    }

    void vectorPage() {
        const CanvasTransform paper = c_.transform();
        c_.setTransform(vectorTransform(paper));
        CanvasDrawingOptions drawing = o_.drawing;
        const IntPoint window = cellOrigin();
        drawing.seenArea = IntRect{window.x, window.y, window.x + cellRect_.width(), window.y + cellRect_.height()};
        drawDevelopmentOnCanvas(c_, d_, px_ * d_.mag2d, py_ * d_.mag2d, drawing);
        c_.setTransform(paper);
    }

    void rasterLayer(bool texturesOnly, bool lineSmooth) {
        if (!raster_) return;
        const double r = o_.rasterPixelsPerInch;
        RasterRequest request;
        request.pixelsPerCm = r / 2.54;
        request.texturesOnly = texturesOnly;
        request.lineSmooth = lineSmooth;
        const Point2 corner = d_.grid.cellCorner(cell_.column, cell_.row);
        const double cellLeft = corner.x, cellTop = corner.y;  // sheet centimetres
        IntRect dest = cellRect_;
        if (texturesOnly) {
            const std::optional<SheetBox> box = texturedBox(d_, cell_);
            if (!box) return;
            const double mag = d_.mag2d;
            request.left = box->x0 * mag;
            request.top = box->y0 * mag;
            const TextSize size = rasterPageSize(o_.rasterPixelsPerInch, (box->x1 - box->x0) * mag, (box->y1 - box->y0) * mag);
            request.width = size.width;
            request.height = size.height;
            const PageSetup& page = d_.grid.page;
            dest = {truncated((page.marginSide + request.left - cellLeft) * px_),
                    truncated((page.marginTop + request.top - cellTop) * py_),
                    truncated((page.marginSide + box->x1 * mag - cellLeft) * px_),
                    truncated((page.marginTop + box->y1 * mag - cellTop) * py_)};
        } else {
            request.left = cellLeft;
            request.top = cellTop;
            const TextSize size = rasterPageSize(o_.rasterPixelsPerInch, w_, h_);
            request.width = size.width;
            request.height = size.height;
        }
        if (request.width < 1 || request.height < 1) return;
        RasterResult result = raster_->render(request);
        if (!result.ok()) {
            if (!result.message.empty()) status_ = OutputStatus::failure(result.message);
            return;
        }
        if (o_.slideColorToWhite) slideColorToWhite(result.image);
        c_.image(dest, result.image);
    }

    void texts() {
        const CanvasTransform paper = c_.transform();
        c_.setTransform(vectorTransform(paper));
        c_.setTextAnchor(TextAnchor::BaselineLeft);
        const double sx = px_ * d_.mag2d, sy = py_ * d_.mag2d;
        for (const TextItem* t : d_.texts) {
            c_.setTextColor(colorFromRef(t->color));
            c_.setFont(pointFont(t->fontName, t->fontSize, dev_.pixelsPerInchY));
            c_.text({truncated(t->x * sx), truncated(t->y * sy)}, t->text);
        }
        c_.setTextColor(kBlack);
        c_.setTransform(paper);
    }
};

}  // namespace

std::string pageLabel(int pageNumber, PageCell cell) {
    char text[96];
    std::snprintf(text, sizeof text, kPageLabelFormat, pageNumber, cell.row + 1, cell.column + 1);
    return text;
}

TextSize rasterPageSize(int ppi, double cellWidthCm, double cellHeightCm) {
    return {truncated(ppi * cellWidthCm / 2.54), truncated(ppi * cellHeightCm / 2.54)};
}

std::optional<SheetBox> texturedBox(const DevelopmentDrawing& d, PageCell cell) {
    const double w = d.grid.page.cellWidth() / d.mag2d, h = d.grid.page.cellHeight() / d.mag2d;
    const double x0 = (d.grid.firstColumn + cell.column) * w, y0 = (d.grid.firstRow + cell.row) * h;
    const double x1 = x0 + w, y1 = y0 + h;
    std::optional<SheetBox> box;
    for (const DrawnFace& f : d.faces) {
        if (!f.material || !f.material->hasTexture) continue;
        const bool touches = std::any_of(f.corners.begin(), f.corners.end(), [&](Point2 p) {
            return p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1;
        });
        if (!touches) continue;
        if (!box) box = SheetBox{f.corners[0].x, f.corners[0].y, f.corners[0].x, f.corners[0].y};
        for (Point2 p : f.corners) {
            box->x0 = std::min(box->x0, p.x);
            box->y0 = std::min(box->y0, p.y);
            box->x1 = std::max(box->x1, p.x);
            box->y1 = std::max(box->y1, p.y);
        }
    }
    if (box) {
        box->x0 = std::clamp(box->x0, x0, x1);
        box->x1 = std::clamp(box->x1, x0, x1);
        box->y0 = std::clamp(box->y0, y0, y1);
        box->y1 = std::clamp(box->y1, y0, y1);
    }
    return box;
}

OutputStatus printPage(Canvas& canvas, const DevelopmentDrawing& drawing, const std::vector<PageCell>& pages,
                       int pageNumber, const PrintDevice& device, const PrintOptions& options,
                       RasterSource* raster) {
    const bool inList = pageNumber >= 1 && static_cast<std::size_t>(pageNumber) <= pages.size();
    return PagePrinter(canvas, drawing, pageCellOf(pages, pageNumber), device, options, raster)
        .run(inList ? pageNumber : 1);
}

}  // namespace plikatra
