// Sample count: readings per trigger, on the main panel.
#include <algorithm>
#include <cmath>

#include "setting.hpp"

namespace gu {

namespace {
constexpr double SAMPLE_COUNT_MAX = 16777215.0;  // the instrument's limit
}  // namespace

int SampleCount(int panel, int msg, void* data) {
    static Widget<int, int, double> w{"SampleCount", Answers{}, 1};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_INIT:
            w.init(panel, data);
            w.format(uirt::VAL_DECIMAL_FORMAT, 0);
            w.attr(uirt::ATTR_MIN_VALUE, 1.0);
            w.attr(uirt::ATTR_MAX_VALUE, SAMPLE_COUNT_MAX);
            return 0;
        case MSG_COMMIT: {
            double typed = 1.0;
            uirt::GetCtrlVal(w.panel, w.ctrl, &typed);
            if (!std::isfinite(typed)) typed = 1.0;
            // Whole readings within the instrument's limits; the control shows what is sent.
            w.value = static_cast<int>(std::clamp(std::trunc(typed), 1.0, SAMPLE_COUNT_MAX));
            w.show();
            if (refused(drv_call("vo_sampCoun", vo_sampCoun, static_cast<ViInt32>(w.value)))) {
                query_into<ViInt32>("vo_sampCoun_Q", vo_sampCoun_Q, w.value);  // refused
                w.show();
            }
            check_reading_type();
            return 0;
        }
        case MSG_QUERY:
            query_into<ViInt32>("vo_sampCoun_Q", vo_sampCoun_Q, w.value);
            w.show();
            w.get(data);
            check_reading_type();
            return 0;
    }
    return w.common(panel, msg, data);
}

int SampSend(int panel) {
    int count = 0;
    SampleCount(panel, MSG_GET, &count);
    return 0;
}

// The sample count is refreshed only through its own messages.
int SampGet(int) {
    return 0;
}

int SampRemember(int panel, int mode) {
    static Remembered<1> saved{{SampleCount}, {SampleCount}};
    return saved.run(panel, mode);
}

}  // namespace gu
