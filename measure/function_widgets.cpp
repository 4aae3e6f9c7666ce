// The two function rings (main and configuration panel) and the unit routine.
#include <cstdio>

#include "driver_call.hpp"
#include "function_table.hpp"
#include "measurement.hpp"
#include "messages.hpp"
#include "reconfigure.hpp"

namespace gu {

namespace {

constexpr int FUNCTION_COMPANION = 21;  // the main panel's "Function" label

// The enabling of the range, aperture and resolution controls for function `f`.
void enable_range_and_aperture(int panel, int f) {
    const FunctionInfo* info = function_info(f);
    enable(ConfigAper, panel, aperture_settable(f));
    enable(ConfigRange, panel, info && info->range == RangeCtl::On && range_settable(f));
}
void enable_resolution(int panel, int f) {
    enable(ConfigResolution, panel, resolution_settable(f, get_int(ConfigRange, panel)));
}
void fill_lists(int panel) {
    send_each({ConfigResolution, ConfigRange, ConfigAper}, panel, MSG_FILL_LIST);
}
}  // namespace

void send_aperture(int panel, int f) {
    const FunctionInfo* info = function_info(f);
    send(ConfigAper, panel, info && info->aperture ? MSG_COMMIT : MSG_QUERY);
}

void resend_settings(int panel) {
    send_each({SampleCount, TrigSource, TrigAutoDelay}, panel, MSG_COMMIT);
    if (get_int(TrigAutoDelay, panel) == 0) send(TrigDelay, panel, MSG_COMMIT);
    send_each({TrigCount, CalAutoZero}, panel, MSG_COMMIT);
    send(CalcState, panel, MSG_COMMIT);
    send(InpAutoImp, panel, MSG_COMMIT);
}

int Function(int panel, int msg, void* data) {
    static Widget<int> w{"Function", Answers{MSG_SHOW, msg_set({7, 8, 9, 10, 11, 12, 13})},
                         FUNC_VOLT_DC};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            w.reset();
            w.visible(1);
            return 0;
        case MSG_COMMIT:
            w.read();
            FuncBase(panel);
            enable_range_and_aperture(panel, w.value);
            enable_resolution(panel, w.value);
            enable(ConfigResolDisp, panel, true);
            set_int(Function2, panel, w.value);
            fill_lists(panel);
            ConfigSend(panel);
            send_aperture(panel, w.value);
            resend_settings(panel);
            send_each({ConfigRange, ConfigResolution}, panel, MSG_QUERY);
            return 0;
        case MSG_QUERY:
            w.show();
            FuncBase(panel);
            set_int(Function2, panel, w.value);
            enable_range_and_aperture(panel, w.value);
            enable_resolution(panel, w.value);
            enable(ConfigResolDisp, panel, true);
            set_int(Function2, panel, w.value);
            fill_lists(panel);
            send_each({SampleCount, TrigSource, TrigAutoDelay, TrigDelay, TrigCount, CalAutoZero,
                       InpAutoImp},
                      panel, MSG_QUERY);
            w.get(data);
            return 0;
        case MSG_SHOW:
            w.visible(data);
            Binding{w.panel, FUNCTION_COMPANION}.visible(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

int Function2(int panel, int msg, void* data) {
    static Widget<int> w{"Function2", Answers{MSG_GET}, FUNC_VOLT_DC};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_COMMIT:
            w.read();
            set_int(Function, panel, w.value);
            FuncBase(panel);
            enable(ConfigRange, panel, true);
            enable_resolution(panel, w.value);
            enable_range_and_aperture(panel, w.value);
            enable(ConfigResolDisp, panel, true);
            fill_lists(panel);
            ConfigSend(panel);
            send_aperture(panel, w.value);
            resend_settings(panel);
            send_each({ConfigRange, ConfigResolution, ConfigResolDisp}, panel, MSG_QUERY);
            return 0;
        case MSG_QUERY: {
            w.show();
            int code = w.value;
            Function(panel, MSG_QUERY, &code);
            w.get(data);
            return 0;
        }
    }
    return w.common(panel, msg, data);
}

void FuncBase(int panel) {
    const int f = get_int(Function, panel);
    const bool math_on = get_int(CalcState, panel) == 1;
    const int math = get_int(CalcFunction, panel);
    const FunctionInfo* info = function_info(f);
    if (!info) {
        std::printf("invalid function in func_base: %d\n", f);
        return;
    }
    const char* unit = info->unit;
    if ((f == FUNC_VOLT_AC || f == FUNC_VOLT_DC) && math_on) {
        if (math == 3) unit = "dBm";
        if (math == 4) unit = "dB";
    }
    Units(panel, MSG_SET, const_cast<char*>(unit));
    reading_shows_none(panel);
}

}  // namespace gu
