#include "data_commands.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>

#include "file_care.hpp"
#include "framework.hpp"
#include "io_monitor.hpp"
#include "reading_log.hpp"
#include "readings_csv.hpp"
#include "readings_window.hpp"
#include "scpi_console.hpp"
#include "trend.hpp"

namespace gu {

namespace {

constexpr const char* NO_BLOCK =
    "No block of readings is shown. Set a trigger or sample count above 1 and take one.";
constexpr const char* NO_TREND =
    "The trend holds no readings. Readings join it while Auto Update is on.";
constexpr int MAIN_GRAPH = 8;
constexpr int MENU_ITEM_LOG_READINGS = 27;

void show_log_state() {
    uirt::SetMenuBarAttribute(menu_bar, MENU_ITEM_LOG_READINGS, uirt::ATTR_CHECKED,
                              reading_log_on() ? 1 : 0);
    readings_window_log_changed();
}

bool have_block() {
    if (last_block().present) return true;
    uirt::MessagePopup("Readings", NO_BLOCK);
    return false;
}

bool have_trend() {
    if (trend_size() > 0) return true;
    uirt::MessagePopup("Trend", NO_TREND);
    return false;
}

void export_table(const char* title, const std::string& table) {
    static char path[FILE_PATH_SIZE];
    if (!choose_output_file(title, "*.csv", path)) return;
    write_file_with_care(path, table);
}

bool ends_with(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() &&
           std::equal(tail.rbegin(), tail.rend(), s.rbegin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

}  // namespace

void export_block() {
    if (have_block()) export_table("Export Block File Dialog", block_table(last_block(), ','));
}

void export_trend() {
    if (have_trend()) export_table("Export Trend File Dialog", trend_table(','));
}

void copy_block() {
    if (have_block()) uirt::ClipboardPutText(block_table(last_block(), '\t').c_str());
}

void copy_trend() {
    if (have_trend()) uirt::ClipboardPutText(trend_table('\t').c_str());
}

// PNG, or SVG for a name ending in .svg.
void save_graph_image(int panel, int ctrl) {
    static char path[FILE_PATH_SIZE];
    if (!choose_output_file("Save Graph File Dialog", "*.png", path)) return;
    const int format = ends_with(path, ".svg") ? uirt::VAL_SVG : uirt::VAL_PNG;
    std::string bytes;
    if (uirt::GetGraphImage(panel, ctrl, format, bytes) != 0 || bytes.empty()) {
        uirt::MessagePopup("Graph", "The graph could not be drawn into a picture.");
        return;
    }
    write_file_with_care(path, bytes);
}

void MenuReadingsWindowCallback(int, int, void*, int) {
    open_readings_window();
}
void MenuExportBlockCallback(int, int, void*, int) {
    export_block();
}
void MenuExportTrendCallback(int, int, void*, int) {
    export_trend();
}
void MenuCopyBlockCallback(int, int, void*, int) {
    copy_block();
}
void MenuCopyTrendCallback(int, int, void*, int) {
    copy_trend();
}
void MenuSaveGraphCallback(int, int, void*, int) {
    int shown = 0;
    uirt::GetCtrlAttribute(main_panel, MAIN_GRAPH, uirt::ATTR_CTRL_VISIBLE, &shown);
    if (!shown) {
        uirt::MessagePopup("Graph", NO_BLOCK);
        return;
    }
    save_graph_image(main_panel, MAIN_GRAPH);
}
void MenuClearTrendCallback(int, int, void*, int) {
    trend_clear();
    readings_view_trend_changed();
}
void MenuIoMonitorCallback(int, int, void*, int) {
    open_io_monitor();
}
void MenuScpiConsoleCallback(int, int, void*, int) {
    open_scpi_console();
}
// A check item: ticking starts a log in a file the user chooses, unticking stops it.
void MenuLogReadingsCallback(int, int, void*, int) {
    static char path[FILE_PATH_SIZE];
    if (reading_log_on())
        reading_log_stop();
    else if (choose_output_file("Log Readings File Dialog", "*.csv", path))
        reading_log_start(path);
    on_reading_log_stopped(show_log_state);
    show_log_state();
}

bool data_window_event(int panel, int event) {
    if (panel == 0 ||
        (panel != readings_window() && panel != io_monitor() && panel != scpi_console()))
        return false;
    if (event == uirt::EVENT_CLOSE) uirt::HidePanel(panel);
    if (event == uirt::EVENT_PANEL_SIZE) {
        if (panel == readings_window())
            readings_window_resized();
        else if (panel == io_monitor())
            io_monitor_resized();
        else
            scpi_console_resized();
    }
    return true;
}

namespace {

struct ControlName {
    std::string_view name;
    uirt::CtrlCallbackPtr callback;
};
struct MenuName {
    std::string_view name;
    uirt::MenuCallbackPtr callback;
};

constexpr std::array control_names{
    ControlName{"ReadingsViewCallback", ReadingsViewCallback},
    ControlName{"ReadingsFullViewCallback", ReadingsFullViewCallback},
    ControlName{"ReadingsClearTrendCallback", ReadingsClearTrendCallback},
    ControlName{"ReadingsExportCallback", ReadingsExportCallback},
    ControlName{"ReadingsCopyCallback", ReadingsCopyCallback},
    ControlName{"ReadingsSaveGraphCallback", ReadingsSaveGraphCallback},
    ControlName{"IoMonitorPauseCallback", IoMonitorPauseCallback},
    ControlName{"IoMonitorClearCallback", IoMonitorClearCallback},
    ControlName{"IoMonitorSaveScriptCallback", IoMonitorSaveScriptCallback},
    ControlName{"IoMonitorSaveScpiCallback", IoMonitorSaveScpiCallback},
    ControlName{"ConsoleLineCallback", ConsoleLineCallback},
    ControlName{"ConsoleSendCallback", ConsoleSendCallback},
};
constexpr std::array menu_names{
    MenuName{"MenuReadingsWindowCallback", MenuReadingsWindowCallback},
    MenuName{"MenuExportBlockCallback", MenuExportBlockCallback},
    MenuName{"MenuExportTrendCallback", MenuExportTrendCallback},
    MenuName{"MenuCopyBlockCallback", MenuCopyBlockCallback},
    MenuName{"MenuCopyTrendCallback", MenuCopyTrendCallback},
    MenuName{"MenuSaveGraphCallback", MenuSaveGraphCallback},
    MenuName{"MenuClearTrendCallback", MenuClearTrendCallback},
    MenuName{"MenuIoMonitorCallback", MenuIoMonitorCallback},
    MenuName{"MenuScpiConsoleCallback", MenuScpiConsoleCallback},
    MenuName{"MenuLogReadingsCallback", MenuLogReadingsCallback},
};

}  // namespace

void register_data_callbacks() {
    for (const ControlName& c : control_names) uirt::RegisterCallback(c.name, c.callback);
    for (const MenuName& m : menu_names) uirt::RegisterMenuCallback(m.name, m.callback);
}

}  // namespace gu
