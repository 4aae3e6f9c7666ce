// Automatic zero and the power-line frequency reference.
#include <cstddef>

#include "setting.hpp"

namespace gu {

int CalAutoZero(int panel, int msg, void* data) {
    static Widget<int> w{"CalAutoZero", Answers{}, 1};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_INIT:
            w.init(panel, data);
            w.switch_texts("Off", "On");
            return 0;
        case MSG_COMMIT:
            w.read();
            drv_call("vo_calZeroAuto", vo_calZeroAuto, static_cast<ViInt16>(w.value));
            return 0;
        case MSG_QUERY:
            query_cleared<ViInt16>("vo_calZeroAuto", vo_calZeroAuto_Q, w.value);
            w.show();
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

// 50, 60 or 400 Hz; the aperture display follows it.
int CalLfr(int panel, int msg, void* data) {
    static Widget<int> w{"CalLfr", Answers{}, 50};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_COMMIT: {
            w.read();
            int accepted = 0;
            if (livemode) {
                drv_call("vo_systLfr", vo_systLfr, static_cast<ViInt16>(w.value));
                CalLfr(panel, MSG_QUERY, &accepted);
            }
            alignas(double) std::byte aperture[sizeof(double)] = {};
            ConfigAper(panel, MSG_QUERY, aperture);
            return 0;
        }
        case MSG_QUERY:
            if (livemode) {
                ViInt16 hz = 0;
                if (drv_call("vo_systLfr_Q", vo_systLfr_Q, &hz) == 0) w.value = hz;
            }
            w.show();
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

}  // namespace gu
