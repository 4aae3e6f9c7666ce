// Reports of failed driver calls and of errors the instrument has queued.
#include <cstdio>
#include <cstring>

#include "framework.hpp"

namespace gu {

char error_text[ERROR_TEXT_SIZE]{};

namespace {

constexpr int TITLE_SIZE = NAME_SIZE;
constexpr int TEXT_SIZE = ERROR_TEXT_SIZE + 64;  // "Error %d: ", the error text, "and N more"

// The report a user action holds back until it ends: its first failure, and how many
// more it had.
struct HeldReport {
    int depth = 0;  // user actions under way (a replay runs inside an idle event's)
    bool held = false;
    int more = 0;
    char title[TITLE_SIZE]{};
    char text[TEXT_SIZE]{};
};
HeldReport action;

void show(const char* title, const char* text) {
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    uirt::MessagePopup(title, text);
    disable_auto_update();
}

void report(const char* title_format, const char* name, int code) {
    if (action.depth > 0 && action.held) {
        ++action.more;
        return;
    }
    char title[TITLE_SIZE];
    char text[TEXT_SIZE];
    std::snprintf(title, sizeof title, title_format, name ? name : "");
    std::snprintf(text, sizeof text, "Error %d: %s", code, error_text);
    if (action.depth == 0) {
        show(title, text);
        return;
    }
    action.held = true;
    std::snprintf(action.title, sizeof action.title, "%s", title);
    std::snprintf(action.text, sizeof action.text, "%s", text);
}

}  // namespace

UserAction::UserAction() {
    ++action.depth;
}

UserAction::~UserAction() {
    if (--action.depth > 0 || !action.held) return;
    action.held = false;
    if (action.more > 0) {
        const std::size_t used = std::strlen(action.text);
        std::snprintf(action.text + used, sizeof action.text - used, "\nand %d more",
                      action.more);
    }
    action.more = 0;
    show(action.title, action.text);
}

int display_error(ViSession session, int status, const char* name) {
    if (status != instr_error_detected) {
        vo_error_message(session, status, error_text);
        error_text[ERROR_TEXT_SIZE - 1] = '\0';
        report("Error in %s", name, status);
        return 1;
    }
    if (!livemode) return 1;
    ViInt32 code = status;
    vo_error_query(session, &code, error_text);
    error_text[ERROR_TEXT_SIZE - 1] = '\0';
    if (code != 0) report("Device Error in %s", name, code);
    int shown = code;
    ErrorVal(main_panel, MSG_SET, &shown);
    ErrorMsg(main_panel, MSG_SET, error_text);
    return code;
}

void disable_auto_update() {
    if (!auto_update) return;
    auto_update = 0;
    uirt::MessagePopup("Message", "Auto Update Disabled.");
    uirt::SetMenuBarAttribute(menu_bar, MENU_ITEM_UPDATE, uirt::ATTR_CHECKED, 0);
}

}  // namespace gu
