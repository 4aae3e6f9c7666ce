// The Instrument Select dialog: the user picks one of several VXI or LAN instruments found.
#include <cstring>
#include <string_view>

#include "callbacks.hpp"

namespace gu {

namespace {

constexpr int SELECT_LIST = 2;  // list box: labels from describe_rsrc, values the names
constexpr int SELECT_OK = 3;

bool offered(std::string_view name) {
    return name.starts_with("GPIB-VXI") || name.starts_with("VXI") || name.starts_with("TCPIP");
}

void copy_name(char* dst, const char* name) {
    std::strncpy(dst, name, NAME_SIZE - 1);
    dst[NAME_SIZE - 1] = '\0';
}

// Ends the dialog's loop with the list position plus 1 (0 when nothing is selected).
void choose_selected(int panel) {
    int index = -1;
    uirt::GetCtrlIndex(panel, SELECT_LIST, &index);
    uirt::RemovePopup(0);
    uirt::QuitUserInterface(index + 1);
}

}  // namespace

int select_instrument(int count, char* dst) {
    select_panel = uirt::LoadPanel(frame_panel, UIR_FILE, PANEL_SELECT);
    uirt::ClearListCtrl(select_panel, SELECT_LIST);
    uirt::SetActiveCtrl(select_panel, SELECT_OK);
    int shown = 0;
    int last_shown = 0;
    for (int j = 0; j < count && j < RSRC_LIST_SIZE; ++j) {
        if (!offered(rsrc_list[j])) continue;
        uirt::InsertListItem(select_panel, SELECT_LIST, -1, describe_rsrc(rsrc_list[j]),
                             rsrc_list[j]);
        last_shown = j;
        ++shown;
    }
    if (shown > 1) {
        uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
        uirt::InstallPopup(select_panel);
        const int choice = uirt::RunUserInterface();
        if (choice > 0) {
            uirt::GetValueFromIndex(select_panel, SELECT_LIST, choice - 1, dst, NAME_SIZE);
            dst[NAME_SIZE - 1] = '\0';
        } else {
            uirt::MessagePopup("Instrument Select", "No Instrument Selected.  Exiting Program");
            uirt::QuitUserInterface(0);
        }
    } else if (shown == 1) {
        copy_name(dst, rsrc_list[last_shown]);
    } else {
        copy_name(dst, rsrc_list[0]);
    }
    return 0;
}

int AutoOKCallback(int panel, int, int event, void*, int, int) {
    if (event == uirt::EVENT_COMMIT) choose_selected(panel);
    return 0;
}

int AutoCancelCallback(int, int, int event, void*, int, int) {
    if (event == uirt::EVENT_COMMIT) {
        uirt::RemovePopup(0);
        uirt::QuitUserInterface(0);
    }
    return 0;
}

int AutoListCallback(int panel, int, int event, void*, int, int) {
    if (event == uirt::EVENT_LEFT_DOUBLE_CLICK) choose_selected(panel);
    return 0;
}

}  // namespace gu
