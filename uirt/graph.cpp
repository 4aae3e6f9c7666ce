#include "graph.hpp"

#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <limits>

#include "chart_loader.hpp"
#include "uirt.hpp"

namespace uirt::detail {

namespace {

// Widens an empty range so the axis stays drawable.
std::pair<double, double> padded(double lo, double hi) {
    if (lo < hi) return {lo, hi};
    const double pad = lo == 0.0 ? 1.0 : std::abs(lo) * 0.1;
    return {lo - pad, hi + pad};
}

}  // namespace

// Black until shown; then it holds the chart view, sized to fill it.
class Graph::Placeholder : public QWidget {
public:
    Placeholder(Graph* graph, QWidget* parent) : QWidget(parent), graph_(graph) {
        QPalette black = palette();
        black.setColor(QPalette::Window, Qt::black);
        setPalette(black);
        setAutoFillBackground(true);
    }
    ~Placeholder() override {
        if (graph_) graph_->drop_view();
    }
    void release() { graph_ = nullptr; }

protected:
    bool event(QEvent* event) override {
        if (graph_ && event->type() == QEvent::Show) graph_->open_view();
        if (graph_ && graph_->view_ && event->type() == QEvent::Resize)
            graph_->view_->widget()->resize(size());
        return QWidget::event(event);
    }

private:
    Graph* graph_;
};

Graph::Graph() : guard_(std::make_unique<QObject>()) {}

Graph::~Graph() {
    view_.reset();
    if (placeholder_) {
        placeholder_->release();
        delete placeholder_;
    }
}

QWidget* Graph::make_widget(QWidget* parent) {
    if (!placeholder_) placeholder_ = new Placeholder(this, parent);
    return placeholder_;
}

QWidget* Graph::widget() const {
    return placeholder_;
}

void Graph::open_view() {
    if (view_opened_) return;
    view_opened_ = true;
    view_ = make_chart_view(placeholder_);
    if (!view_) return;
    QWidget* drawn = view_->widget();
    // Clicks go to the placeholder, which the control watches.
    drawn->setAttribute(Qt::WA_TransparentForMouseEvents);
    drawn->setGeometry(placeholder_->rect());
    if (!x_name_.empty()) view_->set_axis_name(false, x_name_);
    if (!y_name_.empty()) view_->set_axis_name(true, y_name_);
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].handle != 0) draw(i);
    view_->set_ranges(x_range_.lo, x_range_.hi, y_range_.lo, y_range_.hi);
    drawn->show();
}

void Graph::drop_view() {
    view_.reset();
    placeholder_ = nullptr;
    view_opened_ = false;
}

std::size_t Graph::free_slot(PlotShape shape) {
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].handle == 0 && slots_[i].shape == shape) return i;
    Slot slot;
    slot.shape = shape;
    slots_.push_back(slot);
    return slots_.size() - 1;
}

void Graph::draw(std::size_t index) {
    const Slot& slot = slots_[index];
    PlotLook look;
    look.shape = slot.shape;
    look.colour = slot.colour;
    look.small_points = slot.small_points;
    look.x0 = slot.x0;
    look.dx = slot.dx;
    look.y = slot.y.data();
    look.count = slot.y.size();
    view_->show_plot(index, look);
}

int Graph::plot(const double* y, std::size_t count, double gain, double offset, double x0,
                double dx, int plot_style, int point_style, int colour) {
    if (y == nullptr && count > 0) return UIE_BAD_VALUE;
    const PlotShape shape = plot_style == VAL_SCATTER            ? PlotShape::scatter
                            : plot_style == VAL_CONNECTED_POINTS ? PlotShape::line_with_points
                                                                 : PlotShape::line;
    const std::size_t index = free_slot(shape);
    Slot& slot = slots_[index];
    slot.y.resize(count);
    double y_min = std::numeric_limits<double>::max(),
           y_max = std::numeric_limits<double>::lowest();
    for (std::size_t i = 0; i < count; ++i) {
        const double v = y[i] * gain + offset;
        y_min = std::min(y_min, v);
        y_max = std::max(y_max, v);
        slot.y[i] = v;
    }
    if (count == 0) y_min = y_max = 0.0;
    const double x_last = x0 + dx * static_cast<double>(count ? count - 1 : 0);
    slot.x_min = std::min(x0, x_last);
    slot.x_max = std::max(x0, x_last);
    slot.y_min = y_min;
    slot.y_max = y_max;
    slot.x0 = x0;
    slot.dx = dx;
    slot.colour = colour & 0xFFFFFF;
    slot.small_points = point_style == VAL_SMALL_SOLID_SQUARE;
    slot.handle = next_handle_++;
    if (view_) draw(index);
    autoscale();
    return slot.handle;
}

