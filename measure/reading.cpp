// The single reading: a click takes one, shown as a number beside its unit.
#include <cstdlib>

#include "measurement.hpp"
#include "reading_record.hpp"

namespace gu {

namespace {

constexpr const char* WAITING_TEXT = "measuring\u2026";
constexpr const char* NO_READING_TEXT = "no reading";
constexpr const char* OVERLOAD_TEXT = "OVLD";
constexpr const char* NEGATIVE_OVERLOAD_TEXT = "-OVLD";

struct ReadingState {
    Widget<double> w{"Reading", Answers{MSG_GET_PANEL, 0, msg_set({MSG_FINISH})}, 0.0};
    ViReal64 buffer[1]{};  // one reading: the driver is never given a larger count
};
ReadingState& state() {
    static ReadingState s;
    return s;
}

void hide_abort(int panel) {
    show(Abort2, panel, false);
}

// The display's text for a reading that is no number to read: none, or an overload (the
// value itself stays, for the graph, statistics and exports).
void show_in_place(const Widget<double>& w, bool none) {
    if (none)
        w.attr(uirt::ATTR_TEXT_IN_PLACE_OF_VALUE, NO_READING_TEXT);
    else if (w.value >= OVERLOAD)
        w.attr(uirt::ATTR_TEXT_IN_PLACE_OF_VALUE, OVERLOAD_TEXT);
    else if (w.value <= -OVERLOAD)
        w.attr(uirt::ATTR_TEXT_IN_PLACE_OF_VALUE, NEGATIVE_OVERLOAD_TEXT);
}

// Shows the reading the fetch returned, or that it returned none: never an older one.
void take_first(ViInt32 returned, void* data) {
    ReadingState& s = state();
    s.w.value = returned > 0 ? s.buffer[0] : 0.0;
    s.w.show();
    if (returned > 0) reading_taken(s.w.value);
    show_in_place(s.w, returned <= 0);
    s.w.get(data);
}

// A failed fetch: a display left without a reading says so before the failure is
// reported over it.
int report_fetch_failure(int status, ViInt32 returned) {
    clear_failed_fetch(status);
    if (returned <= 0) take_first(0, nullptr);
    return report_failure(status, "vo_timedFetch_Q");
}

// One bounded fetch into the buffer; the readings it returned.
ViInt32 fetch(int timeout_ms, int& status) {
    ReadingState& s = state();
    s.buffer[0] = 0.0;
    ViInt32 n = 1;
    status = timed_fetch(timeout_ms, s.buffer, n);
    return readings_returned(status, n, 1);
}

int query_live(int panel, void* data) {
    ReadingState& s = state();
    if (measuring) return 0;
    measuring = 1;
    const int source = get_int(TrigSource, panel);
    error_query_detect(false);
    uirt::SetActiveCtrl(s.w.panel, FUNCTION_RING);

    drv_status = vo_initImm(instr_session);
    if (drv_status != 0) {
        take_first(0, nullptr);
        if (report_failure(drv_status, "vo_initImm") != 0) {
            error_query_detect(true);
            take_first(0, data);
            hide_abort(panel);
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            return 0;
        }
        measuring = 1;
    }
    if (source == TRIGGER_SOURCE_BUS) {
        drv_call("vo_trg", vo_trg);
        disable_auto_update();
    }
    count_triggers(source, get_int(TrigCount, panel));

    // A bus-triggered reading also leaves its fetch with the instrument: its reply is the
    // message the poll waits for.
    busy_cursor_unless_auto_update();
    int status = 0;
    const ViInt32 returned =
        fetch(triggers_pending(panel) ? PENDING_FETCH_TIMEOUT_MS : FETCH_TIMEOUT_MS, status);
    if (status == VI_ERROR_TMO) {
        if (source == TRIGGER_SOURCE_BUS) arm_trigger_buttons(panel);
        show(Abort2, panel, true);
        return 0;  // finished later by MSG_FINISH, still measuring
    }
    error_query_detect(true);
    if (status != 0) {
        if (report_fetch_failure(status, returned) == 0) {
            take_first(0, data);
            hide_abort(panel);
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            return 0;
        }
        measuring = 1;
    }
    take_first(returned, data);
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    hide_abort(panel);
    measuring = 0;
    return 0;
}

}  // namespace

void reading_shows_waiting(bool on) {
    const Widget<double>& w = state().w;
    char shown[32]{};
    uirt::GetCtrlAttribute(w.panel, w.ctrl, uirt::ATTR_TEXT_IN_PLACE_OF_VALUE, shown, sizeof shown);
    w.enable(!on);
    if (on)
        w.attr(uirt::ATTR_TEXT_IN_PLACE_OF_VALUE, WAITING_TEXT);
    else if (std::string_view(shown) == WAITING_TEXT)
        w.attr(uirt::ATTR_TEXT_IN_PLACE_OF_VALUE, NO_READING_TEXT);  // ended without one
}

void reading_shows_none(int panel) {
    set_double(Reading, panel, 0.0);
    state().w.attr(uirt::ATTR_TEXT_IN_PLACE_OF_VALUE, NO_READING_TEXT);
}

int Reading(int panel, int msg, void* data) {
    ReadingState& s = state();
    Widget<double>& w = s.w;
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_INIT:
            w.init(panel, data);
            w.format(uirt::VAL_SCIENTIFIC_FORMAT, 7);
            break;
        case MSG_DEFAULT:
            w.reset();
            w.visible(1);
            break;
        case MSG_COMMIT:
            w.read();
            w.get(data);
            break;
        case MSG_QUERY:
            if (livemode) return query_live(panel, data);
            w.value = std::rand() / 1000.0;
            w.show();
            reading_taken(w.value);
            w.get(data);
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            hide_abort(panel);
            break;
        case MSG_FINISH: {
            drv_call_quiet(vo_dcl);
            int status = 0;
            const ViInt32 returned = fetch(FETCH_TIMEOUT_MS, status);
            if (status != 0) report_fetch_failure(status, returned);
            error_query_detect(true);
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            take_first(returned, data);
            hide_abort(panel);
            uirt::SetActiveCtrl(w.panel, FUNCTION_RING);
            break;
        }
        default:
            w.common(panel, msg, data);
            break;
    }
    measuring = 0;
    return 0;
}

}  // namespace gu
