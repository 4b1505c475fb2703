// The Canvas on a QPainter: printers, PDF files, print previews and images with text.
#pragma once

#include <QFont>
#include <QPainter>
#include <vector>

#include "output/bitmap_render.h"
#include "output/canvas.h"

namespace plikatra {

class PainterCanvas : public Canvas {
public:
    // Draws with `painter` (not owned) on a device of `pixelsPerInch`, which gives pens and
    // fonts their device sizes.
    PainterCanvas(QPainter& painter, double pixelsPerInch);

    void setPen(const Pen& pen) override;
    void setBrush(const Brush& brush) override;
    void setFont(const Font& font) override;
    void setTextColor(DeviceColor color) override;
    void setTextAnchor(TextAnchor anchor) override { anchor_ = anchor; }
    void polygon(std::span<const IntPoint> points) override;
    void polyline(std::span<const IntPoint> points) override;
    void text(IntPoint at, const std::string& utf8) override;
    TextSize textExtent(const std::string& utf8) override;
    std::vector<int> textAdvances(const std::string& utf8) override;
    void save() override;
    void restore() override;
    void intersectClip(const IntRect& rect) override;
    void setTransform(const CanvasTransform& transform) override;
    CanvasTransform transform() const override { return transform_; }
    void image(const IntRect& dest, const RgbImage& image) override;

private:
    QPointF device(IntPoint p) const;
    QRectF device(const IntRect& r) const;

    QPainter& painter_;
    double pixelsPerInch_;
    QPen pen_;
    QBrush brush_;
    QFont font_;
    int escapement_ = 0;
    QColor textColor_ = Qt::black;
    TextAnchor anchor_ = TextAnchor::TopLeft;
    CanvasTransform transform_;
    std::vector<CanvasTransform> saved_;
};

// Images with text drawn by QPainter (the bitmap export's text items).
class PainterImageCanvasFactory : public ImageCanvasFactory {
public:
    explicit PainterImageCanvasFactory(double pixelsPerInch) : pixelsPerInch_(pixelsPerInch) {}
    std::unique_ptr<Canvas> canvasOn(RgbImage& image) override;

private:
    double pixelsPerInch_;
};

}  // namespace plikatra
