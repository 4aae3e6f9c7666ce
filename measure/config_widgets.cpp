// The range, resolution and aperture rings and the resolution-in-use indicator.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "driver_call.hpp"
#include "messages.hpp"

namespace gu {

namespace {

// Replaces the ring's items by `items`, valued by position or by the item's own value.
enum class ItemValue { Index, Value };
void fill(const Binding& b, std::span<const Item> items, ItemValue valued) {
    uirt::ClearListCtrl(b.panel, b.ctrl);
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        if (valued == ItemValue::Index)
            uirt::InsertListItem(b.panel, b.ctrl, i, items[i].label, i);
        else
            uirt::InsertListItem(b.panel, b.ctrl, i, items[i].label, items[i].value);
    }
}

int function_code(int panel) {
    return get_int(Function, panel);
}

// The list position of a reported value, never past the list's end.
int position(std::span<const double> steps, double v, std::size_t items) {
    return std::min(first_below(steps, v), static_cast<int>(items) - 1);
}

bool same_value(double a, double b) {
    return std::abs(a - b) <= 1e-9 * std::abs(b);
}

constexpr int DEFAULT_APERTURE_ITEM = 4;  // "16.7 mS"
constexpr int ITEM_LABEL_SIZE = 32;

}  // namespace

int ConfigRange(int panel, int msg, void* data) {
    static Widget<int> w{"ConfigRange", Answers{MSG_FILL_LIST}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            w.reset();
            w.enable(true);
            fill(w, VOLT_RANGES, ItemValue::Index);
            w.show();
            return 0;
        case MSG_COMMIT:
            w.read();
            RangeSend(panel);
            send(ConfigResolDisp, panel, MSG_QUERY);
            send(TrigDelay, panel, MSG_QUERY);
            return 0;
        case MSG_QUERY:
            RangeGet(panel);
            w.show();
            w.get(data);
            return 0;
        case MSG_FILL_LIST:
            fill(w, range_row(function_code(panel)).items, ItemValue::Index);
            return 0;
    }
    return w.common(panel, msg, data);
}

int ConfigResolution(int panel, int msg, void* data) {
    static Widget<int> w{"ConfigResolution", Answers{MSG_FILL_LIST}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            w.reset();
            w.enable(false);
            fill(w, VOLT_DC_RESOLUTIONS, ItemValue::Index);
            w.show();
            return 0;
        case MSG_COMMIT:
            w.read();
            ResolutionSend(panel);
            send(ConfigResolDisp, panel, MSG_QUERY);
            send(ConfigAper, panel, MSG_QUERY);
            return 0;
        case MSG_QUERY:
            w.show();
            w.get(data);
            send(ConfigResolDisp, panel, MSG_QUERY);
            return 0;
        case MSG_FILL_LIST:
            fill(w, resolution_row(function_code(panel)).items, ItemValue::Index);
            return 0;
    }
    return w.common(panel, msg, data);
}

int ConfigResolDisp(int panel, int msg, void* data) {
    static Widget<double> w{"ConfigResolDisp", Answers{MSG_ENABLE}, 0.0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_INIT:
            w.init(panel, data);
            w.format(uirt::VAL_SCIENTIFIC_FORMAT, 1);
            return 0;
        case MSG_DEFAULT:
            w.enable(true);
            return 0;
        case MSG_QUERY: {
            w.enable(true);
            if (livemode) {
                const ResolutionRow& row = resolution_row(function_code(panel));
                ViReal64 reported = 0.0;
                if (!settable(row.query)) {
                    w.enable(false);
                } else if (call_ok(row.query, &reported)) {
                    // The indicator keeps the exact value; the ring its nearest item.
                    w.value = reported;
                    const int item = nearest_in_ratio(row.items, reported);
                    if (item >= 0) set_int(ConfigResolution, panel, item);
                }
            }
            w.show();
            w.get(data);
            return 0;
        }
        case MSG_GET_CTRL:
            if (data) *static_cast<double*>(data) = w.ctrl;
            return 0;
        case MSG_GET_PANEL:
            if (data) *static_cast<double*>(data) = w.panel;
            return 0;
    }
    return w.common(panel, msg, data);
}

int ConfigAper(int panel, int msg, void* data) {
    static Widget<double> w{"ConfigAper", Answers{MSG_FILL_LIST}, 0.01667};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            w.value = w.def;
            uirt::SetCtrlIndex(w.panel, w.ctrl, DEFAULT_APERTURE_ITEM);
            w.enable(true);
            return 0;
        case MSG_COMMIT: {
            w.read();
            int k = 0;
            uirt::GetCtrlIndex(w.panel, w.ctrl, &k);
            if (!livemode) return 0;
            const ApertureRow& row = aperture_row(function_code(panel));
            if (!row.seconds.fn) {
                uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
                uirt::MessagePopup("Error", "Can not set aperture with current Function setting.");
            } else {
                call_ok(k < PLC_FIRST ? row.seconds : row.plc, w.value);
            }
            send(ConfigAper, panel, MSG_QUERY);
            send(ConfigResolution, panel, MSG_QUERY);
            return 0;
        }
        case MSG_QUERY: {
            const ApertureRow& row = aperture_row(function_code(panel));
            ViReal64 reported = 0.0;
            int k = -1;
            uirt::GetCtrlIndex(w.panel, w.ctrl, &k);
            if (k >= PLC_FIRST && k < static_cast<int>(row.items.size()) &&
                call_ok(row.plc_query, &reported) && same_value(reported, row.items[k].value)) {
                w.value = reported;  // the PLC count chosen is what the instrument uses
            } else if (call_ok(row.query, &reported)) {
                w.value = reported;
                uirt::SetCtrlIndex(w.panel, w.ctrl,
                                   position(row.steps, reported, row.items.size()));
            }
            w.get(data);
            return 0;
        }
        case MSG_SET: {
            if (data) w.value = *static_cast<const double*>(data);
            int index = -1;
            uirt::GetIndexFromValue(w.panel, w.ctrl, &index, w.value);
            if (index >= 0) uirt::SetCtrlIndex(w.panel, w.ctrl, index);
            return 0;
        }
        case MSG_FILL_LIST: {
            // The item chosen stays chosen where the new list offers it too.
            char chosen[ITEM_LABEL_SIZE] = "";
            int k = -1;
            uirt::GetCtrlIndex(w.panel, w.ctrl, &k);
            if (k >= 0) uirt::GetLabelFromIndex(w.panel, w.ctrl, k, chosen, sizeof chosen);
            // Otherwise the instrument's own after a configure, not the list's first.
            const ApertureRow& row = aperture_row(function_code(panel));
            fill(w, row.items, ItemValue::Value);
            int kept = row.default_item;
            for (int i = 0; i < static_cast<int>(row.items.size()); ++i) {
                if (std::string_view(row.items[i].label) == chosen) kept = i;
            }
            if (kept >= 0) uirt::SetCtrlIndex(w.panel, w.ctrl, kept);
            return 0;
        }
    }
    return w.common(panel, msg, data);
}

}  // namespace gu
