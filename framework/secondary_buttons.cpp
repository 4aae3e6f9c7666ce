// OK, Cancel and Apply of the secondary panels.
#include "framework.hpp"

namespace gu {

namespace {

struct SecondaryPanel {
    const int* handle;
    int (*send)(int panel);
    int (*remember)(int panel, int mode);  // null: nothing saved for Cancel
};

constexpr std::array secondary_panels{
    SecondaryPanel{&trigger_panel, TrigSend, TrigRemember},
    SecondaryPanel{&inout_panel, InpSend, InpRemember},
    SecondaryPanel{&config_panel, ConfigApply, ConfigRemember},
    SecondaryPanel{&sample_panel, SampSend, SampRemember},
};

// Handles that were never loaded stay 0 and match nothing.
const SecondaryPanel* find(int panel) {
    if (panel <= 0) return nullptr;
    for (const SecondaryPanel& p : secondary_panels)
        if (*p.handle == panel) return &p;
    return nullptr;
}

void send_step(int panel) {
    if (const SecondaryPanel* p = find(panel)) p->send(panel);
}

// Nothing is shown over the main panel afterwards: auto update refreshes the reading again,
// and the About panel returns to the main panel rather than to the closed one.
void back_to_main(int panel) {
    uirt::HidePanel(panel);
    uirt::DisplayPanel(main_panel);
    if (panel == shown_panel) shown_panel = 0;
    wait_panel_to_front();
}

// The instrument part of a button waits, like any deferred event, while a measurement
// runs (its commands would cut off the measurement's pending fetch); true when parked.
bool parked(uirt::CtrlCallbackPtr part, int panel, int control, int event, void* callback_data,
            int event_data1, int event_data2) {
    if (!measuring) return false;
    add_pending_event(part, panel, control, event, callback_data, event_data1, event_data2);
    return true;
}

int ok_send(int panel, int control, int event, void* callback_data, int event_data1,
            int event_data2) {
    if (parked(ok_send, panel, control, event, callback_data, event_data1, event_data2)) return 0;
    send_step(panel);
    applied = 0;
    return 0;
}

int cancel_restore(int panel, int control, int event, void* callback_data, int event_data1,
                   int event_data2) {
    if (parked(cancel_restore, panel, control, event, callback_data, event_data1, event_data2))
        return 0;
    if (const SecondaryPanel* p = find(panel)) {
        p->remember(panel, MSG_SET);
        if (applied) p->send(panel);
    }
    applied = 0;
    return 0;
}

int apply_send(int panel, int control, int event, void* callback_data, int event_data1,
               int event_data2) {
    if (parked(apply_send, panel, control, event, callback_data, event_data1, event_data2))
        return 0;
    if (panel > 0 && panel == errors_panel)
        ErrorSend(panel);
    else
        send_step(panel);
    applied = 1;
    return 0;
}

}  // namespace

int SecOKButtonCallback(int panel, int control, int event, void* callback_data, int event_data1,
                        int event_data2) {
    if (event != uirt::EVENT_COMMIT) return 0;
    back_to_main(panel);
    return ok_send(panel, control, event, callback_data, event_data1, event_data2);
}

int SecCancelButtonCallback(int panel, int control, int event, void* callback_data, int event_data1,
                            int event_data2) {
    if (event != uirt::EVENT_COMMIT) return 0;
    back_to_main(panel);
    return cancel_restore(panel, control, event, callback_data, event_data1, event_data2);
}

int SecApplyButtonCallback(int panel, int control, int event, void* callback_data, int event_data1,
                           int event_data2) {
    if (event != uirt::EVENT_COMMIT) return 0;
    return apply_send(panel, control, event, callback_data, event_data1, event_data2);
}

}  // namespace gu
