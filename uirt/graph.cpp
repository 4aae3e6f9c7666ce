#include "graph.hpp"

#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QMetaObject>
#include <QMouseEvent>
#include <QObject>
#include <QPalette>
#include <QRubberBand>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

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

// Digits of a readout value with a prefix from p to T.
std::string with_prefix(double v, const std::string& units) {
    static constexpr const char* prefixes[] = {"p", "n", "\u00b5", "m", "", "k", "M", "G", "T"};
    int e = v == 0.0 || !std::isfinite(v) ? 0 : static_cast<int>(std::floor(std::log10(std::abs(v)) / 3));
    e = std::clamp(e, -4, 4);
    const QString digits = QString::number(v / std::pow(10.0, 3 * e), 'g', 7);
    return digits.toStdString() + " " + prefixes[e + 4] + units;
}

}  // namespace

// Black until shown; then it holds the chart view, sized to fill it, and a readout of the
// point under the pointer.
class Graph::Placeholder : public QWidget {
public:
    Placeholder(Graph* graph, QWidget* parent) : QWidget(parent), graph_(graph) {
        QPalette black = palette();
        black.setColor(QPalette::Window, Qt::black);
        setPalette(black);
        setAutoFillBackground(true);
        setMouseTracking(true);
    }
    ~Placeholder() override {
        if (graph_) graph_->drop_view();
    }
    void release() { graph_ = nullptr; }
    void view_opened() {
        if (readout_) readout_->raise();
    }
    // The plots or ranges changed under a pointer that stayed.
    void refresh_readout() {
        if (readout_ && readout_->isVisible() && band_button_ == Qt::NoButton)
            show_readout(mapFromGlobal(QCursor::pos()));
    }

protected:
    bool event(QEvent* event) override {
        if (graph_ && event->type() == QEvent::Show) graph_->open_view();
        if (graph_ && graph_->view_ && event->type() == QEvent::Resize)
            graph_->view_->widget()->resize(size());
        return QWidget::event(event);
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (!graph_ || !graph_->view_ || band_button_ != Qt::NoButton) return;
        const bool zooms = e->button() == Qt::RightButton ||
                           (e->button() == Qt::LeftButton && graph_->left_drag_zooms_);
        if (!zooms) return;
        band_button_ = e->button();
        origin_ = e->position().toPoint();
        if (!band_) band_ = new QRubberBand(QRubberBand::Rectangle, this);
        band_->setGeometry(QRect(origin_, QSize()));
        band_->show();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (band_button_ != Qt::NoButton) {
            band_->setGeometry(QRect(origin_, e->position().toPoint()).normalized());
            return;
        }
        show_readout(e->position());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (band_button_ == Qt::NoButton || e->button() != band_button_) return;
        const Qt::MouseButton button = band_button_;
        band_button_ = Qt::NoButton;
        band_->hide();
        if (!graph_ || !graph_->view_) return;
        const QRect r = band_->geometry();
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (r.width() > 4 && r.height() > 4 &&
            graph_->view_->value_at(QPointF(r.topLeft()), x0, y1) &&
            graph_->view_->value_at(QPointF(r.bottomRight()), x1, y0))
            graph_->zoom_in(x0, x1, y0, y1);
        else if (r.width() <= 4 && r.height() <= 4 && button == Qt::RightButton)
            graph_->zoom_back(false);
    }
    void leaveEvent(QEvent*) override {
        if (readout_) readout_->hide();
    }

private:
    void show_readout(const QPointF& at) {
        const std::string text = graph_ ? graph_->readout_at(at.x(), at.y()) : std::string();
        if (text.empty()) {
            if (readout_) readout_->hide();
            return;
        }
        if (!readout_) {
            readout_ = new QLabel(this);
            readout_->setAttribute(Qt::WA_TransparentForMouseEvents);
            readout_->setStyleSheet("QLabel { color: white; background: rgba(40, 40, 40, 200); "
                                    "padding: 1px 3px; }");
            QFont font = readout_->font();
            font.setPointSize(7);
            readout_->setFont(font);
        }
        readout_->setText(QString::fromStdString(text));
        readout_->adjustSize();
        readout_->move(std::max(width() - readout_->width() - 4, 0), 2);
        readout_->show();
        readout_->raise();
    }

    Graph* graph_;
    QRubberBand* band_ = nullptr;
    QLabel* readout_ = nullptr;
    QPoint origin_;
    Qt::MouseButton band_button_ = Qt::NoButton;
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
    draw_all();
    drawn->show();
    placeholder_->view_opened();
}

void Graph::draw_all() {
    if (!x_name_.empty()) view_->set_axis_name(false, x_name_);
    if (!y_name_.empty()) view_->set_axis_name(true, y_name_);
    view_->set_whole_x_ticks(whole_x_ticks_);
    for (Slot& slot : slots_) slot.pending = slot.handle != 0;
    apply_axes();
}

