// Buttons and panel callbacks with code of their own.
#include "framework.hpp"

namespace gu {

int ignore_callback(int, int, int, void*, int, int) {
    return 0;
}

int SyncButtonCallback(int panel, int control, int event, void* callback_data, int event_data1,
                       int event_data2) {
    if (measuring) {
        if (event != uirt::EVENT_COMMIT) return 0;
        add_pending_event(SyncButtonCallback, panel, control, event, callback_data, event_data1,
                          event_data2);
        return 0;
    }
    if (event == uirt::EVENT_COMMIT) Sync();
    return 0;
}

int AboutButtonCallback(int panel, int control, int event, void* callback_data, int event_data1,
                        int event_data2) {
    if (measuring) {
        if (event != uirt::EVENT_COMMIT) return 0;
        add_pending_event(AboutButtonCallback, panel, control, event, callback_data, event_data1,
                          event_data2);
        return 0;
    }
    if (event == uirt::EVENT_COMMIT) uirt::DisplayPanel(about_panel);
    return 0;
}

int ResetButtonCallback(int, int, int event, void*, int, int) {
    if (event == uirt::EVENT_COMMIT) Reset();
    return 0;
}

// A click anywhere on the About panel returns to the panel it covered.
int PanelAboutCallback(int, int, int event, void*, int, int) {
    if (event != uirt::EVENT_LEFT_CLICK) return 0;
    uirt::HidePanel(about_panel);
    uirt::DisplayPanel(shown_panel != 0 ? shown_panel : main_panel);
    if (shown_panel == 0) wait_panel_to_front();
    return 0;
}

int AutoDlgCallback(int, int, int, void*, int, int) {
    return 0;
}

}  // namespace gu
