#include "led.hpp"

#include <QPainter>
#include <algorithm>

namespace uirt::detail {

void Led::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::max(2, std::min(width(), height()) - 2);
    const QRect circle((width() - side) / 2, (height() - side) / 2, side, side);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(isEnabled() ? colour_ : colour_.darker(200));
    painter.drawEllipse(circle);
}

}  // namespace uirt::detail
