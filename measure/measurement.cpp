#include "measurement.hpp"

namespace gu {

void busy_cursor_unless_auto_update() {
    if (auto_update == 0) uirt::SetMouseCursor(uirt::VAL_HOUR_GLASS_CURSOR);
}

bool message_waiting() {
    constexpr ViUInt16 STB_MAV = 0x10;
    ViUInt16 stb = 0;
    return drv_call_quiet(vo_readStatusByte, &stb) == 0 && (stb & STB_MAV) != 0;
}

void count_triggers(int source, int trigger_count) {
    triggers_left = source == TRIGGER_SOURCE_BUS ? trigger_count - 1 : 0;
}

bool triggers_pending(int panel) {
    return triggers_left > 0 && get_int(TrigSource, panel) == TRIGGER_SOURCE_BUS;
}

void arm_trigger_buttons(int panel) {
    enable(MultiTrig, panel, true);
    enable(SingleTrig, panel, true);
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

void show_waiting(bool on) {
    reading_shows_waiting(on && reading_count() <= 1);
    block_shows_waiting(on && reading_count() > 1);
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
