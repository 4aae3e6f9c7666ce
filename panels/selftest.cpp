// The self-test button and its result text.
#include "setting.hpp"

namespace gu {

// The button's action: any message runs it.
int SelfTest(int panel, int, void*) {
    if (!livemode) return 0;
    SelfTestResults(panel, MSG_SET, const_cast<char*>("< Self Test In Progress >"));
    ViInt16 result = 0;  // not shown
    char message[NAME_SIZE] = {};
    if (drv_call("vo_self_test", vo_self_test, &result, message) != 0)
        SelfTestResults(panel, MSG_SET, const_cast<char*>("< Error In Self Test >"));
    else
        SelfTestResults(panel, MSG_SET, message);
    return 0;
}

int SelfTestResults(int panel, int msg, void* data) {
    static TextWidget w{"SelfTestResults", Answers{}, ""};
    if (!w.accepts(msg)) return -1;
    return w.common(panel, msg, data);
}

}  // namespace gu
