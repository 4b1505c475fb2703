#include "qt/dialogs/color_button.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <qdrawutil.h>

namespace plikatra {

QColor toQColor(ColorRef color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

ColorRef toColorRef(const QColor& color) {
    return ColorRef(color.red()) | ColorRef(color.green()) << 8 | ColorRef(color.blue()) << 16;
}

ColorButton::ColorButton(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void ColorButton::setColor(const QColor& color) {
    color_ = color;
    update();
}

QSize ColorButton::sizeHint() const { return QSize(48, 24); }

void ColorButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    const QRect frame = rect();
    // The shaded bevel sinks while the button is held, like any push button's.
    qDrawWinButton(&p, frame, palette(), isDown(), nullptr);
    const int inset = 4;
    const QRect swatch = frame.adjusted(inset, inset, -inset, -inset);
    if (isEnabled()) {
        p.fillRect(swatch, color_);
    } else {
        p.fillRect(swatch, palette().brush(QPalette::Disabled, QPalette::Button));
    }
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(swatch.adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = frame.adjusted(2, 2, -2, -2);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

}  // namespace plikatra
