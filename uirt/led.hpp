// A round LED: a filled circle in the on or off colour.
#pragma once

#include <QColor>
#include <QWidget>

namespace uirt::detail {

class Led : public QWidget {
public:
    explicit Led(QWidget* parent) : QWidget(parent) {}
    void set_colour(QColor colour) {
        colour_ = colour;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_ = Qt::darkGray;
};

}  // namespace uirt::detail
