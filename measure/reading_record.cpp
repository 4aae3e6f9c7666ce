#include "reading_record.hpp"

#include <cstdio>

#include "block_stats.hpp"
#include "function_table.hpp"
#include "measurement.hpp"
#include "messages.hpp"
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
    s.range = ring_label(ConfigRange);
    // The resolution applies only where its control is usable.
    const Binding resolution = binding_of(ConfigResolution);
    int dimmed = 0;
    uirt::GetCtrlAttribute(resolution.panel, resolution.ctrl, uirt::ATTR_DIMMED, &dimmed);
    s.resolution = dimmed ? "n/a" : ring_label(ConfigResolution);
    s.aperture = ring_label(ConfigAper);
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
    if (auto_update && count > 0) {
        trend_add(values, count, block.settings.function_code, block.settings.unit);
        readings_view_trend_changed();
    }
}

void reading_taken(double value) {
    if (!auto_update) return;
    trend_add(&value, 1, get_int(Function, 0), control_text(Units));
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