void Graph::drop_view() {
    view_.reset();
    for (Slot& slot : slots_) slot.shown = false;
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
    look.x = slot.x.empty() ? nullptr : slot.x.data();
    look.y = slot.y.data();
    look.count = slot.y.size();
    view_->show_plot(index, look);
    slots_[index].shown = true;
    slots_[index].pending = false;
}

namespace {

PlotShape shape_of(int plot_style) {
    return plot_style == VAL_SCATTER            ? PlotShape::scatter
           : plot_style == VAL_CONNECTED_POINTS ? PlotShape::line_with_points
                                                : PlotShape::line;
}

std::pair<double, double> extent(const std::vector<double>& v) {
    if (v.empty()) return {0.0, 0.0};
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return {*lo, *hi};
}

}  // namespace

int Graph::add_slot(PlotShape shape, std::vector<double> x, std::vector<double> y, double x0,
                    double dx, int point_style, int colour) {
    const std::size_t index = free_slot(shape);
    Slot& slot = slots_[index];
    const std::size_t count = y.size();
    std::tie(slot.y_min, slot.y_max) = extent(y);
    if (x.empty()) {
        const double x_last = x0 + dx * static_cast<double>(count ? count - 1 : 0);
        slot.x_min = std::min(x0, x_last);
        slot.x_max = std::max(x0, x_last);
    } else {
        std::tie(slot.x_min, slot.x_max) = extent(x);
    }
    slot.x = std::move(x);
    slot.y = std::move(y);
    slot.x0 = x0;
    slot.dx = dx;
    slot.colour = colour & 0xFFFFFF;
    slot.small_points = point_style == VAL_SMALL_SOLID_SQUARE;
    slot.handle = next_handle_++;
    if (view_) {
        slot.pending = true;
        schedule_axes();
    }
    autoscale();
    return slot.handle;
}

int Graph::plot(const double* y, std::size_t count, double gain, double offset, double x0,
                double dx, int plot_style, int point_style, int colour) {
    if (y == nullptr && count > 0) return UIE_BAD_VALUE;
    const PlotShape shape = shape_of(plot_style);
    std::vector<double> values = std::move(slots_[free_slot(shape)].y);  // keeps its room
    values.resize(count);
    for (std::size_t i = 0; i < count; ++i) values[i] = y[i] * gain + offset;
    return add_slot(shape, {}, std::move(values), x0, dx, point_style, colour);
}

int Graph::plot_xy(const double* x, const double* y, std::size_t count, int plot_style,
                   int point_style, int colour) {
    if ((x == nullptr || y == nullptr) && count > 0) return UIE_BAD_VALUE;
    const PlotShape shape = shape_of(plot_style);
    Slot& reused = slots_[free_slot(shape)];
    std::vector<double> xs = std::move(reused.x), ys = std::move(reused.y);
    xs.assign(x, x + count);
    ys.assign(y, y + count);
    return add_slot(shape, std::move(xs), std::move(ys), 0.0, 1.0, point_style, colour);
}

int Graph::remove(int handle) {
    bool found = false;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot& slot = slots_[i];
        if (slot.handle == 0 || (handle != -1 && slot.handle != handle)) continue;
        slot.x.clear();
        slot.y.clear();
        slot.handle = 0;
        slot.pending = false;
        found = true;
    }
    if (handle != -1 && !found) return UIE_BAD_VALUE;
    if (found) schedule_axes();  // hides what no new plot has taken the place of
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

void Graph::hide_removed() {
    if (!view_) return;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot& slot = slots_[i];
        if (slot.handle != 0 || !slot.shown) continue;
        view_->hide_plot(i);
        slot.shown = false;
    }
}

void Graph::apply_axes() {
    axes_pending_ = false;
    if (!view_) return;
    hide_removed();
    const Box box = zooms_.empty() ? Box{x_range_, y_range_} : zooms_.back();
    double x_lo = 0, x_hi = 0, y_lo = 0, y_hi = 0;
    view_->range(false, x_lo, x_hi);
    view_->range(true, y_lo, y_hi);
    // The old points of a plot about to be drawn anew are not traced at a new range.
    if (x_lo != box.x.lo || x_hi != box.x.hi || y_lo != box.y.lo || y_hi != box.y.hi)
        for (std::size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].pending && slots_[i].shown) {
                PlotLook empty;
                empty.shape = slots_[i].shape;
                view_->show_plot(i, empty);
            }
    view_->set_ranges(box.x.lo, box.x.hi, box.y.lo, box.y.hi);
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].pending) draw(i);
    if (placeholder_) placeholder_->refresh_readout();
}

