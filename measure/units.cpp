// The unit text beside the reading; it also names the graph's y axis.
#include "messages.hpp"

namespace gu {

int Units(int panel, int msg, void* data) {
    static TextWidget w{"Units", Answers{}, "VDC"};
    if (!w.accepts(msg)) return -1;
    if (msg == MSG_DEFAULT) {
        w.reset();
        w.visible(1);
    } else {
        w.common(panel, msg, data);
    }
    switch (msg) {
        case MSG_DEFAULT:
        case MSG_COMMIT:
        case MSG_QUERY:
        case MSG_SET:
        case MSG_GET:
            Readings(panel, MSG_UNITS, w.value.data());
            break;
    }
    return 0;
}

}  // namespace gu
