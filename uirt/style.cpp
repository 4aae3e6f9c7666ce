#include "style.hpp"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>

namespace uirt::detail {

namespace {

// A double chevron, pointing right or down: the menu bar's overflow button.
QIcon chevron(bool down, const QColor& colour) {
    constexpr int side = 16;
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(colour, 1.5));
    for (const int offset : {3, 8}) {
        const QPointF a = down ? QPointF(4, offset) : QPointF(offset, 4);
        const QPointF tip = down ? QPointF(8, offset + 4) : QPointF(offset + 4, 8);
        const QPointF b = down ? QPointF(12, offset) : QPointF(offset, 12);
        painter.drawLine(a, tip);
        painter.drawLine(tip, b);
    }
    return QIcon(pixmap);
}

class Style : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (icon == SP_ToolBarHorizontalExtensionButton ||
            icon == SP_ToolBarVerticalExtensionButton)
            return chevron(icon == SP_ToolBarVerticalExtensionButton,
                           QApplication::palette().color(QPalette::ButtonText));
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};

}  // namespace

void install_style() {
    QApplication::setStyle(new Style());  // the application takes ownership
}

}  // namespace uirt::detail
