// State shared by the whole program: one instance each, static for the whole run.
#pragma once

#include <array>

#include "visa.h"

namespace gu {

inline constexpr int NAME_SIZE = 80;  // resource names and widget texts, with terminator
inline constexpr int RSRC_LIST_SIZE = 13;
using Name = std::array<char, NAME_SIZE>;

// Start-up and instrument connection.
inline int livemode = 0;              // instrument bound and open
inline ViSession instr_session = 0;   // meaningful only while livemode is set
inline int drv_status = 0;            // status of the last driver call
inline int measuring = 0;             // a measurement is in progress
inline int poll_count = 0;            // idle polls of the running measurement
inline int auto_update = 0;           // idle-time refresh of the reading
inline char rsrc_name[NAME_SIZE]{};   // resource name of the opened instrument
inline char rsrc_list[RSRC_LIST_SIZE][NAME_SIZE]{};  // instruments found by the finder
inline int visa_module = 0;           // module ids, negative when loading failed
inline int module = 0;

// Panels and menus.
inline int frame_panel = 0;
inline int main_panel = 0;
inline int menu_bar = 0;
inline int trigger_wait_panel = 0;
inline int about_panel = 0;
inline int trigger_panel = 0;
inline int config_panel = 0;
inline int math_panel = 0;
inline int status_panel = 0;
inline int inout_panel = 0;
inline int selftest_panel = 0;
inline int errors_panel = 0;
inline int sample_panel = 0;
inline int select_panel = 0;
inline int live_led = 0;      // control id of the live-mode indicator on main_panel
inline int menu_height = 0;
inline int shown_panel = 0;   // secondary panel last opened from the menu, 0 for none
inline int applied = 0;       // Apply pressed since the panel was opened
inline int closing = 0;       // quit confirmation up, or quit confirmed

// Measurement.
inline int triggers_left = 0;  // triggers the trigger-wait buttons may still give

// Menu items of menu bar 1 (the resource file uses these ids).
inline constexpr int MENU_ITEM_UPDATE = 3;  // auto-update check item

// Panel resource ids in gu7304.uir.
inline constexpr const char* UIR_FILE = "gu7304.uir";
enum PanelId : int {
    PANEL_ABOUT = 1,
    PANEL_SELECT = 2,
    PANEL_CONFIG = 3,
    PANEL_INOUT = 4,
    PANEL_MAIN = 5,
    PANEL_MATH = 6,
    PANEL_STATUS = 7,
    PANEL_SELFTEST = 8,
    PANEL_FRAME = 9,
    PANEL_TRIGGER_WAIT = 10,
    PANEL_TRIGGER = 11,
};
inline constexpr int MENUBAR_ID = 1;

}  // namespace gu
