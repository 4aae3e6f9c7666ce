// Trigger panel: source, delay, automatic delay and count.
#include <algorithm>

#include "setting.hpp"

namespace gu {

namespace {
constexpr double DELAY_MAX = 2100.0;  // seconds
constexpr int TRIG_COUNT_MAX = 16777215;

// The delay control is usable only while the instrument does not choose the delay.
void follow_auto_delay(int panel, int auto_flag) {
    send_flag(TrigDelay, panel, MSG_ENABLE, auto_flag == 0 ? 1 : 0);
}
}  // namespace

int TrigSource(int panel, int msg, void* data) {
    static Widget<int> w{"TrigSource", Answers{}, 2};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_COMMIT:
            w.read();
            drv_call("vo_TrigSource", vo_trigSour, static_cast<ViInt16>(w.value));
            return 0;
        case MSG_QUERY:
            query_cleared<ViInt16>("vo_TrigSource", vo_trigSour_Q, w.value);
            w.show();
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

int TrigDelay(int panel, int msg, void* data) {
    static Widget<double> w{"TrigDelay", Answers{MSG_ENABLE}, 0.00035};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            w.reset();
            w.attr(uirt::ATTR_MIN_VALUE, 0.0);
            w.attr(uirt::ATTR_MAX_VALUE, DELAY_MAX);
            send_flag(TrigDelay, panel, MSG_ENABLE, 0);  // the auto-delay default is "Auto"
            return 0;
        case MSG_COMMIT:
            w.read();
            // A typed delay always leaves automatic delay.
            drv_call("vo_TrigDelay", vo_trigDel, ViBoolean{0}, w.value);
            return 0;
        case MSG_QUERY: {
            ViBoolean auto_flag = 0;  // read and dropped
            drv_call("vo_TrigDelay", vo_trigDel_Q, &auto_flag, &w.value);
            w.show();
            w.get(data);
            return 0;
        }
    }
    return w.common(panel, msg, data);
}

int TrigAutoDelay(int panel, int msg, void* data) {
    static Widget<int> w{"TrigAutoDelay", Answers{}, 1};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_INIT:
            w.init(panel, data);
            w.switch_texts("Manual", "Auto");
            return 0;
        case MSG_COMMIT: {
            w.read();
            double delay = 0.0;
            TrigDelay(panel, MSG_GET, &delay);
            drv_call("vo_TrigDelay", vo_trigDel, static_cast<ViBoolean>(w.value), delay);
            follow_auto_delay(panel, w.value);
            TrigDelay(panel, MSG_QUERY, &delay);  // shows the delay the instrument now uses
            return 0;
        }
        case MSG_QUERY: {
            if (livemode) {
                w.value = 0;
                ViBoolean auto_flag = 0;
                ViReal64 delay = 0.0;  // dropped
                drv_call("vo_TrigDelay", vo_trigDel_Q, &auto_flag, &delay);
                w.value = auto_flag;
            }
            w.show();
            w.get(data);
            follow_auto_delay(panel, w.value);
            return 0;
        }
    }
    return w.common(panel, msg, data);
}

int TrigCount(int panel, int msg, void* data) {
    static Widget<int> w{"TrigCount", Answers{}, 1};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_INIT:
            w.init(panel, data);
            w.attr(uirt::ATTR_MIN_VALUE, 1);
            w.attr(uirt::ATTR_MAX_VALUE, TRIG_COUNT_MAX);
            return 0;
        case MSG_COMMIT:
            w.read();
            w.value = std::clamp(w.value, 1, TRIG_COUNT_MAX);
            w.show();
            if (refused(drv_call("vo_TrigCount", vo_trigCoun, static_cast<ViInt32>(w.value)))) {
                query_into<ViInt32>("vo_TrigCount", vo_trigCoun_Q, w.value);  // refused
                w.show();
            }
            check_reading_type();
            return 0;
        case MSG_QUERY:
            query_into<ViInt32>("vo_TrigCount", vo_trigCoun_Q, w.value);
            w.show();
            w.get(data);
            check_reading_type();
            return 0;
    }
    return w.common(panel, msg, data);
}

// A two-state choice kept on the panel only; it never reaches the instrument.
int SignalSource(int panel, int msg, void* data) {
    static Widget<int> w{"SignalSource", Answers{}, 1};
    if (!w.accepts(msg)) return -1;
    if (msg == MSG_INIT) {
        w.init(panel, data);
        w.switch_texts("Open", "Connected");
        return 0;
    }
    return w.common(panel, msg, data);
}

// Every change has already gone out with its widget's commit.
int TrigSend(int panel) {
    int source = 0, auto_flag = 0, count = 0;
    double delay = 0.0;
    TrigSource(panel, MSG_GET, &source);
    TrigDelay(panel, MSG_GET, &delay);
    TrigAutoDelay(panel, MSG_GET, &auto_flag);
    TrigCount(panel, MSG_GET, &count);
    return 0;
}

int TrigGet(int panel) {
    int value = 0;
    for (Handler h : {TrigSource, TrigCount, CalAutoZero, CalLfr}) h(panel, MSG_QUERY, &value);
    return 0;
}

// Restores in this order so that the delay is committed before the auto flag.
int TrigRemember(int panel, int mode) {
    static Remembered<4> saved{{TrigSource, TrigDelay, TrigAutoDelay, TrigCount},
                               {TrigSource, TrigDelay, TrigAutoDelay, TrigCount}};
    return saved.run(panel, mode);
}

}  // namespace gu
