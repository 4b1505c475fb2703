#include "qt/window/command_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace plikatra {

namespace {

using C = CommandId;

// Icons are drawn on a 32 × 30 grid (twice the classic 16 × 15 button) and scaled by Qt.
constexpr int kW = 32;
constexpr int kH = 30;

const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 245);
const QColor kAccent(30, 110, 200);
const QColor kWarm(210, 90, 40);

void sheet(QPainter& p, QRectF r = QRectF(6, 3, 20, 24)) {
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kPaper);
    p.drawRect(r);
}

void dashedLine(QPainter& p, QPointF a, QPointF b, const QColor& c, Qt::PenStyle style) {
    QPen pen(c, 2);
    pen.setStyle(style);
    p.setPen(pen);
    p.drawLine(a, b);
}

void triangleFace(QPainter& p, const QColor& fill) {
    QPolygonF t;
    t << QPointF(5, 25) << QPointF(27, 25) << QPointF(16, 5);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(fill);
    p.drawPolygon(t);
}

void letters(QPainter& p, const QString& text, const QColor& c = kInk) {
    QFont f("Liberation Sans");
    f.setBold(true);
    f.setPixelSize(text.size() > 2 ? 10 : 14);
    p.setFont(f);
    p.setPen(c);
    p.drawText(QRectF(0, 0, kW, kH), Qt::AlignCenter, text);
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c) {
    p.setPen(QPen(c, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u = d / len, n(-u.y(), u.x());
    QPolygonF head;
    head << to << to - u * 6 + n * 4 << to - u * 6 - n * 4;
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    p.drawPolygon(head);
}

void drawIcon(QPainter& p, CommandId id) {
    switch (id) {
        case C::Open:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(QColor(235, 200, 90));
            p.drawRect(QRectF(3, 9, 24, 16));
            p.drawRect(QRectF(3, 6, 10, 4));
            break;
        case C::Save:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(kAccent);
            p.drawRect(QRectF(4, 3, 24, 24));
            p.setBrush(kPaper);
            p.drawRect(QRectF(9, 3, 14, 9));
            p.drawRect(QRectF(9, 17, 14, 10));
            break;
        case C::ResetView:
            p.setPen(QPen(kInk, 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(16, 15), 10, 10);
            arrow(p, QPointF(16, 5), QPointF(24, 6), kAccent);
            break;
        case C::HideSurface:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(6, 9, 14, 14));
            p.drawLine(QPointF(6, 9), QPointF(12, 4));
            p.drawLine(QPointF(20, 9), QPointF(26, 4));
            p.drawLine(QPointF(20, 23), QPointF(26, 18));
            p.drawLine(QPointF(12, 4), QPointF(26, 4));
            p.drawLine(QPointF(26, 4), QPointF(26, 18));
            break;
        case C::ReverseSurface:
            triangleFace(p, QColor(190, 210, 240));
            arrow(p, QPointF(16, 20), QPointF(16, 8), kWarm);
            break;
        case C::SpecifyCutEdge:
            triangleFace(p, QColor(230, 230, 230));
            p.setPen(QPen(QColor(255, 100, 0), 3.5));
            p.drawLine(QPointF(5, 25), QPointF(27, 25));
            break;
        case C::SpecifyKeepEdge:
            triangleFace(p, QColor(230, 230, 230));
            p.setPen(QPen(QColor(230, 200, 0), 3.5));
            p.drawLine(QPointF(16, 5), QPointF(27, 25));
            break;
        case C::SplitWindow:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(kPaper);
            p.drawRect(QRectF(3, 5, 26, 20));
            p.drawLine(QPointF(16, 5), QPointF(16, 25));
            break;
        case C::OnlyDevelopmentWindow:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(kPaper);
            p.drawRect(QRectF(3, 5, 26, 20));
            letters(p, "2D", kAccent);
            break;
        case C::ZoomIn:
        case C::ZoomOut:
            p.setPen(QPen(kInk, 2.5));
            p.setBrush(kPaper);
            p.drawEllipse(QPointF(13, 12), 8, 8);
            p.drawLine(QPointF(19, 18), QPointF(27, 26));
            p.drawLine(QPointF(9, 12), QPointF(17, 12));
            if (id == C::ZoomIn) p.drawLine(QPointF(13, 8), QPointF(13, 16));
            break;
        case C::ShowEntire:
            sheet(p);
            arrow(p, QPointF(16, 15), QPointF(9, 6), kAccent);
            arrow(p, QPointF(16, 15), QPointF(23, 24), kAccent);
            break;
        case C::RecalculateLayout:
            sheet(p);
            p.setBrush(QColor(190, 210, 240));
            p.setPen(QPen(kInk, 1));
            p.drawRect(QRectF(9, 6, 7, 7));
            p.drawRect(QRectF(17, 6, 6, 10));
            p.drawRect(QRectF(9, 15, 7, 9));
            break;
        case C::ScaleUp:
        case C::ScaleDown:
            sheet(p);
            letters(p, id == C::ScaleUp ? "+" : "-", kAccent);
            break;
        case C::MirrorDevelopment:
            p.setPen(QPen(kInk, 1, Qt::DashLine));
            p.drawLine(QPointF(16, 3), QPointF(16, 27));
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(QColor(190, 210, 240));
            p.drawPolygon(QPolygonF({QPointF(14, 6), QPointF(14, 24), QPointF(4, 24)}));
            p.drawPolygon(QPolygonF({QPointF(18, 6), QPointF(18, 24), QPointF(28, 24)}));
            break;
        case C::FlapConfiguration:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(kPaper);
            p.drawPolygon(QPolygonF({QPointF(3, 20), QPointF(9, 10), QPointF(23, 10), QPointF(29, 20)}));
            dashedLine(p, QPointF(3, 20), QPointF(29, 20), kInk, Qt::DashLine);
            break;
        case C::JoinNumberConfiguration: letters(p, "12"); break;
        case C::LineTypeConfiguration:
            dashedLine(p, QPointF(3, 8), QPointF(29, 8), kInk, Qt::SolidLine);
            dashedLine(p, QPointF(3, 15), QPointF(29, 15), kInk, Qt::DashLine);
            dashedLine(p, QPointF(3, 22), QPointF(29, 22), kInk, Qt::DashDotLine);
            break;
        case C::UseMaterial:
            triangleFace(p, QColor(220, 120, 120));
            break;
        case C::ShowPageNumber:
            sheet(p);
            letters(p, "p1", QColor(0, 0, 255));
            break;
        case C::SmoothLine:
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(kInk, 2.5));
            p.drawLine(QPointF(4, 25), QPointF(28, 6));
            break;
        case C::EraseEdge:
            dashedLine(p, QPointF(4, 22), QPointF(28, 8), kInk, Qt::DashLine);
            p.setPen(QPen(kWarm, 3));
            p.drawLine(QPointF(8, 6), QPointF(24, 24));
            p.drawLine(QPointF(24, 6), QPointF(8, 24));
            break;
        case C::UndoEraseEdge:
            dashedLine(p, QPointF(4, 22), QPointF(28, 8), kInk, Qt::DashLine);
            arrow(p, QPointF(22, 26), QPointF(10, 26), kAccent);
            break;
        case C::EditFlap:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(QColor(255, 120, 120));
            p.drawPolygon(QPolygonF({QPointF(3, 22), QPointF(9, 12), QPointF(23, 12), QPointF(29, 22)}));
            break;
        case C::CutPart:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(QColor(190, 210, 240));
            p.drawRect(QRectF(4, 6, 10, 18));
            p.drawRect(QRectF(18, 6, 10, 18));
            break;
        case C::JoinSurface:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(QColor(190, 210, 240));
            p.drawRect(QRectF(4, 6, 24, 18));
            dashedLine(p, QPointF(16, 6), QPointF(16, 24), kInk, Qt::DashLine);
            break;
        case C::RotatePart:
            p.setPen(QPen(kInk, 2));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(6, 5, 20, 20), 30 * 16, 280 * 16);
            arrow(p, QPointF(24, 10), QPointF(25, 4), kAccent);
            break;
        case C::MovePart:
            arrow(p, QPointF(16, 15), QPointF(16, 3), kInk);
            arrow(p, QPointF(16, 15), QPointF(16, 27), kInk);
            arrow(p, QPointF(16, 15), QPointF(3, 15), kInk);
            arrow(p, QPointF(16, 15), QPointF(29, 15), kInk);
            break;
        case C::InputText: letters(p, "A"); break;
        case C::CheckSurface:
            triangleFace(p, QColor(255, 80, 80));
            break;
        case C::UndoLastEditing:
            p.setPen(QPen(kAccent, 2.5));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(8, 8, 18, 16), 0, 200 * 16);
            arrow(p, QPointF(9, 17), QPointF(7, 24), kAccent);
            break;
        case C::SaveDevelopment:
            sheet(p);
            arrow(p, QPointF(16, 8), QPointF(16, 24), kAccent);
            break;
        case C::CopyBitmap:
            sheet(p, QRectF(4, 4, 16, 20));
            sheet(p, QRectF(12, 8, 16, 20));
            letters(p, "B", kAccent);
            break;
        case C::Print:
            p.setPen(QPen(kInk, 1.5));
            p.setBrush(kPaper);
            p.drawRect(QRectF(9, 3, 14, 9));
            p.setBrush(QColor(180, 180, 180));
            p.drawRect(QRectF(3, 12, 26, 10));
            p.setBrush(kPaper);
            p.drawRect(QRectF(9, 19, 14, 8));
            break;
        default: letters(p, "?"); break;
    }
}

}  // namespace

QIcon commandIcon(CommandId id) {
    QPixmap pixmap(kW, kH);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        drawIcon(p, id);
    }
    return QIcon(pixmap);
}

}  // namespace plikatra
