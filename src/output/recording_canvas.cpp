#include "output/recording_canvas.h"

namespace plikatra {

CanvasOp& RecordingCanvas::record(CanvasOp::Kind kind) {
    ops.push_back(state_);
    ops.back().kind = kind;
    return ops.back();
}

void RecordingCanvas::polygon(std::span<const IntPoint> points) {
    record(CanvasOp::Kind::Polygon).points.assign(points.begin(), points.end());
}

void RecordingCanvas::polyline(std::span<const IntPoint> points) {
    record(CanvasOp::Kind::Polyline).points.assign(points.begin(), points.end());
}

void RecordingCanvas::text(IntPoint at, const std::string& utf8) {
    CanvasOp& op = record(CanvasOp::Kind::Text);
    op.points = {at};
    op.text = utf8;
}

TextSize RecordingCanvas::textExtent(const std::string& utf8) {
    const TextLayout l = metrics_.layout(state_.font, utf8);
    return {l.width, l.height};
}

std::vector<int> RecordingCanvas::textAdvances(const std::string& utf8) {
    return metrics_.layout(state_.font, utf8).advances;
}

void RecordingCanvas::save() {
    saved_.push_back(state_);
    record(CanvasOp::Kind::Save);
}

void RecordingCanvas::restore() {
    if (!saved_.empty()) {
        state_ = saved_.back();
        saved_.pop_back();
    }
    record(CanvasOp::Kind::Restore);
}

void RecordingCanvas::intersectClip(const IntRect& rect) { record(CanvasOp::Kind::Clip).rect = rect; }

void RecordingCanvas::image(const IntRect& dest, const RgbImage& image) {
    CanvasOp& op = record(CanvasOp::Kind::Image);
    op.rect = dest;
    op.image = image;
}

std::vector<const CanvasOp*> RecordingCanvas::of(CanvasOp::Kind kind) const {
    std::vector<const CanvasOp*> out;
    for (const CanvasOp& op : ops)
        if (op.kind == kind) out.push_back(&op);
    return out;
}

}  // namespace plikatra
