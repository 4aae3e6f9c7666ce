// The chart view on Qt Charts, built as the module uirt_chart.so.
#include <QPointer>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <vector>

#include "chart_view.hpp"

namespace uirt::detail {

namespace {

QColor qcolour(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
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

private:
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
};

QtChartView::QtChartView(QWidget* parent)
    : view_(new QChartView(parent)),
      chart_(new QChart()),
      x_axis_(new QValueAxis()),
      y_axis_(new QValueAxis()) {
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
    view_->setChart(chart_);
    view_->setRenderHint(QPainter::Antialiasing, false);
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
    // QValueAxis lays out again only when a bound really changes.
    x_axis_->setRange(x_lo, x_hi);
    y_axis_->setRange(y_lo, y_hi);
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
