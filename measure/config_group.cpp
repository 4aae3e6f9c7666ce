// Sending and reading back the function, range and resolution as a group.
#include "driver_call.hpp"
#include "messages.hpp"

namespace gu {

namespace {

void enable_resolution(int panel, int f, int range) {
    enable(ConfigResolution, panel, resolution_usable(f, range));
}
bool in_list(std::span<const Item> items, int index) {
    return index >= 0 && index < static_cast<int>(items.size());
}

}  // namespace

int RangeSend(int panel) {
    const int f = get_int(Function2, panel);
    const int r = get_int(ConfigRange, panel);
    enable_resolution(panel, f, r);
    const RangeRow& row = range_row(f);
    if (in_list(row.items, r))
        call_ok(row.set, static_cast<ViBoolean>(r == 0 ? 1 : 0), row.items[r].value);
    return 0;
}

int RangeGet(int panel) {
    const int f = get_int(Function2, panel);
    int r = get_int(ConfigRange, panel);  // kept when nothing is reported
    const RangeRow& row = range_row(f);
    ViBoolean auto_range = 0;
    ViReal64 reported = 0.0;
    if (call_ok(row.query, &auto_range, &reported)) {
        r = auto_range ? 0 : 1 + first_below(row.steps, reported);
        set_int(ConfigRange, panel, r);
    }
    enable_resolution(panel, f, r);
    return 0;
}

int ResolutionSend(int panel) {
    const int f = get_int(Function2, panel);
    get_int(ConfigRange, panel);
    if (!livemode) return 0;
    const int i = get_int(ConfigResolution, panel);
    const ResolutionRow& row = resolution_row(f);
    if (in_list(row.items, i)) call_ok(row.set, row.items[i].value);
    return 0;
}

int ConfigSend(int panel) {
    const bool resolution_on = get_int(ConfigRange, panel) != 0;
    const FunctionInfo* info = function_info(get_int(Function2, panel));
    if (!info) return 0;
    drv_call(info->configure_label, *info->configure);
    set_int(ConfigRange, panel, 0);
    const bool range_on = info->range != RangeCtl::Off;
    enable(ConfigRange, panel, range_on);
    enable(ConfigResolution, panel, range_on && resolution_on);
    return 0;
}

int ConfigGet(int panel) {
    if (livemode) {
        ViInt32 function = 0;
        ViBoolean auto_range = 0;
        ViReal64 range = 0.0, resolution = 0.0, integration = 0.0;
        const int status = drv_call("vo_conf_Q", vo_conf_Q, &function, &auto_range, &range,
                                    &resolution, &integration);
        if (status != 0) return status;
        set_int(Function2, panel, function);
        set_int(Function, panel, function);
    }
    send_each({Function, ConfigRange, ConfigResolDisp, ConfigAper}, panel, MSG_QUERY);
    return 0;
}

int ConfigRemember(int panel, int mode) {
    // The function commit sends the aperture again; ConfigAper is only restored.
    static Remembered<4> saved{{Function2, ConfigRange, ConfigResolution, ConfigAper},
                               {Function2, ConfigRange, ConfigResolution, nullptr}};
    return saved.run(panel, mode);
}

}  // namespace gu
