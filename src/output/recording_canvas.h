// A Canvas that keeps every call with the state in effect, for checking what a drawing does
// without a device.
#pragma once

#include <vector>

#include "output/canvas.h"
#include "output/text_metrics.h"

namespace plikatra {

struct CanvasOp {
    enum class Kind { Polygon, Polyline, Text, Image, Clip, Save, Restore };
    Kind kind = Kind::Polyline;
    std::vector<IntPoint> points;  // Polygon, Polyline; Text: the anchor point
    std::string text;              // Text
    IntRect rect;                  // Image destination, Clip rectangle
    RgbImage image;                // Image
    // State when the call was made.
    Pen pen;
    Brush brush;
    Font font;
    DeviceColor textColor;
    TextAnchor anchor = TextAnchor::TopLeft;
    CanvasTransform transform;
};

class RecordingCanvas : public Canvas {
public:
    // Text is measured with `metrics` (not owned).
    explicit RecordingCanvas(TextMetrics& metrics) : metrics_(metrics) {}

    std::vector<CanvasOp> ops;

    void setPen(const Pen& pen) override { state_.pen = pen; }
    void setBrush(const Brush& brush) override { state_.brush = brush; }
    void setFont(const Font& font) override { state_.font = font; }
    void setTextColor(DeviceColor color) override { state_.textColor = color; }
    void setTextAnchor(TextAnchor anchor) override { state_.anchor = anchor; }
    void polygon(std::span<const IntPoint> points) override;
    void polyline(std::span<const IntPoint> points) override;
    void text(IntPoint at, const std::string& utf8) override;
    TextSize textExtent(const std::string& utf8) override;
    std::vector<int> textAdvances(const std::string& utf8) override;
    void save() override;
    void restore() override;
    void intersectClip(const IntRect& rect) override;
    void setTransform(const CanvasTransform& transform) override { state_.transform = transform; }
    CanvasTransform transform() const override { return state_.transform; }
    void image(const IntRect& dest, const RgbImage& image) override;

    // The calls of one kind, in order.
    std::vector<const CanvasOp*> of(CanvasOp::Kind kind) const;

private:
    TextMetrics& metrics_;
    CanvasOp state_;
    std::vector<CanvasOp> saved_;
    CanvasOp& record(CanvasOp::Kind kind);
};

}  // namespace plikatra
