#include "output/canvas_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>


namespace plikatra {

namespace {

// A printed line of width 1 is this many centimetres wide (one point, as printers round it).
constexpr double kPenPerCm = 0.035146;
// Dash pattern entries are in units of this many centimetres.
constexpr double kDashUnitCm = 0.0246022;
// Points to centimetres.
constexpr double kPointCm = 0.035277777777777776;
// 1800 / pi: radians to tenths of a degree.
constexpr double kTenthsPerRadian = 572.9577951308238;

// The join-number face's (Arial's) character cell is 1.1172 ems tall (2288 of 2048 font
// units), of which 0.8103 is above the base line (1854 of 2288).
constexpr double kJoinNumberCellPerEm = 2288.0 / 2048.0;
constexpr double kJoinNumberAscentPerCell = 1854.0 / 2288.0;

constexpr int kDotPattern[] = {2, 6, 2, 6};
constexpr DeviceColor kShadowGrey{115, 115, 115};
constexpr int kDashDotPattern[] = {11, 2, 1, 2};

// Truncates toward zero as the device does; values beyond int saturate and NaN gives 0.
int toDevice(double v) {
    if (!(v == v)) return 0;
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return static_cast<int>(v);
}

std::uint8_t colorComponent(float c) {
    const double v = static_cast<double>(c) * 255.0;
    if (!(v > 0.0)) return 0;
    return v >= 255.0 ? 255 : static_cast<std::uint8_t>(v);
}

class CanvasDrawer {
public:
    CanvasDrawer(Canvas& canvas, const DevelopmentDrawing& d, double sx, double sy, const CanvasDrawingOptions& o)
        : c_(canvas), d_(d), sx_(sx), sy_(sy), o_(o) {
        const double k = sx / d.mag2d;
        penWidth_ = canvasPenWidth(k, o.lineWidth);
        dot_ = canvasDashPattern(kLineDotted, k, o.lineWidth);
        dashDot_ = canvasDashPattern(kLineDashDot, k, o.lineWidth);
        // Hairlines are drawn a whole pixel wide at any resolution a page is viewed at, so
        // what lies within a millimetre of the seen area is kept.
        seenMargin_ = penWidth_ + toDevice(k * 0.1);
    }

    void run() {
        flapLooks();
        flaps();
        faces();
        flapShadows();
        lines();
        numbers();
        c_.setPen(Pen::solid(kBlack));
        c_.setBrush(Brush::solid(kWhite));
        c_.setTextColor(kBlack);
    }

private:
    Canvas& c_;
    const DevelopmentDrawing& d_;
    double sx_, sy_;
    const CanvasDrawingOptions& o_;
    int penWidth_ = 1;
    int seenMargin_ = 1;
    std::vector<int> dot_, dashDot_;

    IntPoint device(Point2 p) const { return {toDevice(sx_ * p.x), toDevice(sy_ * p.y)}; }

    // False when the box of `points`, grown by `margin`, misses the seen area.
    template <typename Points>
    bool seen(const Points& points, int margin) const {
        if (!o_.seenArea) return true;
        long long x0 = std::numeric_limits<long long>::max(), y0 = x0;
        long long x1 = std::numeric_limits<long long>::min(), y1 = x1;
        for (IntPoint p : points) {
            x0 = std::min<long long>(x0, p.x);
            y0 = std::min<long long>(y0, p.y);
            x1 = std::max<long long>(x1, p.x);
            y1 = std::max<long long>(y1, p.y);
        }
        const IntRect& a = *o_.seenArea;
        return x1 + margin >= a.left && x0 - margin <= a.right && y1 + margin >= a.top &&
               y0 - margin <= a.bottom;
    }
    bool seen(IntPoint a, IntPoint b, int margin) const {
        return seen(std::initializer_list<IntPoint>{a, b}, margin);
    }

    void flaps() {
        if (d_.flaps.empty()) return;
        c_.setPen(Pen::solid(kBlack, penWidth_));
        std::vector<FlapPiece> found;
        if (!o_.flapPieces) found = visibleFlapPieces(d_);
        for (const FlapPiece& piece : o_.flapPieces ? *o_.flapPieces : found) {
            const IntPoint a = device(piece.a), b = device(piece.b);
            if (seen(a, b, seenMargin_)) c_.line(a, b);
        }
    }

