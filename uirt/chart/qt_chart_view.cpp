// The chart view on Qt Charts, built as the module uirt_chart.so.
#include <QBuffer>
#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QResizeEvent>
#include <QSvgGenerator>
#include <QGraphicsLayout>
#include <QtCharts/QAbstractAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "chart_view.hpp"

namespace uirt::detail {

namespace {

QColor qcolour(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// 1, 2 or 5 times a power of ten, giving about `ticks` intervals over `span`.
double round_step(double span, int ticks) {
    const double raw = span / std::max(ticks, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double m = raw / power;
    return (m < 1.5 ? 1.0 : m < 3.5 ? 2.0 : m < 7.5 ? 5.0 : 10.0) * power;
}

// Ticks at whole multiples of a round step, labelled with the decimals the step needs;
// false when the range takes none.
struct TickPlan {
    double step = 0;
    QString format;
};
bool plan_ticks(double lo, double hi, int ticks, bool whole, TickPlan& plan) {
    if (!(hi > lo) || !std::isfinite(hi - lo)) return false;
    double step = round_step(hi - lo, ticks);
    if (whole) step = std::max(1.0, std::round(step));
    if (!(step > 0.0) || (hi - lo) / step > 100.0 * ticks) return false;
    // At least two labels: a range is never read from one. The next smaller round step.
    const auto labels = [&](double s) {
        const double slack = 1e-9 * s;
        return std::floor((hi + slack) / s) - std::ceil((lo - slack) / s) + 1.0;
    };
    while (labels(step) < 2.0 && (!whole || step > 1.0)) {
        const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        const double m = std::round(step / power);
        step = (m >= 5.0 ? 2.0 : m >= 2.0 ? 1.0 : 0.5) * power;
        if (whole) step = std::max(1.0, std::round(step));
    }
    const int decimals = whole ? 0 : std::max(0, static_cast<int>(-std::floor(std::log10(step))));
    const double largest = std::max(std::abs(lo), std::abs(hi));
    const bool huge = largest >= 1e7 || decimals > 9;
    // Enough digits that neighbouring labels differ.
    const int digits = std::clamp(
        static_cast<int>(std::floor(std::log10(largest)) - std::floor(std::log10(step))) + 1, 3, 17);
    plan.step = step;
    plan.format = huge ? QStringLiteral("%.%1g").arg(digits) : QStringLiteral("%.%1f").arg(decimals);
    return true;
}

// Every change of an axis lays its labels out again: only what differs is set.
void set_round_ticks(QValueAxis* axis, const TickPlan& plan) {
    if (axis->tickType() != QValueAxis::TicksDynamic) axis->setTickType(QValueAxis::TicksDynamic);
    if (axis->tickAnchor() != 0.0) axis->setTickAnchor(0.0);
    if (axis->tickInterval() != plan.step) axis->setTickInterval(plan.step);
    if (axis->minorTickCount() != 0) axis->setMinorTickCount(0);
    if (axis->labelFormat() != plan.format) axis->setLabelFormat(plan.format);
}

void round_ticks(QValueAxis* axis, double lo, double hi, int ticks, bool whole) {
    TickPlan plan;
    if (plan_ticks(lo, hi, ticks, whole, plan)) set_round_ticks(axis, plan);
}

class QtChartView final : public ChartView {
public:
    explicit QtChartView(QWidget* parent);
    ~QtChartView() override { delete view_; }  // the view owns the chart, the chart the rest

    QWidget* widget() override { return view_; }
    void show_plot(std::size_t slot, const PlotLook& plot) override;
    void hide_plot(std::size_t slot) override;
    void set_ranges(double x_lo, double x_hi, double y_lo, double y_hi) override;
    void range(bool y_axis, double& lo, double& hi) const override;
    void set_axis_name(bool y_axis, const std::string& name) override;
    int drawn_points(std::size_t slot) const override;
    void set_whole_x_ticks(bool whole) override;
    double tick_step(bool y_axis) const override;
    bool value_at(const QPointF& pixel, double& x, double& y) const override;
    QPointF pixel_of(double x, double y) const override;
    bool image(ImageFormat format, std::string& bytes) override;

private:
    void apply_ticks();
    std::pair<int, int> tick_counts() const;  // ticks across and down the plot area

    struct Slot {
        QXYSeries* series = nullptr;
        PlotShape shape = PlotShape::line;
    };
    QXYSeries* series_for(std::size_t slot, PlotShape shape);

    QPointer<QChartView> view_;
    QChart* chart_;
    QValueAxis* x_axis_;
    QValueAxis* y_axis_;
    std::vector<Slot> slots_;
    bool whole_x_ = false;
    struct Ticks {
        double x_lo = 0, x_hi = 0, y_lo = 0, y_hi = 0;
        int across = 0, down = 0;
        bool whole = false;
        bool operator==(const Ticks&) const = default;
    } ticks_;
};

QtChartView::QtChartView(QWidget* parent)
    : view_(new QChartView(parent)),
      chart_(new QChart()),
      x_axis_(new QValueAxis()),
      y_axis_(new QValueAxis()) {
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->legend()->hide();
    // The black comes from the view's own background, a plain fill: the chart's background
    // item is a rounded rectangle drawn as a path at every repaint.
    chart_->setBackgroundVisible(false);
    chart_->setMargins(QMargins(2, 2, 2, 2));
    if (chart_->layout()) chart_->layout()->setContentsMargins(0, 0, 0, 0);
    for (QValueAxis* axis : {x_axis_, y_axis_}) {
        axis->setLabelsColor(Qt::white);
        axis->setGridLineColor(QColor(60, 60, 60));
        axis->setTitleBrush(Qt::white);
        QFont font = axis->labelsFont();
        font.setPointSize(7);
        axis->setLabelsFont(font);
        axis->setTitleFont(font);
    }
    chart_->addAxis(x_axis_, Qt::AlignBottom);
    chart_->addAxis(y_axis_, Qt::AlignLeft);
    view_->setChart(chart_);
    view_->setBackgroundBrush(Qt::black);
    view_->setRenderHint(QPainter::Antialiasing, false);
    // A new range moves every grid line and label: the view is painted whole, or the parts of
    // the old grid outside the items' own update areas stay on screen.
    view_->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    QObject::connect(chart_, &QChart::plotAreaChanged, chart_, [this] { apply_ticks(); });
}

// A slot keeps its series while the shape stays; pooled slots always do.
QXYSeries* QtChartView::series_for(std::size_t slot, PlotShape shape) {
    if (slot >= slots_.size()) slots_.resize(slot + 1);
    Slot& kept = slots_[slot];
    if (kept.series && kept.shape == shape) return kept.series;
    if (kept.series) {
        chart_->removeSeries(kept.series);
        delete kept.series;
    }
    if (shape == PlotShape::scatter) {
        auto* scatter = new QScatterSeries();
        scatter->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
        scatter->setMarkerSize(3.0);
        scatter->setPen(Qt::NoPen);
        kept.series = scatter;
    } else {
        auto* line = new QLineSeries();
        line->setPointsVisible(shape == PlotShape::line_with_points);
        kept.series = line;
    }
    kept.shape = shape;
    kept.series->setUseOpenGL(false);
    chart_->addSeries(kept.series);
    kept.series->attachAxis(x_axis_);
    kept.series->attachAxis(y_axis_);
    return kept.series;
}

void QtChartView::show_plot(std::size_t slot, const PlotLook& plot) {
    QXYSeries* series = series_for(slot, plot.shape);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(plot.count));
    if (plot.x)
        for (std::size_t i = 0; i < plot.count; ++i) points.append(QPointF(plot.x[i], plot.y[i]));
    else
        for (std::size_t i = 0; i < plot.count; ++i)
            points.append(QPointF(plot.x0 + static_cast<double>(i) * plot.dx, plot.y[i]));
    const QColor c = qcolour(plot.colour);
    if (plot.shape == PlotShape::scatter) {
        auto* scatter = static_cast<QScatterSeries*>(series);
        scatter->setColor(c);
        scatter->setBorderColor(c);
        scatter->setPen(Qt::NoPen);
        scatter->setMarkerSize(plot.small_points ? 2.0 : 3.0);
    } else {
        QPen pen(c);
        pen.setWidth(1);
        pen.setCosmetic(true);  // one device pixel, drawn without the path stroker
        series->setPen(pen);
    }
    series->replace(points);
    series->setVisible(true);
}

void QtChartView::hide_plot(std::size_t slot) {
    if (slot >= slots_.size() || !slots_[slot].series) return;
    slots_[slot].series->clear();
    slots_[slot].series->setVisible(false);
}

void QtChartView::set_ranges(double x_lo, double x_hi, double y_lo, double y_hi) {
    // A new range is never laid out with a tick interval far from its own (a wide range at
    // a narrow interval would be millions of ticks): of range and interval, the one set
    // first is the one whose passing state has the fewer ticks; with no round ticks to go
    // to, the ticks are fixed while the range changes.
    const auto [across, down] = tick_counts();
    for (auto [axis, lo, hi, ticks, whole] :
         {std::tuple{x_axis_, x_lo, x_hi, across, whole_x_},
          std::tuple{y_axis_, y_lo, y_hi, down, false}}) {
        if (axis->min() == lo && axis->max() == hi) continue;
        TickPlan plan;
        if (axis->tickType() != QValueAxis::TicksDynamic || !(axis->tickInterval() > 0.0) ||
            !plan_ticks(lo, hi, ticks, whole, plan)) {
            axis->setTickType(QValueAxis::TicksFixed);
            axis->setRange(lo, hi);
            continue;
        }
        const bool step_first =
            (axis->max() - axis->min()) / plan.step <= (hi - lo) / axis->tickInterval();
        if (step_first) set_round_ticks(axis, plan);
        axis->setRange(lo, hi);
        if (!step_first) set_round_ticks(axis, plan);
    }
    apply_ticks();
}

std::pair<int, int> QtChartView::tick_counts() const {
    const QRectF area = chart_->plotArea();
    return {std::max(area.width() > 0 ? static_cast<int>(area.width() / 80) : 5, 2),
            std::max(area.height() > 0 ? static_cast<int>(area.height() / 30) : 4, 2)};
}

// About one tick per 80 pixels across and 30 down, once the plot area is known.
void QtChartView::apply_ticks() {
    const auto [across, down] = tick_counts();
    const Ticks now{x_axis_->min(), x_axis_->max(), y_axis_->min(), y_axis_->max(), across, down,
                    whole_x_};
    // New labels move the plot area, which comes back here; a range set anew has fixed ticks.
    if (now == ticks_ && x_axis_->tickType() == QValueAxis::TicksDynamic &&
        y_axis_->tickType() == QValueAxis::TicksDynamic)
        return;
    ticks_ = now;
    round_ticks(x_axis_, now.x_lo, now.x_hi, across, whole_x_);
    round_ticks(y_axis_, now.y_lo, now.y_hi, down, false);
}

void QtChartView::set_whole_x_ticks(bool whole) {
    whole_x_ = whole;
    apply_ticks();
}

double QtChartView::tick_step(bool y_axis) const {
    const QValueAxis* axis = y_axis ? y_axis_ : x_axis_;
    return axis->tickType() == QValueAxis::TicksDynamic ? axis->tickInterval() : 0.0;
}

// Pixels kept fractional both ways: the view's own mapping rounds them to whole ones.
bool QtChartView::value_at(const QPointF& pixel, double& x, double& y) const {
    const QPointF scene = view_->viewportTransform().inverted().map(pixel);
    const QPointF in_chart = chart_->mapFromScene(scene);
    if (!chart_->plotArea().contains(in_chart)) return false;
    const QPointF v = chart_->mapToValue(in_chart);
    x = v.x();
    y = v.y();
    return true;
}

QPointF QtChartView::pixel_of(double x, double y) const {
    const QPointF in_chart = chart_->mapToPosition(QPointF(x, y));
    return view_->viewportTransform().map(chart_->mapToScene(in_chart));
}

bool QtChartView::image(ImageFormat format, std::string& bytes) {
    // A view never shown is laid out at its size first.
    if (!view_->isVisible()) {
        QResizeEvent resize(view_->size(), QSize());
        QCoreApplication::sendEvent(view_, &resize);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        apply_ticks();
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (format == ImageFormat::png) {
        if (!view_->grab().save(&buffer, "PNG")) return false;
    } else {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(view_->size());
        svg.setViewBox(QRect(QPoint(0, 0), view_->size()));
        svg.setTitle(QStringLiteral("Readings"));
        QPainter painter;
        if (!painter.begin(&svg)) return false;
        view_->render(&painter);
        painter.end();
    }
    bytes.assign(buffer.data().constData(), static_cast<std::size_t>(buffer.data().size()));
    return !bytes.empty();
}

void QtChartView::range(bool y_axis, double& lo, double& hi) const {
    const QValueAxis* axis = y_axis ? y_axis_ : x_axis_;
    lo = axis->min();
    hi = axis->max();
}

void QtChartView::set_axis_name(bool y_axis, const std::string& name) {
    (y_axis ? y_axis_ : x_axis_)->setTitleText(QString::fromStdString(name));
}

int QtChartView::drawn_points(std::size_t slot) const {
    if (slot >= slots_.size()) return -1;
    const QXYSeries* series = slots_[slot].series;
    return series && series->isVisible() ? static_cast<int>(series->count()) : -1;
}

}  // namespace

}  // namespace uirt::detail

extern "C" Q_DECL_EXPORT uirt::detail::ChartView* uirt_create_chart_view(QWidget* parent) {
    return new uirt::detail::QtChartView(parent);
}