void Graph::zoom_in(double x_lo, double x_hi, double y_lo, double y_hi) {
    if (!(x_lo < x_hi) || !(y_lo < y_hi)) return;
    zooms_.push_back({{x_lo, x_hi}, {y_lo, y_hi}});
    schedule_axes();
}

int Graph::zoom_back(bool all) {
    if (zooms_.empty()) return 0;
    if (all)
        zooms_.clear();
    else
        zooms_.pop_back();
    schedule_axes();
    return 0;
}

void Graph::set_whole_x_ticks(bool whole) {
    whole_x_ticks_ = whole;
    if (view_) view_->set_whole_x_ticks(whole);
}

std::string Graph::readout_at(double px, double py) const {
    constexpr double reach = 40.0;  // pixels from the pointer to the nearest point shown
    if (!view_) return {};
    double x = 0, y = 0;
    if (!view_->value_at(QPointF(px, py), x, y)) return {};
    // Axes are linear: pixels are a scale and an offset of the values.
    const QPointF o = view_->pixel_of(0.0, 0.0), u = view_->pixel_of(1.0, 1.0);
    const double sx = u.x() - o.x(), sy = u.y() - o.y();
    if (!(std::abs(sx) > 0.0) || !std::isfinite(sx) || !std::isfinite(sy)) return {};
    const double x_lo = x - reach / std::abs(sx), x_hi = x + reach / std::abs(sx);
    double best = reach * reach, best_x = 0, best_y = 0;
    bool found = false;
    for (const Slot& slot : slots_) {
        if (slot.handle == 0 || slot.y.empty()) continue;
        const std::size_t n = slot.y.size();
        // The points within reach across: an index range of a waveform, or of a plot over
        // time, whose x ascends.
        std::size_t from = 0, to = 0;
        if (slot.x.empty()) {
            if (slot.dx == 0.0) {
                to = n;
            } else {
                const double a = (x_lo - slot.x0) / slot.dx, b = (x_hi - slot.x0) / slot.dx;
                const double last = static_cast<double>(n - 1);
                from = static_cast<std::size_t>(std::clamp(std::ceil(std::min(a, b)), 0.0, last + 1));
                to = static_cast<std::size_t>(std::clamp(std::floor(std::max(a, b)) + 1, 0.0, last + 1));
            }
        } else {
            from = static_cast<std::size_t>(
                std::lower_bound(slot.x.begin(), slot.x.end(), x_lo) - slot.x.begin());
            to = static_cast<std::size_t>(
                std::upper_bound(slot.x.begin(), slot.x.end(), x_hi) - slot.x.begin());
        }
        for (std::size_t i = from; i < to; ++i) {
            const double xi = slot.x.empty() ? slot.x0 + slot.dx * static_cast<double>(i) : slot.x[i];
            const double dx = o.x() + sx * xi - px, dy = o.y() + sy * slot.y[i] - py;
            const double d = dx * dx + dy * dy;
            if (d <= best) {
                best = d;
                best_x = xi;
                best_y = slot.y[i];
                found = true;
            }
        }
    }
    if (!found) return {};
    const QString xs = whole_x_ticks_ ? QString::number(std::llround(best_x))
                                      : QString::number(best_x, 'g', 6);
    return xs.toStdString() + (x_units_.empty() ? "" : " " + x_units_) + ": " +
           with_prefix(best_y, y_units_);
}

std::string Graph::readout_near(double x, double y) const {
    if (!view_) return {};
    const QPointF p = view_->pixel_of(x, y);
    return readout_at(p.x(), p.y());
}

bool Graph::image(ImageFormat format, int width, int height, std::string& bytes) {
    if (view_) {
        if (axes_pending_) apply_axes();
        return view_->image(format, bytes);
    }
    // Never shown: a view of its own for the picture, then none again.
    std::unique_ptr<ChartView> temp = make_chart_view(nullptr);
    if (!temp) return false;
    view_ = std::move(temp);
    view_->widget()->resize(std::max(width, 50), std::max(height, 40));
    draw_all();
    const bool done = view_->image(format, bytes);
    view_.reset();
    for (Slot& slot : slots_) slot.shown = false;
    return done;
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

int Graph::drawn_points(int n) {
    if (axes_pending_) apply_axes();
    const Slot* slot = nth_plot(n);
    if (!view_ || !slot) return -1;
    return view_->drawn_points(static_cast<std::size_t>(slot - slots_.data()));
}

double Graph::tick_step(bool y_axis) {
    if (axes_pending_) apply_axes();
    return view_ ? view_->tick_step(y_axis) : -1.0;
}

int Graph::drawn_plots() {
    if (axes_pending_) apply_axes();
    if (!view_) return -1;
    int drawn = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (view_->drawn_points(i) >= 0) ++drawn;
    return drawn;
}

}  // namespace uirt::detail
