#include "measurement.hpp"

namespace gu {

void busy_cursor_unless_auto_update() {
    if (auto_update == 0) uirt::SetMouseCursor(uirt::VAL_HOUR_GLASS_CURSOR);
}

void arm_trigger_buttons(int panel, int trigger_count) {
    enable(MultiTrig, panel, true);
    enable(SingleTrig, panel, true);
    triggers_left = trigger_count - 1;
    if (triggers_left <= 0) {
        enable(MultiTrig, panel, false);
        enable(SingleTrig, panel, false);
    }
    uirt::DisplayPanel(trigger_wait_panel);
}

void end_wait(int panel) {
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    show(Abort2, panel, false);
    uirt::HidePanel(trigger_wait_panel);
}

void too_many_points() {
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    uirt::MessagePopup("Error", "The maximum of 4096 data points has been exceeded.");
    uirt::MessagePopup("Error", "Reduce either sample count or trigger count.");
}

void finish_reading() {
    if (reading_count() > 1)
        Readings(main_panel, MSG_FINISH, nullptr);
    else {
        double value = 0.0;
        Reading(main_panel, MSG_FINISH, &value);
    }
}

}  // namespace gu
