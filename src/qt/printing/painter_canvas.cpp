#include "qt/printing/painter_canvas.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPolygonF>
#include <cmath>

#include "output/text_metrics.h"

namespace plikatra {

namespace {

QColor qColor(DeviceColor c) { return QColor(c.r, c.g, c.b); }

// How many ems a face's character cell (ascent plus descent) is high.
double cellPerEm(const QFont& font) {
    QFont probe(font);
    probe.setPixelSize(1000);
    const QFontMetricsF m(probe);
    const double cell = m.ascent() + m.descent();
    return cell > 0 ? cell / 1000.0 : 1.0;
}

}  // namespace

PainterCanvas::PainterCanvas(QPainter& painter, double pixelsPerInch)
    : painter_(painter), pixelsPerInch_(pixelsPerInch) {
    pen_ = QPen(Qt::black, 1);
    brush_ = QBrush(Qt::white);
}

QPointF PainterCanvas::device(IntPoint p) const {
    return {transform_.offsetX + transform_.scaleX * p.x, transform_.offsetY + transform_.scaleY * p.y};
}

QRectF PainterCanvas::device(const IntRect& r) const {
    const QPointF a = device(IntPoint{r.left, r.top});
    const QPointF b = device(IntPoint{r.right, r.bottom});
    return QRectF(a, b).normalized();
}

void PainterCanvas::setPen(const Pen& pen) {
    if (pen.style == Pen::Style::None) {
        pen_ = QPen(Qt::NoPen);
        return;
    }
    pen_ = QPen(qColor(pen.color), std::max(1, pen.width), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (pen.style == Pen::Style::Dashed && !pen.dashes.empty()) {
        // Qt measures dashes in pen widths.
        QList<qreal> pattern;
        for (const int d : pen.dashes) pattern << std::max(1, d) / static_cast<double>(pen_.width());
        if (pattern.size() % 2) pattern << pattern.back();
        pen_.setDashPattern(pattern);
    }
}

void PainterCanvas::setBrush(const Brush& brush) {
    brush_ = brush.filled ? QBrush(qColor(brush.color)) : QBrush(Qt::NoBrush);
}

void PainterCanvas::setFont(const Font& font) {
    font_ = QFont(QString::fromStdString(font.face));
    font_.setWeight(font.weight >= 600 ? QFont::Bold : QFont::Normal);
    // A positive height is the character cell, a negative one the em.
    const double em = font.height < 0 ? -font.height : font.height / cellPerEm(font_);
    font_.setPixelSize(std::max(1, static_cast<int>(std::lround(em))));
    escapement_ = font.escapement;
}

void PainterCanvas::setTextColor(DeviceColor color) { textColor_ = qColor(color); }

void PainterCanvas::polygon(std::span<const IntPoint> points) {
    QPolygonF poly;
    for (const IntPoint& p : points) poly << device(p);
    painter_.setPen(pen_);
    painter_.setBrush(brush_);
    painter_.drawPolygon(poly);
}

void PainterCanvas::polyline(std::span<const IntPoint> points) {
    QPolygonF poly;
    for (const IntPoint& p : points) poly << device(p);
    painter_.setPen(pen_);
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPolyline(poly);
}

void PainterCanvas::text(IntPoint at, const std::string& utf8) {
    const QString s = QString::fromStdString(utf8);
    painter_.save();
    painter_.setFont(font_);
    painter_.setPen(textColor_);
    painter_.translate(device(at));
    // Escapement turns counter-clockwise on the page, which has y pointing down.
    painter_.rotate(-escapement_ / 10.0);
    const QFontMetricsF m(font_, painter_.device());
    const double baseline = anchor_ == TextAnchor::TopLeft ? m.ascent() : 0.0;
    painter_.drawText(QPointF(0, baseline), s);
    painter_.restore();
}

TextSize PainterCanvas::textExtent(const std::string& utf8) {
    const QFontMetricsF m(font_, painter_.device());
    return {static_cast<int>(std::lround(m.horizontalAdvance(QString::fromStdString(utf8)))),
            static_cast<int>(std::lround(m.height()))};
}

std::vector<int> PainterCanvas::textAdvances(const std::string& utf8) {
    const QFontMetricsF m(font_, painter_.device());
    std::vector<int> out;
    double exact = 0.0;
    int placed = 0;
    for (const char32_t c : decodeUtf8(utf8)) {
        exact += m.horizontalAdvance(QString::fromUcs4(&c, 1));
        const int next = static_cast<int>(std::lround(exact));
        out.push_back(next - placed);
        placed = next;
    }
    return out;
}

void PainterCanvas::save() {
    painter_.save();
    saved_.push_back(transform_);
}

void PainterCanvas::restore() {
    painter_.restore();
    if (!saved_.empty()) {
        transform_ = saved_.back();
        saved_.pop_back();
    }
}

void PainterCanvas::intersectClip(const IntRect& rect) {
    painter_.setClipRect(device(rect), painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void PainterCanvas::setTransform(const CanvasTransform& transform) { transform_ = transform; }

void PainterCanvas::image(const IntRect& dest, const RgbImage& image) {
    if (image.empty()) return;
    const QImage view(image.pixels.data(), image.width, image.height, image.width * 3,
                      QImage::Format_RGB888);
    painter_.drawImage(device(dest), view);
}

namespace {

// The image and its painter, made before the canvas that draws with them and ended after it.
struct ImagePainter {
    explicit ImagePainter(RgbImage& target)
        : image(target.pixels.data(), target.width, target.height, target.width * 3,
                QImage::Format_RGB888),
          painter(&image) {}
    ~ImagePainter() { painter.end(); }
    QImage image;  // shares the pixels of the RgbImage, so nothing needs copying back
    QPainter painter;
};

class ImageCanvas : private ImagePainter, public PainterCanvas {
public:
    ImageCanvas(RgbImage& target, double ppi) : ImagePainter(target), PainterCanvas(painter, ppi) {}
};

}  // namespace

std::unique_ptr<Canvas> PainterImageCanvasFactory::canvasOn(RgbImage& image) {
    return std::make_unique<ImageCanvas>(image, pixelsPerInch_);
}

}  // namespace plikatra
