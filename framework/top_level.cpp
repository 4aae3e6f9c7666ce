// The main callback: close request, idle-time work and the size rule of panels.
#include "data_commands.hpp"
#include "framework.hpp"
#include "io_monitor.hpp"
#include "readings_window.hpp"

namespace gu {

namespace {

constexpr int MAX_WIDTH = 400;
constexpr int MAX_HEIGHT = 316;

void close_requested() {
    const int was_measuring = measuring;
    measuring = 0;
    closing = 1;
    quit_confirmed = 0;
    quit_sequence();
    if (quit_confirmed) return;
    // The user stayed: events are handled again, and a measurement under way goes on to
    // its end, which also turns the driver's error query back on.
    closing = 0;
    measuring = was_measuring;
}

// One thing per idle event: poll the measurement, replay one event, or update.
void idle() {
    UserAction action;
    if (measuring) {
        if (message_available() > 0) finish_reading();
    } else if (pending_count > 0) {
        process_pending_event();
    } else if (auto_update) {
        update();
    }
}

void panel_resized(int panel) {
    int width = 0;
    int height = 0;
    uirt::GetPanelAttribute(panel, uirt::ATTR_WIDTH, &width);
    uirt::GetPanelAttribute(panel, uirt::ATTR_HEIGHT, &height);
    const bool narrow = width < MAX_WIDTH;
    const bool low = height < MAX_HEIGHT;
    const int bars = narrow && low ? uirt::VAL_BOTH_SCROLL_BARS
                     : narrow      ? uirt::VAL_HORIZ_SCROLL_BAR
                     : low         ? uirt::VAL_VERT_SCROLL_BAR
                                   : uirt::VAL_NO_SCROLL_BARS;
    uirt::SetPanelAttribute(panel, uirt::ATTR_SCROLL_BARS, bars);
    if (width > MAX_WIDTH) uirt::SetPanelAttribute(panel, uirt::ATTR_WIDTH, MAX_WIDTH);
    if (height > MAX_HEIGHT) uirt::SetPanelAttribute(panel, uirt::ATTR_HEIGHT, MAX_HEIGHT);
    // Scroll back to the top left corner.
    uirt::SetPanelAttribute(panel, uirt::ATTR_HSCROLL_OFFSET, 0);
    uirt::SetPanelAttribute(panel, uirt::ATTR_VSCROLL_OFFSET, 0);
}

}  // namespace

int TopLevelCallback(int handle, int, int event, void*, int, int) {
    if (closing) return 0;
    if (data_window_event(handle, event)) return 0;
    switch (event) {
        case uirt::EVENT_CLOSE:
            close_requested();
            break;
        case uirt::EVENT_IDLE:
            idle();
            io_monitor_idle();
            readings_window_idle();
            break;
        case uirt::EVENT_PANEL_SIZE:
            panel_resized(handle);
            break;
        default:
            break;
    }
    return 0;
}

}  // namespace gu
