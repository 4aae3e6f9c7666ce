// The math parameters and results: one shape, told by a row per widget (math_params.cpp).
#pragma once

#include <array>

#include "setting.hpp"

namespace gu {

// Answers 1 to 9 and MSG_SHOW; 10 to 13 count as outside.
inline constexpr Answers MATH_PARAM_ANSWERS{MSG_ENABLE, msg_set({10, 11, 12, 13}),
                                            msg_set({MSG_SHOW})};

template <class T, class D = T, class C = T, class Reply = ViReal64>
struct MathParam {
    using Setter = ViStatus (*)(ViSession, ViReal64);
    using Query = ViStatus (*)(ViSession, Reply*);

    Widget<T, D, C> w;
    Setter* setter = nullptr;  // the bound entry point; null for a result
    const char* set_label = nullptr;
    Query* query = nullptr;
    const char* query_label = nullptr;
    std::array<int, 2> companions{};  // further controls shown with it; 0 for none
    bool dims_delay = false;          // MSG_DEFAULT dims the trigger delay
    bool cleared_query = false;       // the value is cleared before the query

    int handle(int panel, int msg, void* data) {
        if (!w.accepts(msg)) return -1;
        switch (msg) {
            case MSG_DEFAULT:
                w.reset();
                if (dims_delay) send_flag(TrigDelay, panel, MSG_ENABLE, 0);
                return 0;
            case MSG_COMMIT:
                w.read();
                if (setter && query &&
                    refused(drv_call(set_label, *setter, static_cast<ViReal64>(w.value)))) {
                    query_into<Reply>(query_label, *query, w.value);  // refused: what it kept
                    w.show();
                }
                return 0;
            case MSG_QUERY:
                if (cleared_query)
                    query_cleared<Reply>(query_label, *query, w.value);
                else
                    query_into<Reply>(query_label, *query, w.value);
                w.show();
                w.get(data);
                return 0;
            case MSG_SHOW:
                w.visible(data);
                for (int ctrl : companions)
                    if (ctrl)
                        uirt::SetCtrlAttribute(w.panel, ctrl, uirt::ATTR_CTRL_VISIBLE,
                                               data && *static_cast<int*>(data) ? 1 : 0);
                return 0;
        }
        return w.common(panel, msg, data);
    }
};

}  // namespace gu
