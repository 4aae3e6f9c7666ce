#include "reading_record.hpp"

#include <cstdio>
#include <string_view>

#include "block_stats.hpp"
#include "config_tables.hpp"
#include "driver_call.hpp"
#include "function_table.hpp"
#include "measurement.hpp"
#include "messages.hpp"
#include "reading_log.hpp"
#include "readings_window.hpp"
#include "trend.hpp"

namespace gu {

namespace {

constexpr int BLOCK_STATS_CTRL = 22;  // main panel, under the graph
constexpr const char* MODEL = "Q7304A";

BlockRecord block;
WallTime block_start{};

Binding binding_of(Handler widget) {
    Binding b;
    widget(0, MSG_GET_CTRL, &b.ctrl);
    widget(0, MSG_GET_PANEL, &b.panel);
    return b;
}

std::string ring_label(const Binding& b) {
    int index = -1;
    if (b.panel <= 0 || uirt::GetCtrlIndex(b.panel, b.ctrl, &index) != 0 || index < 0) return {};
    char label[NAME_SIZE]{};
    uirt::GetLabelFromIndex(b.panel, b.ctrl, index, label, sizeof label);
    return label;
}
std::string ring_label(Handler widget) {
    return ring_label(binding_of(widget));
}

std::string control_text(Handler widget) {
    const Binding b = binding_of(widget);
    char text[NAME_SIZE]{};
    if (b.panel > 0) uirt::GetCtrlVal(b.panel, b.ctrl, text, sizeof text);
    return text;
}

// The unit of each function's range and resolution, in SI symbols.
constexpr const char* BASE_UNITS[FUNCTION_COUNT] = {"Hz", "s", "\u03a9", "\u03a9", "V",
                                                    "V",  "A", "A",       ""};

// A ring label with its unit in SI symbols: "20.0 mS" is 20.0 ms, "3 uV" 3 \u00b5V,
// "1 kOhm" 1 k\u03a9.
std::string si_label(const std::string& label) {
    const auto space = label.rfind(' ');
    if (space == std::string::npos) return label;
    std::string unit = label.substr(space + 1);
    if (unit == "S" || (unit.size() == 2 && unit[1] == 'S')) unit.back() = 's';  // seconds
    if (unit.size() > 1 && unit[0] == 'u') unit.replace(0, 1, "\u00b5");
    if (const auto ohm = unit.find("Ohm"); ohm != std::string::npos) unit.replace(ohm, 3, "\u03a9");
    return label.substr(0, space + 1) + unit;
}

// The resolution the instrument reports; where it reports none, the one chosen on the panel.
std::string resolution_text(int function_code) {
    const char* unit = function_info(function_code) ? BASE_UNITS[function_code] : "";
    const double reported = get_double(ConfigResolDisp, 0);
    if (livemode && settable(resolution_row(function_code).query) && reported > 0.0) {
        std::string text = engineering(reported, unit, 6);
        // Trailing zeros of the fixed digits say nothing: "3.00000 \u00b5V" is 3 \u00b5V.
        const auto space = text.find(' ');
        auto end = text.find_last_not_of('0', space - 1);
        if (text[end] == '.') --end;
        return text.erase(end + 1, space - end - 1);
    }
    const Binding resolution = binding_of(ConfigResolution);
    int dimmed = 0;
    uirt::GetCtrlAttribute(resolution.panel, resolution.ctrl, uirt::ATTR_DIMMED, &dimmed);
    return dimmed ? "n/a" : si_label(ring_label(resolution));
}

void show_stats_text() {
    const std::string text =
        block.present ? stats_text(reading_stats(block.values), block.settings.unit) : "";
    uirt::SetCtrlVal(main_panel, BLOCK_STATS_CTRL, text.c_str());
}

}  // namespace

SettingsSnapshot take_snapshot() {
    SettingsSnapshot s;
    s.identity = std::string(MODEL) + " " + (rsrc_name[0] ? rsrc_name : "(not connected)");
    const std::string revision = control_text(DriverVer);
    if (!revision.empty() && revision != "?") s.identity += " revision " + revision;
    s.function_code = get_int(Function, 0);
    s.function = ring_label({main_panel, FUNCTION_RING});  // Function answers no MSG_GET_CTRL
    s.unit = control_text(Units);
    s.range = si_label(ring_label(ConfigRange));
    s.resolution = resolution_text(s.function_code);
    s.aperture = si_label(ring_label(ConfigAper));
    s.trigger_source = ring_label(TrigSource);
    s.trigger_count = get_int(TrigCount, 0);
    s.sample_count = get_int(SampleCount, 0);
    if (get_int(TrigAutoDelay, 0)) {
        s.trigger_delay = "auto";
    } else {
        char text[32];
        std::snprintf(text, sizeof text, "%g s", get_double(TrigDelay, 0));
        s.trigger_delay = text;
    }
    return s;
}

const BlockRecord& last_block() {
    return block;
}

void block_started() {
    block_start = std::chrono::system_clock::now();
}

void block_taken(const double* values, int count) {
    block.present = count > 0;
    block.values.assign(values, values + (count > 0 ? count : 0));
    block.settings = take_snapshot();
    block.start = block_start;
    show_stats_text();
    readings_view_block_changed();
    reading_log_add(values, count, block.settings.function_code, block.settings.unit);
    if (auto_update && count > 0) {
        trend_add(values, count, block.settings.function_code, block.settings.unit);
        readings_view_trend_changed();
    }
}

void reading_taken(double value) {
    const int function_code = get_int(Function, 0);
    const std::string unit = control_text(Units);
    reading_log_add(&value, 1, function_code, unit);
    if (!auto_update) return;
    trend_add(&value, 1, function_code, unit);
    readings_view_trend_changed();
}

void block_cleared() {
    if (!block.present) return;
    block.present = false;
    block.values.clear();
    show_stats_text();
    readings_view_block_changed();
}

void show_block_stats(bool on) {
    uirt::SetCtrlAttribute(main_panel, BLOCK_STATS_CTRL, uirt::ATTR_CTRL_VISIBLE, on ? 1 : 0);
}

}  // namespace gu
