// Records the events that reach registered callbacks.
#pragma once

#include <vector>

#include "uirt.hpp"

namespace uirt_tests {

struct Event {
    int source;  // 'M' main callback, 'C' control or panel callback, 'N' menu callback
    int handle, control, event;
    bool operator==(const Event&) const = default;
};

inline std::vector<Event>& events() {
    static std::vector<Event> recorded;
    return recorded;
}

inline int record_control(int panel, int control, int event, void*, int, int) {
    events().push_back({'C', panel, control, event});
    return 0;
}

inline int record_main(int handle, int control, int event, void*, int, int) {
    if (event != uirt::EVENT_IDLE) events().push_back({'M', handle, control, event});
    return 0;
}

inline void record_menu(int bar, int item, void*, int panel) {
    events().push_back({'N', bar, item, panel});
}

inline void register_recorders() {
    uirt::RegisterCallback("Cb", &record_control);
    uirt::RegisterCallback("PanelCb", &record_control);
    uirt::RegisterMenuCallback("MenuCb", &record_menu);
}

}  // namespace uirt_tests