    // Textured and half-textured flaps in the flat colour of the face they are glued under,
    // beneath their outlines; a textured face's picture is left to the raster layer, as the
    // face's own is.
    void flapLooks() {
        std::vector<IntPoint> points;
        for (const DrawnFlap& f : d_.flaps) {
            const Material* m = f.gluedMaterial;
            if (!m || m->hasTexture) continue;
            const std::vector<Point2> area = flapLookArea(f, d_.mag2d);
            if (area.size() < 3) continue;
            points.clear();
            for (Point2 p : area) points.push_back(device(p));
            if (!seen(points, seenMargin_)) continue;
            const DeviceColor color{colorComponent(m->flatColor.r), colorComponent(m->flatColor.g),
                                    colorComponent(m->flatColor.b)};
            c_.setPen(Pen::solid(color));
            c_.setBrush(Brush::solid(color));
            c_.polygon(points);
        }
    }

    // Where shadowed flaps go, thin and dashed in grey on the faces they are glued under.
    void flapShadows() {
        bool penSet = false;
        for (const DrawnFlap& f : d_.flaps) {
            const std::vector<Point2> shadow = flapShadowOutline(f, d_.mag2d);
            for (std::size_t i = 0; i + 1 < shadow.size(); ++i) {
                const IntPoint a = device(shadow[i]), b = device(shadow[i + 1]);
                if (!seen(a, b, seenMargin_)) continue;
                if (!penSet) {
                    Pen pen{Pen::Style::Dashed, kShadowGrey, 1, dot_};
                    if (pen.dashes.empty()) pen.style = Pen::Style::Solid;
                    c_.setPen(pen);
                    penSet = true;
                }
                c_.line(a, b);
            }
        }
    }

    void faces() {
        c_.setPen(Pen::solid(kWhite));
        c_.setBrush(Brush::solid(kWhite));
        std::vector<IntPoint> points;
        for (const DrawnFace& f : d_.faces) {
            const Material* m = f.material;
            // A textured face stays open: a raster layer may lie beneath it.
            if (m && m->hasTexture) continue;
            points.clear();
            for (Point2 p : f.corners) points.push_back(device(p));
            if (!seen(points, seenMargin_)) continue;
            if (m) {
                const DeviceColor color{colorComponent(m->flatColor.r), colorComponent(m->flatColor.g),
                                        colorComponent(m->flatColor.b)};
                c_.setPen(Pen::solid(color));
                c_.setBrush(Brush::solid(color));
                c_.polygon(points);
                c_.setBrush(Brush::solid(kWhite));
                c_.setPen(Pen::solid(kWhite));
            } else {
                c_.polygon(points);
            }
        }
    }

    void lines() {
        const Pen black = Pen::solid(kBlack, penWidth_);
        const Pen white = Pen::solid(kWhite, penWidth_);
        for (const DrawnLine& line : d_.lines) {
            const IntPoint a = device(line.start), b = device(line.end);
            if (!seen(a, b, seenMargin_)) continue;
            // Every line that is drawn at all gets its white under-line, also one whose type
            // is "none", so that a hidden fold still parts the colours of its faces.
            if (o_.whiteUnderLines) {
                c_.setPen(white);
                c_.line(a, b);
            }
            if (!line.visible()) continue;
            c_.setPen(black);
            if (line.role == LineRole::Cut || line.lineType == kLineSolid)
                c_.line(a, b);
            else
                drawPatternedLine(c_, a, b, line.lineType == kLineDotted ? dot_ : dashDot_);
        }
        c_.setPen(Pen::solid(kBlack));
    }

