#include "readings_window.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "block_stats.hpp"
#include "data_commands.hpp"
#include "reading_log.hpp"
#include "readings_csv.hpp"
#include "trend.hpp"
#include "widgets.hpp"

namespace gu {

namespace {

constexpr int PANEL_READINGS = 12;
enum Ctrl : int {
    VIEW = 1,
    TREND_GRAPH = 2,  // each view has a graph of its own: its own ranges and zoom
    BLOCK_GRAPH = 10,
    STATS = 3,
    CLEAR_TREND = 4,
    EXPORT = 5,
    COPY = 6,
    SAVE_GRAPH = 7,
    FULL_VIEW = 8,
    INFO = 9,
    LOG_INFO = 11
};
enum View : int { VIEW_BLOCK = 0, VIEW_TREND = 1 };
constexpr int MIN_WIDTH = 520, MIN_HEIGHT = 260;
constexpr int MARGIN = 6, GRAPH_TOP = 36, STATS_HEIGHT = 34, BUTTON_HEIGHT = 26, LOG_HEIGHT = 18;
constexpr int BLOCK_COLOR = uirt::MakeColor(255, 255, 0);
constexpr int TREND_COLOR = uirt::MakeColor(0, 255, 255);

int window = 0;

// The strip chart is drawn at most every TREND_FRAME: a reading that comes sooner waits for
// the idle event after it. Its axes move by whole steps, not with every reading.
constexpr auto TREND_FRAME = std::chrono::milliseconds(1000);
using Clock = std::chrono::steady_clock;
Clock::time_point last_trend_draw{};
bool trend_waiting = false;

int view() {
    int v = VIEW_BLOCK;
    uirt::GetCtrlVal(window, VIEW, &v);
    return v;
}

bool showing(int v) {
    int shown = 0;
    uirt::GetPanelAttribute(window, uirt::ATTR_VISIBLE, &shown);
    return window > 0 && shown && view() == v;
}

int shown_graph() {
    return view() == VIEW_TREND ? TREND_GRAPH : BLOCK_GRAPH;
}

void set_text(int ctrl, const std::string& text) {
    uirt::SetCtrlVal(window, ctrl, text.c_str());
}

void axes(int graph, const char* x_title, const char* x_units, bool whole,
          const std::string& unit) {
    uirt::SetCtrlAttribute(window, graph, uirt::ATTR_XNAME, x_title);
    uirt::SetCtrlAttribute(window, graph, uirt::ATTR_XUNITS, x_units);
    uirt::SetCtrlAttribute(window, graph, uirt::ATTR_XWHOLE_TICKS, whole ? 1 : 0);
    uirt::SetCtrlAttribute(window, graph, uirt::ATTR_YNAME, unit.c_str());
    uirt::SetCtrlAttribute(window, graph, uirt::ATTR_YUNITS, unit.c_str());
}

void draw_block() {
    uirt::DeleteGraphPlot(window, BLOCK_GRAPH, -1, uirt::VAL_DELAYED_DRAW);
    const BlockRecord& block = last_block();
    uirt::SetCtrlAttribute(window, CLEAR_TREND, uirt::ATTR_DIMMED, 1);
    if (!block.present) {
        set_text(INFO, "No block of readings is shown on the front panel.");
        set_text(STATS, "");
        return;
    }
    axes(BLOCK_GRAPH, "Reading number", "", true, block.settings.unit);
    uirt::PlotWaveform(window, BLOCK_GRAPH, block.values.data(), block.values.size(), uirt::VAL_DOUBLE,
                       1.0, 0.0, 1.0, 1.0, uirt::VAL_THIN_LINE, uirt::VAL_SOLID_SQUARE,
                       uirt::VAL_SOLID, 1, BLOCK_COLOR);
    set_text(INFO, std::to_string(block.values.size()) + " readings: " + block.settings.function +
                       ", " + block.settings.range);
    set_text(STATS, stats_text(reading_stats(block.values), block.settings.unit));
}

// At most two points per column: the lowest and highest of the readings it covers, in the
// order they came, so the strip chart keeps every spike.
// Appends to x and y.
void decimate(std::span<const TrendPoint> points, std::size_t columns, std::vector<double>& x,
              std::vector<double>& y) {
    if (points.size() <= 2 * columns) {
        for (const TrendPoint& p : points) {
            x.push_back(p.seconds);
            y.push_back(p.value);
        }
        return;
    }
    for (std::size_t c = 0; c < columns; ++c) {
        const std::size_t from = c * points.size() / columns, to = (c + 1) * points.size() / columns;
        if (from >= to) continue;
        std::size_t lo = from, hi = from;
        for (std::size_t i = from; i < to; ++i) {
            if (points[i].value < points[lo].value) lo = i;
            if (points[i].value > points[hi].value) hi = i;
        }
        for (std::size_t i : {std::min(lo, hi), std::max(lo, hi)}) {
            x.push_back(points[i].seconds);
            y.push_back(points[i].value);
            if (lo == hi) break;
        }
    }
}

// A range widened to whole multiples of a round step (a fifth of the span or less), so it
// stays the same while new readings fall inside it.
std::pair<double, double> outward(double lo, double hi) {
    double span = hi - lo;
    if (!(span > 0.0)) span = lo != 0.0 ? std::abs(lo) * 1e-3 : 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(span / 5.0)));
    const double step = span / 5.0 / power < 2.0 ? 2.0 * power : 5.0 * power;
    double a = std::floor(lo / step) * step, b = std::ceil(hi / step) * step;
    if (!(b > a)) b = a + step;
    return {a, b};
}

