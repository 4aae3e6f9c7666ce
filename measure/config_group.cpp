// Sending and reading back the function, range and resolution as a group.
#include "driver_call.hpp"
#include "messages.hpp"
#include "reconfigure.hpp"

namespace gu {

namespace {

void enable_resolution(int panel, int f, int range) {
    enable(ConfigResolution, panel, resolution_settable(f, range));
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
    const bool range_on = info->range != RangeCtl::Off && range_settable(info->code);
    enable(ConfigRange, panel, range_on);
    enable(ConfigResolution, panel,
           range_on && resolution_on && settable(resolution_row(info->code).set));
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

// The Configuration panel's OK and Apply: the configure call also resets the range, the
// counts, the trigger source and math in the instrument, so the panels' values go out again.
int ConfigApply(int panel) {
    const int f = get_int(Function2, panel);
    const int range = get_int(ConfigRange, panel);
    const int resolution = get_int(ConfigResolution, panel);
    ConfigSend(panel);
    if (range != 0 && in_list(range_row(f).items, range)) {
        set_int(ConfigRange, panel, range);
        send(ConfigRange, panel, MSG_COMMIT);
    }
    if (resolution_settable(f, range)) {
        set_int(ConfigResolution, panel, resolution);
        send(ConfigResolution, panel, MSG_COMMIT);
    }
    send_aperture(panel, f);
    resend_settings(panel);
    send_each({ConfigRange, ConfigResolution}, panel, MSG_QUERY);
    return 0;
}

// Cancel brings back the function, range, resolution and aperture the panel opened with:
// the function commit refills the lists and configures, then each of the others is sent.
int ConfigRemember(int panel, int mode) {
    static int function = FUNC_VOLT_DC, range = 0, resolution = 0, aperture_item = -1;
    static double exact_resolution = 0.0;
    int aper_panel = 0, aper_ctrl = 0;
    ConfigAper(panel, MSG_GET_PANEL, &aper_panel);
    ConfigAper(panel, MSG_GET_CTRL, &aper_ctrl);
    if (mode == MSG_GET) {
        function = get_int(Function2, panel);
        range = get_int(ConfigRange, panel);
        resolution = get_int(ConfigResolution, panel);
        exact_resolution = get_double(ConfigResolDisp, panel);
        uirt::GetCtrlIndex(aper_panel, aper_ctrl, &aperture_item);
        return 0;
    }
    set_int(Function2, panel, function);
    send(Function2, panel, MSG_COMMIT);
    if (aperture_item >= 0 && in_list(aperture_row(function).items, aperture_item) &&
        function_info(function)->aperture) {
        uirt::SetCtrlIndex(aper_panel, aper_ctrl, aperture_item);
        send(ConfigAper, panel, MSG_COMMIT);
    }
    set_int(ConfigRange, panel, range);
    send(ConfigRange, panel, MSG_COMMIT);
    set_int(ConfigResolution, panel, resolution);
    const ResolutionRow& row = resolution_row(function);
    if (row.query.fn && exact_resolution > 0.0) {
        // The value the instrument had, which need not be a list item.
        call_ok(row.set, exact_resolution);
        send(ConfigResolDisp, panel, MSG_QUERY);
    } else {
        send(ConfigResolution, panel, MSG_COMMIT);
    }
    return 0;
}

}  // namespace gu
