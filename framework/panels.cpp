// Loading of the panels and the menu bar, and the binding of widgets to their controls.
#include "control_tables.hpp"

namespace gu {

int init_widgets(std::span<const ctrl_desc> table) {
    for (const ctrl_desc& record : table) {
        if (record.kind == CTRL_END) break;
        if (!record.callback) continue;
        for (const WidgetRegistryEntry& pair : widget_registry) {
            if (!pair.handler) break;
            if (pair.callback != record.callback) continue;
            int ctrl = record.ctrl;
            pair.handler(record.panel, MSG_INIT, &ctrl);
        }
    }
    return 0;
}

namespace {

constexpr int ABOUT_TOP = 16;

// The table with the panel's handle in every record, then bound.
template <std::size_t N>
void bind(const std::array<ctrl_desc, N>& table, int panel) {
    std::array<ctrl_desc, N> copy = table;
    for (ctrl_desc& record : copy) record.panel = panel;
    init_widgets(copy);
}

// Title bar directly below the frame's menu bar.
void place_below_menu(int panel) {
    int title_height = 0;
    uirt::GetPanelAttribute(panel, uirt::ATTR_TITLEBAR_THICKNESS, &title_height);
    uirt::SetPanelAttribute(panel, uirt::ATTR_TOP, menu_height + title_height);
}

template <std::size_t N>
int load_secondary(int& handle, int resource_id, const std::array<ctrl_desc, N>& table) {
    handle = uirt::LoadPanel(frame_panel, UIR_FILE, resource_id);
    place_below_menu(handle);
    bind(table, handle);
    return 0;
}

int load_main() {
    frame_panel = uirt::LoadPanel(0, UIR_FILE, PANEL_FRAME);
    main_panel = uirt::LoadPanel(frame_panel, UIR_FILE, PANEL_MAIN);
    uirt::DisplayPanel(main_panel);
    menu_bar = uirt::LoadMenuBar(frame_panel, UIR_FILE, MENUBAR_ID);
    uirt::GetPanelAttribute(frame_panel, uirt::ATTR_MENU_HEIGHT, &menu_height);
    bind(tables::main_panel_controls, main_panel);
    for (const ctrl_desc& record : tables::main_panel_controls) {
        if (record.kind == uirt::CTRL_ROUND_LED) {
            live_led = record.ctrl;
            break;
        }
    }
    return 0;
}

int load_trigger_wait() {
    load_secondary(trigger_wait_panel, PANEL_TRIGGER_WAIT, tables::trigger_wait_panel_controls);
    uirt::HidePanel(trigger_wait_panel);
    return 0;
}

int load_about() {
    load_secondary(about_panel, PANEL_ABOUT, tables::about_panel_controls);
    uirt::SetPanelAttribute(about_panel, uirt::ATTR_TOP, ABOUT_TOP);
    return 0;
}

int load_trigger() {
    return load_secondary(trigger_panel, PANEL_TRIGGER, tables::trigger_panel_controls);
}
int load_config() {
    return load_secondary(config_panel, PANEL_CONFIG, tables::config_panel_controls);
}
int load_math() {
    return load_secondary(math_panel, PANEL_MATH, tables::math_panel_controls);
}
int load_status() {
    return load_secondary(status_panel, PANEL_STATUS, tables::status_panel_controls);
}
int load_inout() {
    return load_secondary(inout_panel, PANEL_INOUT, tables::inout_panel_controls);
}
int load_selftest() {
    return load_secondary(selftest_panel, PANEL_SELFTEST, tables::selftest_panel_controls);
}

constexpr std::array loaders{load_main, load_trigger_wait, load_about, load_trigger, load_config,
                             load_math, load_status,       load_inout, load_selftest};

}  // namespace

int load_panels() {
    for (auto loader : loaders)
        if (loader() < 0) return -1;
    return 0;
}

}  // namespace gu
