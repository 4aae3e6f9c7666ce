// Menu commands of menu bar 1: panel switching, auto update, sync, reset and exit.
#include "framework.hpp"

namespace gu {

namespace {

void hide_shown_panel() {
    if (shown_panel != 0) uirt::HidePanel(shown_panel);
}

// Shows a secondary panel from the menu; `remember` saves its settings for Cancel.
void open_secondary(int panel, int (*remember)(int, int) = nullptr) {
    hide_shown_panel();
    uirt::DisplayPanel(panel);
    shown_panel = panel;
    if (remember) remember(panel, MSG_GET);
}

void show_main() {
    hide_shown_panel();
    uirt::DisplayPanel(main_panel);
    shown_panel = 0;
    wait_panel_to_front();
}

}  // namespace

void wait_panel_to_front() {
    int shown = 0;
    if (measuring && trigger_wait_panel > 0 &&
        uirt::GetPanelAttribute(trigger_wait_panel, uirt::ATTR_VISIBLE, &shown) == 0 && shown)
        uirt::DisplayPanel(trigger_wait_panel);
}

void MenuMainCallback(int, int, void*, int) {
    show_main();
}

void MenuAboutCallback(int, int, void*, int) {
    hide_shown_panel();
    uirt::DisplayPanel(about_panel);
}

void MenuTriggerCallback(int, int, void*, int) {
    open_secondary(trigger_panel, TrigRemember);
}
void MenuConfigCallback(int, int, void*, int) {
    open_secondary(config_panel, ConfigRemember);
}
void MenuStatusCallback(int, int, void*, int) {
    open_secondary(status_panel, StatusRemember);
}
void MenuInOutCallback(int, int, void*, int) {
    open_secondary(inout_panel, InpRemember);
}
void MenuMathCallback(int, int, void*, int) {
    open_secondary(math_panel);
}
void MenuSelfTestCallback(int, int, void*, int) {
    open_secondary(selftest_panel);
}

// No sample panel is built: the sample count lives on the main panel, which this shows.
void MenuSampleCallback(int, int, void*, int) {
    if (sample_panel > 0) {
        open_secondary(sample_panel, SampRemember);
        return;
    }
    show_main();
    SampRemember(main_panel, MSG_GET);
}

// No errors panel is built: the error queue lives on the status panel, which this shows.
void MenuErrorsCallback(int, int, void*, int) {
    open_secondary(errors_panel > 0 ? errors_panel : status_panel);
}

void MenuUpdateCallback(int, int, void*, int) {
    int checked = 0;
    uirt::GetMenuBarAttribute(menu_bar, MENU_ITEM_UPDATE, uirt::ATTR_CHECKED, &checked);
    auto_update = checked ? 0 : 1;
    uirt::SetMenuBarAttribute(menu_bar, MENU_ITEM_UPDATE, uirt::ATTR_CHECKED, auto_update);
}

void MenuSyncCallback(int, int, void*, int) {
    if (!measuring) Sync();
}

void MenuResetCallback(int, int, void*, int) {
    show_main();
    Reset();
}

void MenuExitCallback(int, int, void*, int panel) {
    CloseBtn(panel, MSG_COMMIT, nullptr);
}

}  // namespace gu