    void numbers() {
        if (d_.numbers.empty()) return;
        const int fullHeight = joinNumberFontHeight(o_.numberFontSize, sy_ / d_.mag2d);
        if (fullHeight <= 2) return;
        c_.setTextColor(kBlack);
        c_.setTextAnchor(TextAnchor::TopLeft);
        char text[16];
        for (const DrawnNumber& n : d_.numbers) {
            // A number fitted to a small face is set at its share of the font size.
            const int height = n.scale == 1.0
                                   ? fullHeight
                                   : toDevice(o_.numberFontSize * n.scale * (sy_ / d_.mag2d) * kPointCm);
            if (height <= 2) continue;
            const double fx = sx_ * n.first.x, fy = sy_ * n.first.y;
            const double gx = sx_ * n.second.x, gy = sy_ * n.second.y;
            const double length = std::hypot(gx - fx, gy - fy);
            // An edge without length has no direction to set its number along.
            if (!(length > 0.0)) continue;
            // A number sits beside its edge's middle, never further than a few of its heights.
            if (!seen(device(n.first), device(n.second), seenMargin_ + 8 * height)) continue;
            const double c = (gx - fx) / length, s = (gy - fy) / length;
            c_.setFont({kJoinNumberFace, height, kFontWeightNormal,
                        toDevice(joinNumberEscapement(gx - fx, gy - fy))});
            std::snprintf(text, sizeof text, "%d", n.number);
            const TextSize size = c_.textExtent(text);
            const double mx = (fx + gx) / 2, my = (fy + gy) / 2;
            // Centred along the edge, the cell lifted off it by a tenth of its height.
            const double x = mx + 0.5 * size.width * c - 1.1 * size.height * s;
            const double y = my + 0.5 * size.width * s + 1.1 * size.height * c;
            c_.text({toDevice(x), toDevice(y)}, text);
            if (n.marked) markBar(x, y, c, s, size);
        }
    }

    // The bar under a marked number set with its cell's top-left corner at (x, y), running
    // against the edge direction (c, s). The cell sits a tenth of its height off the edge and
    // the base line lies deep enough in it that the bar stays clear of the edge.
    void markBar(double x, double y, double c, double s, TextSize size) {
        const double em = size.height / kJoinNumberCellPerEm;
        const double ascent = size.height * kJoinNumberAscentPerCell;
        // Along the text and from its top towards its foot, on the device (y down).
        const double ux = -c, uy = -s, downX = s, downY = -c;
        const double bx = x + ascent * downX, by = y + ascent * downY;
        IntPoint corners[4];
        const std::array<Point2, 4> bar = numberMarkBar(size.width, em);
        for (int i = 0; i < 4; ++i)
            corners[i] = {toDevice(bx + bar[i].x * ux - bar[i].y * downX),
                          toDevice(by + bar[i].x * uy - bar[i].y * downY)};
        c_.setPen(Pen::none());
        c_.setBrush(Brush::solid(kBlack));
        c_.polygon(corners);
    }
};

}  // namespace

int canvasPenWidth(double k, double lineWidth) {
    return std::max(1, toDevice(k * lineWidth * kPenPerCm + 0.5));
}

std::vector<int> canvasDashPattern(int lineType, double k, double lineWidth) {
    const int* pattern = lineType == kLineDotted ? kDotPattern : lineType == kLineDashDot ? kDashDotPattern : nullptr;
    if (!pattern) return {};
    std::vector<int> out;
    for (int i = 0; i < 4; ++i) out.push_back(toDevice(k * kDashUnitCm * (pattern[i] + lineWidth)));
    return out;
}

int joinNumberFontHeight(int fontSize, double ky) { return toDevice(fontSize * ky * kPointCm); }

double joinNumberEscapement(double dx, double dy) {
    const double length = std::hypot(dx, dy);
    double t = kTenthsPerRadian * std::asin(std::clamp(dy / length, -1.0, 1.0));
    if (dx > 0) t = 1800 - t;
    return t;
}

void drawPatternedLine(Canvas& canvas, IntPoint a, IntPoint b, const std::vector<int>& pattern) {
    long long period = 0;
    for (int e : pattern) period += std::max(e, 0);
    if (period == 0) {
        canvas.line(a, b);
        return;
    }
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    auto at = [&](double t) { return IntPoint{toDevice(a.x + dx * t / length), toDevice(a.y + dy * t / length)}; };
    double position = 0.0;
    for (std::size_t i = 0; position < length; ++i) {
        const int entry = std::max(pattern[i % pattern.size()], 0);
        const double end = std::min(position + entry, length);
        if (i % 2 == 0 && end > position) canvas.line(at(position), at(end));
        position += entry;
    }
}

void drawDevelopmentOnCanvas(Canvas& canvas, const DevelopmentDrawing& drawing, double sx, double sy,
                             const CanvasDrawingOptions& options) {
    CanvasDrawer(canvas, drawing, sx, sy, options).run();
}

}  // namespace plikatra
