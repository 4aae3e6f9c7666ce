// What a graph draws with: a chart view in the module uirt_chart.so, the only part of the
// run-time on Qt Charts, loaded when a graph is first shown. Plots sit in numbered slots;
// a slot keeps its series for the next plot, as replacing points costs far less than a
// new series.
#pragma once

#include <cstddef>
#include <string>

class QPointF;
class QWidget;

namespace uirt::detail {

enum class PlotShape { line, scatter, line_with_points };

// One plot as drawn: y[i] at x[i], or at x = x0 + i * dx when there is no x.
struct PlotLook {
    PlotShape shape = PlotShape::line;
    int colour = 0;  // 0xRRGGBB
    bool small_points = false;
    double x0 = 0, dx = 1;
    const double* x = nullptr;
    const double* y = nullptr;
    std::size_t count = 0;
};

enum class ImageFormat { png, svg };

class ChartView {
public:
    virtual ~ChartView() = default;

    virtual QWidget* widget() = 0;
    virtual void show_plot(std::size_t slot, const PlotLook& plot) = 0;
    virtual void hide_plot(std::size_t slot) = 0;
    virtual void set_ranges(double x_lo, double x_hi, double y_lo, double y_hi) = 0;
    virtual void range(bool y_axis, double& lo, double& hi) const = 0;
    virtual void set_axis_name(bool y_axis, const std::string& name) = 0;
    // Points of the plot drawn in a slot, -1 when the slot shows none.
    virtual int drawn_points(std::size_t slot) const = 0;
    // Ticks of the x axis only at whole numbers (sample indices).
    virtual void set_whole_x_ticks(bool whole) = 0;
    // The interval of an axis's ticks at round numbers; 0 while they are not.
    virtual double tick_step(bool y_axis) const = 0;
    // Widget pixels to axis values and back; value_at is false outside the plot area.
    virtual bool value_at(const QPointF& pixel, double& x, double& y) const = 0;
    virtual QPointF pixel_of(double x, double y) const = 0;
    // The chart as drawn, at the widget's size.
    virtual bool image(ImageFormat format, std::string& bytes) = 0;
};

// The module's one export: a view filling `parent`, owned by the caller.
using ChartViewFactory = ChartView* (*)(QWidget* parent);
inline constexpr const char* chart_module_name = "uirt_chart.so";
inline constexpr const char* chart_factory_name = "uirt_create_chart_view";

}  // namespace uirt::detail
