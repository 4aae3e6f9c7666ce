// Short forms of the messages the measurement widgets send one another.
#pragma once

#include <cstdint>

#include "widgets.hpp"

namespace gu {

// Room for any widget value written back (int, double or a text of NAME_SIZE).
struct Scratch {
    alignas(double) unsigned char bytes[NAME_SIZE]{};
};

inline int send(Handler widget, int panel, int msg) {
    Scratch scratch;
    return widget(panel, msg, scratch.bytes);
}
inline void send_each(std::initializer_list<Handler> widgets, int panel, int msg) {
    for (Handler w : widgets) send(w, panel, msg);
}
inline int get_int(Handler widget, int panel) {
    int value = 0;
    widget(panel, MSG_GET, &value);
    return value;
}
inline double get_double(Handler widget, int panel) {
    double value = 0.0;
    widget(panel, MSG_GET, &value);
    return value;
}
inline void set_int(Handler widget, int panel, int value) {
    widget(panel, MSG_SET, &value);
}
inline void set_double(Handler widget, int panel, double value) {
    widget(panel, MSG_SET, &value);
}
inline void enable(Handler widget, int panel, bool on) {
    int value = on ? 1 : 0;
    widget(panel, MSG_ENABLE, &value);
}
inline void show(Handler widget, int panel, bool on) {
    int value = on ? 1 : 0;
    widget(panel, MSG_SHOW, &value);
}

// Trigger count × sample count, in 64 bits so that no product wraps below the capacity.
inline std::int64_t reading_count(int panel = main_panel) {
    return static_cast<std::int64_t>(get_int(TrigCount, panel)) * get_int(SampleCount, panel);
}

}  // namespace gu
