// The measurement time-out: kept in milliseconds, shown in seconds.
#include "messages.hpp"

namespace gu {

int Timeout(int panel, int msg, void* data) {
    static Widget<int> w{"Timeout", Answers{}, 20000};
    if (!w.accepts(msg)) return -1;
    const auto show_seconds = [] { uirt::SetCtrlVal(w.panel, w.ctrl, w.value / 1000.0); };
    switch (msg) {
        case MSG_INIT:
            w.init(panel, data);
            w.format(uirt::VAL_DECIMAL_FORMAT, 0);
            return 0;
        case MSG_DEFAULT:
            w.value = w.def;
            w.attr(uirt::ATTR_MIN_VALUE, 0.0);
            w.attr(uirt::ATTR_MAX_VALUE, 32767.0);
            show_seconds();
            return Timeout(panel, MSG_COMMIT, nullptr);
        case MSG_COMMIT: {
            double seconds = 0.0;
            uirt::GetCtrlVal(w.panel, w.ctrl, &seconds);
            w.value = static_cast<int>(seconds * 1000.0);
            drv_call_quiet(vo_timeOut, w.value);
            return 0;
        }
        case MSG_QUERY: {
            ViInt32 ms = w.value;
            if (livemode && drv_call_quiet(vo_timeOut_Q, &ms) == 0) w.value = ms;
            show_seconds();
            w.get(data);
            return 0;
        }
        case MSG_SET:
            if (data) w.value = *static_cast<const int*>(data);
            show_seconds();
            return 0;
    }
    return w.common(panel, msg, data);
}

}  // namespace gu
