// The single reading: a click takes one, shown as a number beside its unit.
#include <cstdlib>

#include "measurement.hpp"

namespace gu {

namespace {

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

// Shows the first reading of the buffer as the stored one.
void take_first(void* data) {
    ReadingState& s = state();
    s.w.value = s.buffer[0];
    s.w.show();
    s.w.get(data);
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
        if (report_failure(drv_status, "vo_initImm") != 0) {
            error_query_detect(true);
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
    const int triggers = get_int(TrigCount, panel);
    const std::int64_t count = reading_count(panel);

    int status = VI_ERROR_TMO;  // a bus-triggered reading always waits
    if (source == TRIGGER_SOURCE_BUS) {
        arm_trigger_buttons(panel, triggers);
    } else {
        busy_cursor_unless_auto_update();
        ViInt32 n = bounded_count(count, 1);
        status = drv_status = vo_timedFetch_Q(instr_session, FETCH_TIMEOUT_MS, s.buffer, &n);
    }
    if (status == VI_ERROR_TMO) {
        show(Abort2, panel, true);
        return 0;  // finished later by MSG_FINISH, still measuring
    }
    error_query_detect(true);
    if (status != 0) {
        if (report_failure(status, "vo_timedFetch_Q") == 0) {
            hide_abort(panel);
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            return 0;
        }
        measuring = 1;
    }
    take_first(data);
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    hide_abort(panel);
    measuring = 0;
    return 0;
}

}  // namespace

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
            w.get(data);
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            hide_abort(panel);
            break;
        case MSG_FINISH: {
            drv_call_quiet(vo_dcl);
            ViInt32 n = 1;
            drv_call("vo_fetc_Q", vo_fetc_Q, s.buffer, &n);
            error_query_detect(true);
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            take_first(data);
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