void draw_trend() {
    last_trend_draw = Clock::now();
    trend_waiting = false;
    uirt::DeleteGraphPlot(window, TREND_GRAPH, -1, uirt::VAL_DELAYED_DRAW);
    uirt::SetCtrlAttribute(window, CLEAR_TREND, uirt::ATTR_DIMMED, trend_size() == 0 ? 1 : 0);
    const auto& traces = trend_traces();
    if (traces.empty()) {
        // An empty chart keeps nothing of the trend it showed.
        uirt::ZoomGraphBack(window, TREND_GRAPH, 1);
        uirt::SetAxisRange(window, TREND_GRAPH, uirt::VAL_MANUAL, 0.0, 10.0, uirt::VAL_MANUAL,
                           -1.0, 1.0);
        set_text(INFO, "No trend: readings join it while Auto Update is on.");
        set_text(STATS, "");
        return;
    }
    const TrendTrace& trace = traces.back();
    // Kept from one frame to the next: no room to find again for 10,000 readings.
    static std::vector<TrendPoint> points;
    static std::vector<double> x, y, values;
    static std::vector<std::size_t> runs, drawn;
    trend_points(traces.size() - 1, points);
    trend_runs(points, runs);
    int width = 0;
    uirt::GetCtrlAttribute(window, TREND_GRAPH, uirt::ATTR_WIDTH, &width);
    // One lowest and highest per two pixels: every spike shows, at half the points to draw.
    // Each run between pauses gets its share of the columns and a plot of its own.
    const std::size_t columns = static_cast<std::size_t>(std::max(width / 2, 50));
    x.clear();
    y.clear();
    drawn.clear();
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::size_t from = runs[r], to = r + 1 < runs.size() ? runs[r + 1] : points.size();
        drawn.push_back(x.size());
        decimate(std::span(points).subspan(from, to - from),
                 std::max<std::size_t>(columns * (to - from) / points.size(), 1), x, y);
    }
    drawn.push_back(x.size());
    axes(TREND_GRAPH, "Time (s)", "s", false, trace.unit);
    const auto [x_lo, x_hi] = outward(points.front().seconds, points.back().seconds);
    const auto [lo, hi] = std::minmax_element(y.begin(), y.end());
    const auto [y_lo, y_hi] = outward(*lo, *hi);
    uirt::SetAxisRange(window, TREND_GRAPH, uirt::VAL_MANUAL, x_lo, x_hi, uirt::VAL_MANUAL, y_lo,
                       y_hi);
    for (std::size_t r = 0; r + 1 < drawn.size(); ++r) {
        const std::size_t n = drawn[r + 1] - drawn[r];
        // A lone reading between pauses is a point: a line of one point draws nothing.
        uirt::PlotXY(window, TREND_GRAPH, x.data() + drawn[r], y.data() + drawn[r], n,
                     uirt::VAL_DOUBLE, uirt::VAL_DOUBLE, n == 1 ? uirt::VAL_SCATTER : uirt::VAL_THIN_LINE,
                     uirt::VAL_SOLID_SQUARE, uirt::VAL_SOLID, 1, TREND_COLOR);
    }
    values.resize(points.size());
    std::transform(points.begin(), points.end(), values.begin(),
                   [](const TrendPoint& p) { return p.value; });
    set_text(INFO, "Trace " + std::to_string(trace.number) + " (" +
                       std::to_string(traces.size()) + " kept): " + trace.settings.function +
                       ", " + std::to_string(trend_size()) + " readings kept in all");
    set_text(STATS, stats_text(reading_stats(values), trace.unit));
}

std::size_t log_rows_shown = static_cast<std::size_t>(-1);

void show_log() {
    log_rows_shown = reading_log_rows();
    set_text(LOG_INFO, reading_log_on() ? "Logging to " + reading_log_path() + ": " +
                                              std::to_string(log_rows_shown) + " readings"
                                        : "");
}

void draw() {
    show_log();
    const bool trend = view() == VIEW_TREND;
    uirt::SetCtrlAttribute(window, TREND_GRAPH, uirt::ATTR_CTRL_VISIBLE, trend ? 1 : 0);
    uirt::SetCtrlAttribute(window, BLOCK_GRAPH, uirt::ATTR_CTRL_VISIBLE, trend ? 0 : 1);
    if (trend)
        draw_trend();
    else
        draw_block();
}

