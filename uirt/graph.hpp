// The graph control: the model of its plots and axes, and a light placeholder widget. The
// chart view (uirt_chart.so, on Qt Charts) is loaded when the placeholder is first shown;
// from then on it draws the model. Reads come from the model, which works without any widget.
// On screen the placeholder reads out the point under the pointer and zooms to a rectangle
// dragged with the right button (or the left one on a graph that takes no clicks); a right
// click goes back one zoom.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "chart_view.hpp"

class QObject;
class QWidget;

namespace uirt::detail {

class Graph {
public:
    Graph();
    ~Graph();
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    // The placeholder, made on the first call; owned by the graph.
    QWidget* make_widget(QWidget* parent);
    QWidget* widget() const;

    // Adds a plot of y[i] * gain + offset at x = x0 + i * dx; returns its handle (> 0).
    int plot(const double* y, std::size_t count, double gain, double offset, double x0, double dx,
             int plot_style, int point_style, int colour);
    // Adds a plot of y[i] at x[i].
    int plot_xy(const double* x, const double* y, std::size_t count, int plot_style,
                int point_style, int colour);
    int remove(int handle);  // -1 removes every plot
    int set_axes(int x_scaling, double x_min, double x_max, int y_scaling, double y_min,
                 double y_max);
    void set_axis_name(bool y_axis, const std::string& name);
    const std::string& axis_name(bool y_axis) const { return y_axis ? y_name_ : x_name_; }
    // Units the pointer readout writes after the values (y with an engineering prefix).
    void set_units(bool y_axis, const std::string& units) { (y_axis ? y_units_ : x_units_) = units; }
    const std::string& units(bool y_axis) const { return y_axis ? y_units_ : x_units_; }
    void set_whole_x_ticks(bool whole);
    bool whole_x_ticks() const { return whole_x_ticks_; }
    void set_left_drag_zooms(bool on) { left_drag_zooms_ = on; }

    // Zoom: the drawn ranges become the rectangle; back undoes one zoom, or all of them.
    void zoom_in(double x_lo, double x_hi, double y_lo, double y_hi);
    int zoom_back(bool all);
    int zoom_depth() const { return static_cast<int>(zooms_.size()); }
    // The pointer readout's text for a point of the widget; empty away from every plot.
    std::string readout_at(double px, double py) const;
    std::string readout_near(double x, double y) const;  // with the pointer at a value
    // The graph as drawn (PNG or SVG); a graph never shown is drawn at `width` × `height`.
    bool image(ImageFormat format, int width, int height, std::string& bytes);

    // Plots in the order they were made.
    int count() const;
    std::vector<double> y_values(int n) const;
    int colour(int n) const;
    // The axis ranges as they will be drawn (pending changes applied first).
    void axis_range(bool y_axis, double& lo, double& hi);
    // What the chart view draws (pending changes applied first); -1 while there is none.
    int drawn_points(int n);
    int drawn_plots();
    double tick_step(bool y_axis);  // -1 while there is no chart view

private:
    class Placeholder;
    struct Slot {
        PlotShape shape = PlotShape::line;
        int handle = 0;  // 0 when free
        int colour = 0;
        bool small_points = false;
        double x0 = 0, dx = 1;
        std::vector<double> x;  // empty for a waveform (x0, dx)
        std::vector<double> y;  // after gain and offset
        double x_min = 0, x_max = 0, y_min = 0, y_max = 0;
        bool shown = false;    // drawn by the chart view
        bool pending = false;  // its points wait for the next apply
    };
    std::size_t free_slot(PlotShape shape);
    const Slot* nth_plot(int n) const;
    void autoscale();
    // Axis changes are kept and applied once per event-loop pass: setting a range lays
    // the axis labels out again, which costs far more than the plot itself. So are removed
    // plots: hiding a series lays the whole chart out again, while a plot made in the same
    // pass takes the removed one's place without it. New plots are drawn there too, after
    // the ranges: a series drawn before a range moves would trace its whole path twice.
    void schedule_axes();
    void apply_axes();
    void hide_removed();
    void draw(std::size_t slot);
    void draw_all();
    int add_slot(PlotShape shape, std::vector<double> x, std::vector<double> y, double x0,
                 double dx, int point_style, int colour);
    void open_view();  // on the placeholder's first show
    void drop_view();  // the placeholder goes

    Placeholder* placeholder_ = nullptr;
    std::unique_ptr<ChartView> view_;
    bool view_opened_ = false;
    std::vector<Slot> slots_;
    int next_handle_ = 1;
    int x_scaling_ = 1, y_scaling_ = 1;  // VAL_AUTOSCALE
    std::string x_name_, y_name_;
    struct Range {
        double lo, hi;
    };
    Range x_range_{0.0, 10.0}, y_range_{-1.0, 1.0};
    struct Box {
        Range x, y;
    };
    std::vector<Box> zooms_;
    std::string x_units_, y_units_;
    bool whole_x_ticks_ = false;
    bool left_drag_zooms_ = false;
    bool axes_pending_ = false;
    std::unique_ptr<QObject> guard_;  // drops a pending apply when the graph goes
};

}  // namespace uirt::detail
