// Input/output panel: automatic input impedance and the eight TTL trigger output lines.
#include "setting.hpp"

namespace gu {

int InpAutoImp(int panel, int msg, void* data) {
    static Widget<int> w{"InpImpAuto", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_COMMIT:
            w.read();
            drv_call("vo_inpImpAuto", vo_inpImpAuto, static_cast<ViBoolean>(w.value));
            return 0;
        case MSG_QUERY:
            query_cleared<ViBoolean>("vo_inpImpAuto_Q", vo_inpImpAuto_Q, w.value);
            w.show();
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

namespace {
// TTL trigger output line `Line`, 0 = off, 1 = on.
template <int Line>
int ttl_line(int panel, int msg, void* data) {
    static Widget<int> w{"TtlTrg", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    constexpr auto line = static_cast<ViInt16>(Line);
    switch (msg) {
        case MSG_INIT:
            w.init(panel, data);
            w.switch_texts("Off", "On");
            return 0;
        case MSG_COMMIT:
            w.read();
            drv_call("vo_outpTtlt", vo_outpTtlt, line, static_cast<ViBoolean>(w.value));
            return 0;
        case MSG_QUERY:
            query_cleared<ViBoolean>("vo_outpTtlt_Q", vo_outpTtlt_Q, w.value, line);
            w.show();
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}
}  // namespace

int TtlTrg0(int panel, int msg, void* data) {
    return ttl_line<0>(panel, msg, data);
}
int TtlTrg1(int panel, int msg, void* data) {
    return ttl_line<1>(panel, msg, data);
}
int TtlTrg2(int panel, int msg, void* data) {
    return ttl_line<2>(panel, msg, data);
}
int TtlTrg3(int panel, int msg, void* data) {
    return ttl_line<3>(panel, msg, data);
}
int TtlTrg4(int panel, int msg, void* data) {
    return ttl_line<4>(panel, msg, data);
}
int TtlTrg5(int panel, int msg, void* data) {
    return ttl_line<5>(panel, msg, data);
}
int TtlTrg6(int panel, int msg, void* data) {
    return ttl_line<6>(panel, msg, data);
}
int TtlTrg7(int panel, int msg, void* data) {
    return ttl_line<7>(panel, msg, data);
}

// The commit has already sent it.
int InpSend(int panel) {
    int state = 0;
    InpAutoImp(panel, MSG_GET, &state);
    return 0;
}

int InpGet(int panel) {
    int state = 0;
    InpAutoImp(panel, MSG_QUERY, &state);
    return 0;
}

int OutGet(int panel) {
    int state = 0;
    for (Handler h : {TtlTrg0, TtlTrg1, TtlTrg2, TtlTrg3, TtlTrg4, TtlTrg5, TtlTrg6, TtlTrg7})
        h(panel, MSG_QUERY, &state);
    return 0;
}

// Cancel restores the auto-impedance state only; the TTL lines are not remembered.
int InpRemember(int panel, int mode) {
    static Remembered<1> saved{{InpAutoImp}, {InpAutoImp}};
    return saved.run(panel, mode);
}

}  // namespace gu
