// Math state and function, and the choice of the parameter controls shown for a function.
#include <array>
#include <cstddef>

#include "setting.hpp"

namespace gu {

namespace {
// Math-function code -> the widgets of its parameters and results, in query order.
using Group = std::array<Handler, 4>;  // null-terminated when shorter
constexpr std::array<Group, 5> MATH_GROUPS{{
    {NullOffs},                                  // 0 null offset
    {AverMin, AverMax, AverAverage, AverCount},  // 1 statistics
    {LowerLimit, UpperLimit},                    // 2 limit test
    {dBmRef},                                    // 3 dBm
    {dBRef},                                     // 4 dB
}};
constexpr std::array<Handler, 9> ALL_PARAMS{NullOffs, dBRef,   dBmRef,      LowerLimit, UpperLimit,
                                            AverMin,  AverMax, AverAverage, AverCount};

// Room for any math widget's value (int or double).
struct Scratch {
    alignas(double) std::byte bytes[sizeof(double)];
};
}  // namespace

int CalcState(int panel, int msg, void* data) {
    static Widget<int> w{"CalcState", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_COMMIT: {
            w.read();
            drv_call("vo_calcStat", vo_calcStat, static_cast<ViBoolean>(w.value));
            int accepted = 0;
            CalcState(panel, MSG_QUERY, &accepted);
            get_math_couplings(panel, 0);
            return 0;
        }
        case MSG_QUERY:
            query_cleared<ViBoolean>("vo_calcStat_Q", vo_calcStat_Q, w.value);
            w.show();
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

int CalcFunction(int panel, int msg, void* data) {
    static Widget<int> w{"CalcFunction", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_COMMIT:
            w.read();
            drv_call("vo_calcFunc", vo_calcFunc, static_cast<ViInt16>(w.value));
            get_math_couplings(panel, 1);
            return 0;
        case MSG_QUERY:
            query_cleared<ViInt16>("vo_calcFunc", vo_calcFunc_Q, w.value);
            w.show();
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

// Re-reads the active function's parameters; with `show`, only they stay visible.
void get_math_couplings(int panel, int show) {
    int code = 0, state = 0;
    CalcFunction(panel, MSG_QUERY, &code);
    CalcState(panel, MSG_QUERY, &state);
    if (show)
        for (Handler h : ALL_PARAMS) send_flag(h, panel, MSG_SHOW, 0);
    if (code >= 0 && code < static_cast<int>(MATH_GROUPS.size())) {
        const Group& group = MATH_GROUPS[static_cast<std::size_t>(code)];
        for (Handler h : group) {
            if (!h) break;
            Scratch value{};
            h(panel, MSG_QUERY, value.bytes);
        }
        if (show)
            for (Handler h : group) {
                if (!h) break;
                send_flag(h, panel, MSG_SHOW, 1);
            }
    }
    FuncBase(panel);
}

int MathGet(int panel) {
    int value = 0;
    CalcState(panel, MSG_QUERY, &value);
    CalcFunction(panel, MSG_QUERY, &value);
    get_math_couplings(panel, 1);
    return 0;
}

}  // namespace gu
