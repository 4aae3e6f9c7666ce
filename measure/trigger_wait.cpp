// The buttons that serve a waiting measurement: abort, fetch and the bus triggers.
#include "measurement.hpp"

namespace gu {

namespace {

constexpr std::uint32_t NO_VALUE_MSGS = msg_set({MSG_QUERY, MSG_SET, MSG_GET});

void dim_trigger_buttons(int panel) {
    enable(SingleTrig, panel, false);
    enable(MultiTrig, panel, false);
}

}  // namespace

int Abort(int panel, int msg, void* data) {
    static Widget<int> w{"Abort", Answers{MSG_GET_PANEL, NO_VALUE_MSGS}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            return 0;
        case MSG_COMMIT:
            measuring = 0;
            if (livemode) {
                // The clear first: it drops the fetch the wait left pending, which the
                // abort alone would answer with an error (no readings yet).
                drv_call_quiet(vo_dcl);
                drv_call_quiet(vo_abor);
                error_query_detect(true);  // off since the measurement started
                poll_count = 0;
            }
            show(Abort2, panel, false);
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            disable_auto_update();
            uirt::HidePanel(trigger_wait_panel);
            Readings(panel, MSG_CLEAR, nullptr);
            reading_shows_none(panel);
            uirt::SetIdleEventRate(100);
            return 0;
    }
    return w.common(panel, msg, data);
}

int Abort2(int panel, int msg, void* data) {
    static Widget<int> w{"Abort2", Answers{MSG_SHOW, NO_VALUE_MSGS | msg_set({9, 10, 11, 12, 13})},
                         0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            w.visible(0);
            return 0;
        case MSG_COMMIT:
            return Abort(panel, MSG_COMMIT, data);
        case MSG_SHOW:
            w.visible(data);
            show_waiting(data && *static_cast<const int*>(data) != 0);
            return 0;
    }
    return w.common(panel, msg, data);
}

int Fetch(int panel, int msg, void* data) {
    static Widget<int> w{"Fetch", Answers{MSG_GET_PANEL, NO_VALUE_MSGS}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            return 0;
        case MSG_COMMIT:
            if (!livemode) return 0;
            // What the instrument has: its reply when one is there, or the readings taken
            // so far when triggers the user has not given would be needed for the rest.
            // Otherwise the block completes on its own and the poll collects it.
            if (measuring && !triggers_pending(panel) && !message_waiting()) return 0;
            finish_reading();
            uirt::HidePanel(trigger_wait_panel);
            return 0;
    }
    return w.common(panel, msg, data);
}

// Each press gives one of the triggers left; the buttons dim when none is left.
int SingleTrig(int panel, int msg, void* data) {
    static Widget<int> w{"SingleTrig", Answers{MSG_ENABLE, NO_VALUE_MSGS}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            return 0;
        case MSG_COMMIT:
            if (!livemode) return 0;
            if (triggers_left > 0) {
                drv_call_quiet(vo_trg);
                --triggers_left;
            }
            if (triggers_left <= 0) dim_trigger_buttons(panel);
            if (measuring) block_shows_waiting(reading_count(panel) > 1);
            return 0;
    }
    return w.common(panel, msg, data);
}

// Gives all the triggers left at once.
int MultiTrig(int panel, int msg, void* data) {
    static Widget<int> w{"MultiTrig", Answers{MSG_ENABLE, NO_VALUE_MSGS}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            return 0;
        case MSG_COMMIT:
            if (!livemode) return 0;
            for (; triggers_left > 0; --triggers_left) drv_call_quiet(vo_trg);
            dim_trigger_buttons(panel);
            if (measuring) block_shows_waiting(reading_count(panel) > 1);
            return 0;
    }
    return w.common(panel, msg, data);
}

}  // namespace gu
