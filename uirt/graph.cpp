#include "graph.hpp"

#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <limits>

#include "uirt.hpp"

namespace uirt::detail {

namespace {

QColor qcolour(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Widens an empty range so the axis stays drawable.
std::pair<double, double> padded(double lo, double hi) {
    if (lo < hi) return {lo, hi};
    const double pad = lo == 0.0 ? 1.0 : std::abs(lo) * 0.1;
    return {lo - pad, hi + pad};
}

}  // namespace

Graph::Graph(QWidget* parent)
    : view_(new QChartView(parent)),
      chart_(new QChart()),
      x_axis_(new QValueAxis()),
      y_axis_(new QValueAxis()),
      guard_(std::make_unique<QObject>()) {
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->legend()->hide();
    chart_->setBackgroundBrush(Qt::black);
    chart_->setMargins(QMargins(2, 2, 2, 2));
    for (QValueAxis* axis : {x_axis_, y_axis_}) {
        axis->setLabelsColor(Qt::white);
        axis->setGridLineColor(QColor(60, 60, 60));
        axis->setTitleBrush(Qt::white);
        QFont font = axis->labelsFont();
        font.setPointSize(7);
        axis->setLabelsFont(font);
    }
    chart_->addAxis(x_axis_, Qt::AlignBottom);
    chart_->addAxis(y_axis_, Qt::AlignLeft);
    x_axis_->setRange(x_range_.lo, x_range_.hi);
    y_axis_->setRange(y_range_.lo, y_range_.hi);
    view_->setChart(chart_);
    view_->setRenderHint(QPainter::Antialiasing, false);
}

Graph::~Graph() = default;  // the view owns the chart, the chart its series and axes

QWidget* Graph::widget() const {
    return view_;
}

Graph::Slot& Graph::free_slot(Shape shape) {
    for (Slot& slot : slots_)
        if (slot.handle == 0 && slot.shape == shape) return slot;
    Slot slot;
    slot.shape = shape;
    if (shape == Shape::scatter) {
        auto* scatter = new QScatterSeries();
        scatter->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
        scatter->setMarkerSize(3.0);
        scatter->setPen(Qt::NoPen);
        slot.series = scatter;
    } else {
        auto* line = new QLineSeries();
        line->setPointsVisible(shape == Shape::line_with_points);
        slot.series = line;
    }
    slot.series->setUseOpenGL(false);
    chart_->addSeries(slot.series);
    slot.series->attachAxis(x_axis_);
    slot.series->attachAxis(y_axis_);
    slots_.push_back(slot);
    return slots_.back();
}

int Graph::plot(const double* y, std::size_t count, double gain, double offset, double x0,
                double dx, int plot_style, int point_style, int colour) {
    if (y == nullptr && count > 0) return UIE_BAD_VALUE;
    const Shape shape = plot_style == VAL_SCATTER            ? Shape::scatter
                        : plot_style == VAL_CONNECTED_POINTS ? Shape::line_with_points
                                                             : Shape::line;
    Slot& slot = free_slot(shape);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(count));
    double y_min = std::numeric_limits<double>::max(),
           y_max = std::numeric_limits<double>::lowest();
    for (std::size_t i = 0; i < count; ++i) {
        const double v = y[i] * gain + offset;
        y_min = std::min(y_min, v);
        y_max = std::max(y_max, v);
        points.append(QPointF(x0 + static_cast<double>(i) * dx, v));
    }
    if (count == 0) y_min = y_max = 0.0;
    slot.x_min = std::min(x0, x0 + dx * static_cast<double>(count ? count - 1 : 0));
    slot.x_max = std::max(x0, x0 + dx * static_cast<double>(count ? count - 1 : 0));
    slot.y_min = y_min;
    slot.y_max = y_max;
    slot.colour = colour & 0xFFFFFF;
    slot.handle = next_handle_++;
    const QColor c = qcolour(colour);
    if (shape == Shape::scatter) {
        auto* scatter = static_cast<QScatterSeries*>(slot.series);
        scatter->setColor(c);
        scatter->setBorderColor(c);
        scatter->setPen(Qt::NoPen);
        scatter->setMarkerSize(point_style == VAL_SMALL_SOLID_SQUARE ? 2.0 : 3.0);
    } else {
        QPen pen(c);
        pen.setWidth(1);
        slot.series->setPen(pen);
    }
    slot.series->replace(points);
    slot.series->setVisible(true);
    autoscale();
    return slot.handle;
}

int Graph::remove(int handle) {
    bool found = false;
    for (Slot& slot : slots_) {
        if (slot.handle == 0 || (handle != -1 && slot.handle != handle)) continue;
        slot.series->clear();
        slot.series->setVisible(false);
        slot.handle = 0;
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
    QMetaObject::invokeMethod(guard_.get(), [this] { apply_axes(); }, Qt::QueuedConnection);
}

void Graph::apply_axes() {
    axes_pending_ = false;
    // QValueAxis lays out again only when a bound really changes.
    x_axis_->setRange(x_range_.lo, x_range_.hi);
    y_axis_->setRange(y_range_.lo, y_range_.hi);
}

void Graph::axis_range(bool y_axis, double& lo, double& hi) {
    if (axes_pending_) apply_axes();
    const QValueAxis* axis = y_axis ? y_axis_ : x_axis_;
    lo = axis->min();
    hi = axis->max();
}

void Graph::set_axis_name(bool y_axis, const std::string& name) {
    std::string& kept = y_axis ? y_name_ : x_name_;
    if (kept == name) return;  // a new title lays the chart out again
    kept = name;
    (y_axis ? y_axis_ : x_axis_)->setTitleText(QString::fromStdString(name));
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
    std::vector<double> out;
    if (const Slot* slot = nth_plot(n))
        for (const QPointF& p : slot->series->points()) out.push_back(p.y());
    return out;
}

int Graph::colour(int n) const {
    const Slot* slot = nth_plot(n);
    return slot ? slot->colour : -1;
}

}  // namespace uirt::detail