bool committed(int event) {
    return event == uirt::EVENT_COMMIT;
}

}  // namespace

int readings_window() {
    return window;
}

void open_readings_window() {
    if (window <= 0) {
        window = uirt::LoadPanel(0, UIR_FILE, PANEL_READINGS);
        if (window <= 0) {
            uirt::MessagePopup("Readings", "The Readings window could not be loaded.");
            window = 0;
            return;
        }
    }
    uirt::DisplayPanel(window);
    draw();
}

void readings_window_resized() {
    int width = 0, height = 0;
    uirt::GetPanelAttribute(window, uirt::ATTR_WIDTH, &width);
    uirt::GetPanelAttribute(window, uirt::ATTR_HEIGHT, &height);
    if (width < MIN_WIDTH || height < MIN_HEIGHT) {
        width = std::max(width, MIN_WIDTH);
        height = std::max(height, MIN_HEIGHT);
        uirt::SetPanelAttribute(window, uirt::ATTR_WIDTH, width);
        uirt::SetPanelAttribute(window, uirt::ATTR_HEIGHT, height);
    }
    const int buttons_top = height - MARGIN - BUTTON_HEIGHT;
    const int stats_top = buttons_top - 4 - STATS_HEIGHT;
    for (int graph : {TREND_GRAPH, BLOCK_GRAPH}) {
        uirt::SetCtrlAttribute(window, graph, uirt::ATTR_WIDTH, width - 2 * MARGIN);
        uirt::SetCtrlAttribute(window, graph, uirt::ATTR_HEIGHT,
                               stats_top - 4 - LOG_HEIGHT - GRAPH_TOP);
    }
    uirt::SetCtrlAttribute(window, LOG_INFO, uirt::ATTR_TOP, stats_top - LOG_HEIGHT - 1);
    uirt::SetCtrlAttribute(window, LOG_INFO, uirt::ATTR_WIDTH, width - 2 * MARGIN);
    uirt::SetCtrlAttribute(window, STATS, uirt::ATTR_TOP, stats_top);
    uirt::SetCtrlAttribute(window, STATS, uirt::ATTR_WIDTH, width - 2 * MARGIN);
    uirt::SetCtrlAttribute(window, INFO, uirt::ATTR_WIDTH, width - 180 - MARGIN);
    for (int ctrl : {FULL_VIEW, CLEAR_TREND}) uirt::SetCtrlAttribute(window, ctrl, uirt::ATTR_TOP, buttons_top);
    // Export, copy and save keep to the right edge.
    int right = width - MARGIN;
    for (int ctrl : {SAVE_GRAPH, COPY, EXPORT}) {
        int w = 0;
        uirt::GetCtrlAttribute(window, ctrl, uirt::ATTR_WIDTH, &w);
        right -= w;
        uirt::SetCtrlAttribute(window, ctrl, uirt::ATTR_LEFT, right);
        uirt::SetCtrlAttribute(window, ctrl, uirt::ATTR_TOP, buttons_top);
        right -= MARGIN;
    }
    if (view() == VIEW_TREND) draw_trend();  // its columns follow the width
}

void readings_view_block_changed() {
    if (showing(VIEW_BLOCK)) draw_block();
}

void readings_view_trend_changed() {
    if (!showing(VIEW_TREND)) return;
    if (trend_size() == 0 || Clock::now() - last_trend_draw >= TREND_FRAME)
        draw_trend();
    else
        trend_waiting = true;
}

void readings_window_draw() {
    if (window > 0) draw();
}

void readings_window_log_changed() {
    if (window > 0) show_log();
}

void readings_window_idle() {
    if (window > 0 && reading_log_rows() != log_rows_shown) show_log();
    if (trend_waiting && Clock::now() - last_trend_draw >= TREND_FRAME && showing(VIEW_TREND))
        draw_trend();
}

int ReadingsViewCallback(int, int, int event, void*, int, int) {
    if (committed(event)) draw();
    return 0;
}

int ReadingsFullViewCallback(int, int, int event, void*, int, int) {
    if (committed(event)) uirt::ZoomGraphBack(window, shown_graph(), 1);
    return 0;
}

int ReadingsClearTrendCallback(int, int, int event, void*, int, int) {
    if (committed(event)) {
        trend_clear();
        draw();
    }
    return 0;
}

int ReadingsExportCallback(int, int, int event, void*, int, int) {
    if (committed(event)) view() == VIEW_TREND ? export_trend() : export_block();
    return 0;
}

int ReadingsCopyCallback(int, int, int event, void*, int, int) {
    if (committed(event)) view() == VIEW_TREND ? copy_trend() : copy_block();
    return 0;
}

int ReadingsSaveGraphCallback(int, int, int event, void*, int, int) {
    if (committed(event)) save_graph_image(window, shown_graph());
    return 0;
}

}  // namespace gu
