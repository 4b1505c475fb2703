// A push button that shows a colour: a bevelled frame around a swatch of the colour, as the
// colour settings present their choices.
#pragma once

#include <QColor>
#include <QPushButton>

#include "base/color.h"

namespace plikatra {

// Colour-table values (red in the low byte) and Qt colours.
QColor toQColor(ColorRef color);
ColorRef toColorRef(const QColor& color);

class ColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit ColorButton(QWidget* parent = nullptr);

    QColor color() const { return color_; }
    void setColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_ = Qt::black;
};

}  // namespace plikatra
