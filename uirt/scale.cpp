#include "scale.hpp"

#include <QApplication>
#include <QFontMetricsF>
#include <cmath>

#include "font_config.hpp"

namespace uirt::detail {

namespace {

constexpr double designed_line_height = 14.0;

}  // namespace

double layout_scale() {
    // The font is the application's for the whole run: measured once it exists.
    static double scale = 0.0;
    if (scale == 0.0) {
        if (!QCoreApplication::instance()) return 1.0;
        finish_loading_fonts();  // waiting is quicker than loading a second copy
        const double height = QFontMetricsF(QApplication::font()).height();
        // A font a fraction of a pixel taller than the designed one still fits.
        scale = height <= designed_line_height + 0.5 ? 1.0 : height / designed_line_height;
    }
    return scale;
}

int to_screen(int model) {
    return static_cast<int>(std::lround(model * layout_scale()));
}

int to_model(int screen) {
    return static_cast<int>(std::lround(screen / layout_scale()));
}

}  // namespace uirt::detail
