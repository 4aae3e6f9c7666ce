// The main sequence: user interface, binding, instrument, settings, event loop.
#include <cstring>

#include "callbacks.hpp"

namespace gu {

namespace {

constexpr int LED_GREEN = 0x00FF00;
constexpr int IDLE_RATE_MS = 100;
constexpr int RUNTIME_FAILED = -1;  // the exit code of a run-time that cannot start

void prepare_user_interface() {
    uirt::SetMouseCursor(uirt::VAL_HOUR_GLASS_CURSOR);
    set_fallbacks();
    auto_update = 0;
    livemode = 1;
    register_callbacks();
    load_panels();
    measuring = 0;
}

void live_mode_lost(const char* title, const char* message) {
    livemode = 0;
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    uirt::MessagePopup(title, message);
}

// Fills `selected` with the instrument to open (left empty when none was found).
// False when the user closed the Instrument Select dialog without a choice.
bool find_instrument(char* selected) {
    ViInt16 count = 0;
    if (vo_findRsrc(RSRC_LIST_SIZE, rsrc_list, "?*INSTR", &count) != 0) {
        live_mode_lost("Initialize Message", "Could not find an VO Q7304A.  Livemode disabled");
    } else if (count == 0) {
        live_mode_lost("Initialize Message", "No Instruments Found.  Livemode Disabled");
    } else if (count > 1) {
        select_instrument(count, selected);
        return selected[0] != '\0';
    } else {
        std::memcpy(selected, rsrc_list[0], NAME_SIZE);
    }
    return true;
}

void open_instrument(char* selected) {
    if (vo_init(selected, VI_FALSE, VI_FALSE, &instr_session) != 0)
        live_mode_lost("Initialize Error", "Error Initializing Instrument. Livemode disabled.");
    if (!livemode) return;
    uirt::SetCtrlAttribute(main_panel, live_led, uirt::ATTR_ON_COLOR, LED_GREEN);
    uirt::SetCtrlVal(main_panel, live_led, 1);
}

void load_settings() {
    UserAction loading;
    initialize();
    Sync();
    double log_addr = 0.0;
    VXILogAddr(0, MSG_QUERY, &log_addr);
}

// Without its panels the program has no window to run in: it says so and ends, before
// any library is bound or any session opened.
bool user_interface_loaded() {
    if (frame_panel > 0 && main_panel > 0) return true;
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    uirt::MessagePopup("Initialize Error",
                       "The user interface file gu7304.uir could not be loaded.  Exiting Program");
    return false;
}

int run_event_loop() {
    uirt::SetIdleEventRate(IDLE_RATE_MS);
    uirt::InstallMainCallback(TopLevelCallback, nullptr, 1);
    uirt::DisplayPanel(frame_panel);
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    return uirt::RunUserInterface();
}

}  // namespace

int main(int, char**) {
    char selected[NAME_SIZE] = {};
    prepare_user_interface();
    if (!user_interface_loaded()) return RUNTIME_FAILED;
    bind_visa();
    bind_driver();
    if (livemode) {
        if (!find_instrument(selected)) return 0;  // selection cancelled: the program ends
        if (livemode) open_instrument(selected);
        std::memcpy(rsrc_name, selected, NAME_SIZE);
    }
    load_settings();
    return run_event_loop();
}

}  // namespace gu
