// Function and configuration, measurements and readings.
#include <string>

#include "exports.hpp"
#include "link.hpp"
#include "ops.hpp"
#include "readings.hpp"
#include "scpi_names.hpp"
#include "scpi_parse.hpp"
#include "session.hpp"

using namespace voq;

namespace {

ViStatus configure(ViSession vi, int function) {
    return send(vi, "CONF:" + std::string(kFunctions[function].conf));
}

ViStatus measure(ViSession vi, int function, ViPReal64 reading, int position = 2) {
    if (reading == nullptr) return parameter_error(position);
    return fetch_reading(vi, ("MEAS:" + std::string(kFunctions[function].conf) + "?").c_str(),
                         reading);
}

ViStatus check_buffer(ViReal64 readings[], ViPInt32 count, int position) {
    if (readings == nullptr) return parameter_error(position);
    if (count == nullptr || *count < 0) return parameter_error(position + 1);
    return VI_SUCCESS;
}

}  // namespace

ViStatus voq7304_configure(ViSession vi, ViInt16 function) {
    return valid_function(function) ? configure(vi, function) : parameter_error(2);
}

ViStatus voq7304_measure_Q(ViSession vi, ViInt16 function, ViPReal64 reading) {
    return valid_function(function) ? measure(vi, function, reading, 3) : parameter_error(2);
}

ViStatus voq7304_confFreq(ViSession vi) {
    return configure(vi, VOQ7304_FUNC_FREQ);
}
ViStatus voq7304_confPer(ViSession vi) {
    return configure(vi, VOQ7304_FUNC_PERIOD);
}
ViStatus voq7304_confFres(ViSession vi) {
    return configure(vi, VOQ7304_FUNC_RES_4W);
}
ViStatus voq7304_confRes(ViSession vi) {
    return configure(vi, VOQ7304_FUNC_RES_2W);
}
ViStatus voq7304_confVoltAc(ViSession vi) {
    return configure(vi, VOQ7304_FUNC_VOLT_AC);
}
ViStatus voq7304_confVoltDc(ViSession vi) {
    return configure(vi, VOQ7304_FUNC_VOLT_DC);
}
ViStatus voq7304_confCurrAc(ViSession vi) {
    return configure(vi, VOQ7304_FUNC_CURR_AC);
}
ViStatus voq7304_confCurrDc(ViSession vi) {
    return configure(vi, VOQ7304_FUNC_CURR_DC);
}
ViStatus voq7304_confVoltDcRat(ViSession vi) {
    return configure(vi, VOQ7304_FUNC_VOLT_RATIO);
}

ViStatus voq7304_measFreq_Q(ViSession vi, ViPReal64 r) {
    return measure(vi, VOQ7304_FUNC_FREQ, r);
}
ViStatus voq7304_measPer_Q(ViSession vi, ViPReal64 r) {
    return measure(vi, VOQ7304_FUNC_PERIOD, r);
}
ViStatus voq7304_measFres_Q(ViSession vi, ViPReal64 r) {
    return measure(vi, VOQ7304_FUNC_RES_4W, r);
}
ViStatus voq7304_measRes_Q(ViSession vi, ViPReal64 r) {
    return measure(vi, VOQ7304_FUNC_RES_2W, r);
}
ViStatus voq7304_measVoltAc_Q(ViSession vi, ViPReal64 r) {
    return measure(vi, VOQ7304_FUNC_VOLT_AC, r);
}
ViStatus voq7304_measVoltDc_Q(ViSession vi, ViPReal64 r) {
    return measure(vi, VOQ7304_FUNC_VOLT_DC, r);
}
ViStatus voq7304_measCurrAc_Q(ViSession vi, ViPReal64 r) {
    return measure(vi, VOQ7304_FUNC_CURR_AC, r);
}
ViStatus voq7304_measCurrDc_Q(ViSession vi, ViPReal64 r) {
    return measure(vi, VOQ7304_FUNC_CURR_DC, r);
}
ViStatus voq7304_measVoltDcRat_Q(ViSession vi, ViPReal64 r) {
    return measure(vi, VOQ7304_FUNC_VOLT_RATIO, r);
}

ViStatus voq7304_func(ViSession vi, ViInt16 function) {
    if (!valid_function(function)) return parameter_error(2);
    return send(vi, "FUNC \"" + std::string(kFunctions[function].quoted) + "\"");
}

ViStatus voq7304_func_Q(ViSession vi, ViPInt16 function) {
    return ask_choice(vi, "FUNC?", function_code, function);
}

ViStatus voq7304_conf_Q(ViSession vi, ViPInt32 function, ViPBoolean autoRange, ViPReal64 range,
                        ViPReal64 resolution, ViPReal64 integration) {
    if (function == nullptr) return parameter_error(2);
    if (autoRange == nullptr) return parameter_error(3);
    if (range == nullptr) return parameter_error(4);
    if (resolution == nullptr) return parameter_error(5);
    if (integration == nullptr) return parameter_error(6);
    const Link link(vi);
    std::string reply;
    ViStatus status = link.query("CONF?", reply);
    if (status < 0) return status;
    const auto conf = parse_configuration(reply);
    if (!conf) return link.complete(VOQ7304_ERROR_INV_RESPONSE);
    const FunctionInfo& info = kFunctions[conf->function];
    bool automatic = false;
    double aperture = 0.0;
    status = link.query_bool(std::string(info.range) + ":RANG:AUTO?", automatic);
    if (status >= 0 && info.has_aperture) {
        status = link.query_double(std::string(info.node) + ":APER?", aperture);
    }
    if (status >= 0) {
        *function = conf->function;
        *autoRange = automatic ? VI_TRUE : VI_FALSE;
        *range = conf->range;
        *resolution = conf->resolution;
        *integration = aperture;
    }
    return link.complete(status);
}

ViStatus voq7304_initImm(ViSession vi) {
    return send(vi, "INIT");
}
ViStatus voq7304_abor(ViSession vi) {
    return send(vi, "ABOR");
}

ViStatus voq7304_read_Q(ViSession vi, ViPReal64 reading) {
    if (reading == nullptr) return parameter_error(2);
    return fetch_reading(vi, "READ?", reading);
}

ViStatus voq7304_fetc_Q(ViSession vi, ViReal64 readings[], ViPInt32 count) {
    if (const ViStatus status = check_buffer(readings, count, 2); status < 0) return status;
    return fetch_readings(vi, "FETC?", readings, count);
}

ViStatus voq7304_timedFetch_Q(ViSession vi, ViInt32 timeoutMs, ViReal64 readings[],
                              ViPInt32 count) {
    if (timeoutMs < 0) return parameter_error(2);
    if (const ViStatus status = check_buffer(readings, count, 3); status < 0) return status;
    TimeoutOverride timeout(vi, static_cast<ViUInt32>(timeoutMs));
    if (timeout.status() < 0) return timeout.status();
    const ViStatus status = fetch_readings(vi, "FETC?", readings, count);
    const ViStatus restored = timeout.restore();
    return status < 0 ? status : (restored < 0 ? restored : status);
}