int Graph::remove(int handle) {
    bool found = false;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot& slot = slots_[i];
        if (slot.handle == 0 || (handle != -1 && slot.handle != handle)) continue;
        slot.y.clear();
        slot.handle = 0;
        if (view_) view_->hide_plot(i);
        found = true;
    }
    if (handle != -1 && !found) return UIE_BAD_VALUE;
    autoscale();
    return 0;
}

int Graph::set_axes(int x_scaling, double x_min, double x_max, int y_scaling, double y_min,
                    double y_max) {
    const auto valid = [](int s) { return s == VAL_MANUAL || s == VAL_AUTOSCALE || s == VAL_LOCK; };
    if (!valid(x_scaling) || !valid(y_scaling)) return UIE_BAD_VALUE;
    if ((x_scaling == VAL_MANUAL && !(x_min < x_max)) ||
        (y_scaling == VAL_MANUAL && !(y_min < y_max)))
        return UIE_BAD_VALUE;
    x_scaling_ = x_scaling;
    y_scaling_ = y_scaling;
    if (x_scaling == VAL_MANUAL) x_range_ = {x_min, x_max};
    if (y_scaling == VAL_MANUAL) y_range_ = {y_min, y_max};
    schedule_axes();
    autoscale();
    return 0;
}

void Graph::autoscale() {
    bool any = false;
    double x_lo = 0, x_hi = 0, y_lo = 0, y_hi = 0;
    for (const Slot& slot : slots_) {
        if (slot.handle == 0) continue;
        x_lo = any ? std::min(x_lo, slot.x_min) : slot.x_min;
        x_hi = any ? std::max(x_hi, slot.x_max) : slot.x_max;
        y_lo = any ? std::min(y_lo, slot.y_min) : slot.y_min;
        y_hi = any ? std::max(y_hi, slot.y_max) : slot.y_max;
        any = true;
    }
    if (!any) return;
    if (x_scaling_ == VAL_AUTOSCALE) {
        const auto [lo, hi] = padded(x_lo, x_hi);
        x_range_ = {lo, hi};
    }
    if (y_scaling_ == VAL_AUTOSCALE) {
        const auto [lo, hi] = padded(y_lo, y_hi);
        y_range_ = {lo, hi};
    }
    schedule_axes();
}

void Graph::schedule_axes() {
    if (axes_pending_) return;
    axes_pending_ = true;
    QMetaObject::invokeMethod(
        guard_.get(), [this] { apply_axes(); }, Qt::QueuedConnection);
}

void Graph::apply_axes() {
    axes_pending_ = false;
    if (view_) view_->set_ranges(x_range_.lo, x_range_.hi, y_range_.lo, y_range_.hi);
}

void Graph::axis_range(bool y_axis, double& lo, double& hi) {
    if (axes_pending_) apply_axes();
    if (view_) {
        view_->range(y_axis, lo, hi);
        return;
    }
    const Range& range = y_axis ? y_range_ : x_range_;
    lo = range.lo;
    hi = range.hi;
}

void Graph::set_axis_name(bool y_axis, const std::string& name) {
    std::string& kept = y_axis ? y_name_ : x_name_;
    if (kept == name) return;  // a new title lays the chart out again
    kept = name;
    if (view_) view_->set_axis_name(y_axis, name);
}

const Graph::Slot* Graph::nth_plot(int n) const {
    std::vector<const Slot*> active;
    for (const Slot& slot : slots_)
        if (slot.handle != 0) active.push_back(&slot);
    std::sort(active.begin(), active.end(),
              [](const Slot* a, const Slot* b) { return a->handle < b->handle; });
    if (n < 0 || n >= static_cast<int>(active.size())) return nullptr;
    return active[static_cast<std::size_t>(n)];
}

int Graph::count() const {
    return static_cast<int>(
        std::count_if(slots_.begin(), slots_.end(), [](const Slot& s) { return s.handle != 0; }));
}

std::vector<double> Graph::y_values(int n) const {
    const Slot* slot = nth_plot(n);
    return slot ? slot->y : std::vector<double>{};
}

int Graph::colour(int n) const {
    const Slot* slot = nth_plot(n);
    return slot ? slot->colour : -1;
}

int Graph::drawn_points(int n) const {
    const Slot* slot = nth_plot(n);
    if (!view_ || !slot) return -1;
    return view_->drawn_points(static_cast<std::size_t>(slot - slots_.data()));
}

int Graph::drawn_plots() const {
    if (!view_) return -1;
    int drawn = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (view_->drawn_points(i) >= 0) ++drawn;
    return drawn;
}

}  // namespace uirt::detail
