// The block of readings: trigger count × sample count readings plotted on the graph.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

#include "measurement.hpp"
#include "reading_record.hpp"

namespace gu {

namespace {

constexpr Answers READINGS_ANSWERS{
    MSG_FINISH, msg_set({MSG_COMMIT, MSG_SET, MSG_GET, MSG_ENABLE, MSG_FILL_LIST})};
constexpr int FIRST_PLOT_POINTS = 200;
constexpr int PLOT_COLOR = uirt::MakeColor(255, 255, 0);
constexpr const char* X_TITLE = "Reading number";

Binding graph;
std::array<ViReal64, READING_CAPACITY> reading_buffer{};

void zero_buffer() {
    reading_buffer.fill(0.0);
}

// Replaces the graph's plots by the first `n` entries of the buffer (at most all).
void plot(ViInt32 n) {
    uirt::DeleteGraphPlot(graph.panel, graph.ctrl, -1, uirt::VAL_IMMEDIATE_DRAW);
    block_cleared();
    n = bounded_count(n, READING_CAPACITY);
    if (n == 0) return;  // nothing came back: nothing to show
    uirt::SetAxisRange(graph.panel, graph.ctrl, uirt::VAL_AUTOSCALE, 0.0, 0.0, uirt::VAL_AUTOSCALE,
                       0.0, 0.0);
    uirt::PlotWaveform(graph.panel, graph.ctrl, reading_buffer.data(), n, uirt::VAL_DOUBLE, 1.0,
                       0.0, 1.0, 1.0, uirt::VAL_THIN_LINE, uirt::VAL_SOLID_SQUARE, uirt::VAL_SOLID,
                       1, PLOT_COLOR);
}
void plot_count(int panel) {
    plot(bounded_count(reading_count(panel), READING_CAPACITY));
}
void plot_and_end(int panel, ViInt32 n) {
    plot(n);
    block_taken(reading_buffer.data(), bounded_count(n, READING_CAPACITY));
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    uirt::HidePanel(trigger_wait_panel);
    show(Abort2, panel, false);
}

// One bounded fetch of the block into the buffer; the readings it returned.
ViInt32 fetch(int timeout_ms, std::int64_t count, int& status) {
    ViInt32 n = bounded_count(count, READING_CAPACITY);
    status = timed_fetch(timeout_ms, reading_buffer.data(), n);
    return readings_returned(status, n, READING_CAPACITY);
}

// The instrument's error queue after a block fetch; true when it held an error.
bool instrument_error(int panel) {
    ViInt32 code = 0;
    char message[260]{};
    drv_call("vo_error_query", vo_error_query, &code, message);
    if (code == 0) return false;
    measuring = 0;
    disable_auto_update();
    show(Abort2, panel, false);
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    char text[320];
    std::snprintf(text, sizeof text, "Error %d: %s", static_cast<int>(code), message);
    uirt::MessagePopup("Error", text);
    int value = code;
    ErrorVal(panel, MSG_SET, &value);
    ErrorMsg(panel, MSG_SET, message);
    uirt::HidePanel(trigger_wait_panel);
    return true;
}

// Returns true while the measurement waits (measuring stays set).
bool query_live(int panel) {
    if (measuring) return true;
    measuring = 1;
    const std::int64_t count = reading_count(panel);
    if (count > READING_CAPACITY) {
        too_many_points();
        return false;
    }
    const int source = get_int(TrigSource, panel);
    error_query_detect(false);

    drv_status = vo_initImm(instr_session);
    if (drv_status != 0) {
        // As for the single reading: a reported failure ends the block; only an error
        // query that found the queue empty lets it go on.
        if (report_failure(drv_status, "vo_initImm") != 0) {
            error_query_detect(true);
            plot(0);
            show(Abort2, panel, false);
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            uirt::HidePanel(trigger_wait_panel);
            return false;
        }
        measuring = 1;
    }
    count_triggers(source, get_int(TrigCount, panel));
    if (source == TRIGGER_SOURCE_BUS) {
        drv_call_quiet(vo_trg);
        disable_auto_update();
    }
    // Bus-triggered blocks too leave their fetch with the instrument: its reply is the
    // message the poll waits for.
    busy_cursor_unless_auto_update();
    int status = 0;
    const ViInt32 returned =
        fetch(triggers_pending(panel) ? PENDING_FETCH_TIMEOUT_MS : FETCH_TIMEOUT_MS, count, status);
    if (status == VI_ERROR_TMO) {
        if (source == TRIGGER_SOURCE_BUS) arm_trigger_buttons(panel);
        show(Abort2, panel, true);
        return true;
    }
    error_query_detect(true);
    if (status != 0) {
        clear_failed_fetch(status);
        if (returned <= 0) plot(0);  // no older block behind the report
        if (report_failure(status, "vo_timedFetch_Q") == 0) {
            plot(0);
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            show(Abort2, panel, false);
            uirt::HidePanel(trigger_wait_panel);
            return false;
        }
        measuring = 1;
    }
    if (instrument_error(panel)) return false;
    plot_and_end(panel, returned);
    return false;
}

void finish(int panel) {
    drv_call_quiet(vo_dcl);
    int status = 0;
    const ViInt32 returned = fetch(FETCH_TIMEOUT_MS, reading_count(panel), status);
    if (status != 0) {
        clear_failed_fetch(status);
        display_error(instr_session, status, "vo_timedFetch_Q");
    }
    const bool failed = instrument_error(panel);
    error_query_detect(true);  // on again whether or not the instrument reported an error
    if (!failed) plot_and_end(panel, returned);
}

void clear(int panel) {
    if (measuring) return;
    const std::int64_t count = reading_count(panel);
    uirt::DeleteGraphPlot(graph.panel, graph.ctrl, -1, uirt::VAL_IMMEDIATE_DRAW);
    block_cleared();  // the statistics are of the block shown, and none is
    if (count > READING_CAPACITY) {
        too_many_points();
        show(Abort2, panel, false);
        return;
    }
    // An empty graph over the block's span: zeros plotted would read as readings taken.
    zero_buffer();
    const double last = static_cast<double>(std::max<std::int64_t>(count, 2));
    uirt::SetAxisRange(graph.panel, graph.ctrl, uirt::VAL_MANUAL, 1.0, last, uirt::VAL_MANUAL,
                       -1.0, 1.0);
}

}  // namespace

void block_shows_waiting(bool on) {
    if (!on) {
        graph.attr(uirt::ATTR_XNAME, X_TITLE);
        return;
    }
    // The block under way is not on the graph yet; an older one is not shown as it.
    uirt::DeleteGraphPlot(graph.panel, graph.ctrl, -1, uirt::VAL_IMMEDIATE_DRAW);
    block_cleared();
    const long long expected = reading_count();
    const int triggers = get_int(TrigCount, main_panel);
    char text[128];
    if (get_int(TrigSource, main_panel) == TRIGGER_SOURCE_BUS)
        std::snprintf(text, sizeof text, "measuring\u2026 %lld readings, %d of %d triggers given",
                      expected, triggers - std::max(triggers_left, 0), triggers);
    else
        std::snprintf(text, sizeof text, "measuring\u2026 %lld readings", expected);
    graph.attr(uirt::ATTR_XNAME, text);
}

int Readings(int panel, int msg, void* data) {
    if (!READINGS_ANSWERS(msg)) {
        std::printf("invalid msg in Readings\n");
        measuring = 0;
        return 0;
    }
    switch (msg) {
        case MSG_INIT:
            graph.init(panel, data);
            graph.attr(uirt::ATTR_XNAME, X_TITLE);
            graph.attr(uirt::ATTR_XWHOLE_TICKS, 1);
            break;
        case MSG_DEFAULT:
            zero_buffer();
            uirt::SetAxisRange(graph.panel, graph.ctrl, uirt::VAL_AUTOSCALE, 0.0, 200.0,
                               uirt::VAL_AUTOSCALE, -100.0, 100.0);
            uirt::PlotY(graph.panel, graph.ctrl, reading_buffer.data(), FIRST_PLOT_POINTS,
                        uirt::VAL_DOUBLE, uirt::VAL_THIN_LINE, uirt::VAL_SOLID_SQUARE,
                        uirt::VAL_SOLID, 1, PLOT_COLOR);
            graph.visible(0);
            break;
        case MSG_QUERY:
            if (!measuring) block_started();
            if (livemode) {
                if (query_live(panel)) return 0;
            } else {
                for (ViReal64& r : reading_buffer) r = std::rand() / 1000.0;
                plot_and_end(panel, bounded_count(reading_count(panel), READING_CAPACITY));
            }
            break;
        case MSG_GET_CTRL:
            if (data) *static_cast<int*>(data) = graph.ctrl;
            break;
        case MSG_GET_PANEL:
            if (data) *static_cast<int*>(data) = graph.panel;
            break;
        case MSG_UNITS:
            graph.attr(uirt::ATTR_YNAME, data ? static_cast<const char*>(data) : "");
            graph.attr(uirt::ATTR_YUNITS, data ? static_cast<const char*>(data) : "");
            break;
        case MSG_CLEAR:
            clear(panel);
            break;
        case MSG_FINISH:
            finish(panel);
            break;
        default:
            break;
    }
    measuring = 0;
    return 0;
}

}  // namespace gu
