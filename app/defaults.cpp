// Defaults of every widget, and the instrument reset that reloads them.
#include "callbacks.hpp"

namespace gu {

void initialize() {
    poll_count = 0;
    drv_call_quiet(vo_errorQueryDetect, VI_FALSE);  // no error query while defaults load
    pokeinitial();
    ClearStatus(main_panel, MSG_COMMIT, nullptr);
    double slot = 0.0;
    VXISlot(main_panel, MSG_QUERY, &slot);
    drv_call_quiet(vo_errorQueryDetect, VI_TRUE);
}

int pokeinitial() {
    for (const WidgetRegistryEntry& entry : widget_registry) {
        if (entry.handler == nullptr) break;
        entry.handler(0, MSG_DEFAULT, nullptr);
    }
    return 0;
}

namespace {
// Live mode ends for the rest of the run; the indicator goes out with it.
void end_live_mode() {
    livemode = 0;
    uirt::SetCtrlVal(main_panel, live_led, 0);
}
}  // namespace

int Reset() {
    poll_count = 0;
    if (livemode) {
        // A failed clear or reset ends live mode and skips reloading the defaults.
        if (const int status = drv_call("vo_dcl", vo_dcl); status != 0) {
            end_live_mode();
            return status;
        }
        if (const int status = drv_call("vo_reset", vo_reset); status != 0) {
            end_live_mode();
            return status;
        }
        ClearStatus(main_panel, MSG_COMMIT, nullptr);
    }
    double value = 0.0;
    VXISlot(main_panel, MSG_QUERY, &value);
    CalLfr(main_panel, MSG_QUERY, &value);
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    uirt::SetMenuBarAttribute(menu_bar, MENU_ITEM_UPDATE, uirt::ATTR_CHECKED, 0);
    auto_update = 0;
    initialize();
    get_math_couplings(main_panel, 1);
    AboutGet(0);
    return 0;
}

}  // namespace gu
