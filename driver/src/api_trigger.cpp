// Trigger and sample settings.
#include <cmath>
#include <string>

#include "exports.hpp"
#include "link.hpp"
#include "ops.hpp"
#include "scpi_names.hpp"
#include "session.hpp"

using namespace voq;

namespace {

constexpr ViInt16 kSampleSources = 2;  // 0 immediate, 1 timer

std::string delay_command(ViBoolean autoDelay, ViReal64 delay) {
    return autoDelay ? std::string("TRIG:DEL:AUTO ON") : "TRIG:DEL " + format_real(delay);
}

bool valid_source(ViInt16 source) {
    return source >= 0 && static_cast<std::size_t>(source) < kTriggerSources.size();
}

}  // namespace

ViStatus voq7304_trigSour(ViSession vi, ViInt16 source) {
    return send_choice(vi, "TRIG:SOUR", kTriggerSources, source);
}

ViStatus voq7304_trigSour_Q(ViSession vi, ViPInt16 source) {
    return ask_choice(vi, "TRIG:SOUR?", trigger_source_code, source);
}

ViStatus voq7304_trigCoun(ViSession vi, ViInt32 count) {
    return send_long(vi, "TRIG:COUN", count);
}
ViStatus voq7304_trigCoun_Q(ViSession vi, ViPInt32 count) {
    return ask_int32(vi, "TRIG:COUN?", count);
}
ViStatus voq7304_sampCoun(ViSession vi, ViInt32 count) {
    return send_long(vi, "SAMP:COUN", count);
}
ViStatus voq7304_sampCoun_Q(ViSession vi, ViPInt32 count) {
    return ask_int32(vi, "SAMP:COUN?", count);
}

ViStatus voq7304_trigDel(ViSession vi, ViBoolean autoDelay, ViReal64 delay) {
    if (!is_boolean(autoDelay)) return parameter_error(2);
    if (!autoDelay && !std::isfinite(delay)) return parameter_error(3);
    return send(vi, delay_command(autoDelay, delay));
}

ViStatus voq7304_trigDel_Q(ViSession vi, ViPBoolean autoDelay, ViPReal64 delay) {
    if (autoDelay == nullptr) return parameter_error(2);
    if (delay == nullptr) return parameter_error(3);
    const Link link(vi);
    bool automatic = false;
    double value = 0.0;
    ViStatus status = link.query_bool("TRIG:DEL:AUTO?", automatic);
    if (status >= 0) status = link.query_double("TRIG:DEL?", value);
    if (status >= 0) {
        *autoDelay = automatic ? VI_TRUE : VI_FALSE;
        *delay = value;
    }
    return link.complete(status);
}

ViStatus voq7304_trigger(ViSession vi, ViInt16 source, ViBoolean autoDelay, ViReal64 delay,
                         ViInt32 trigCount, ViInt32 sampleCount, ViInt16 initiate) {
    if (!valid_source(source)) return parameter_error(2);
    if (!is_boolean(autoDelay)) return parameter_error(3);
    if (!autoDelay && !std::isfinite(delay)) return parameter_error(4);
    const Link link(vi);
    const std::string commands[] = {
        "TRIG:SOUR " + std::string(kTriggerSources[source]),
        delay_command(autoDelay, delay),
        "TRIG:COUN " + std::to_string(trigCount),
        "SAMP:COUN " + std::to_string(sampleCount),
    };
    ViStatus status = VI_SUCCESS;
    for (const auto& command : commands)
        if ((status = link.write(command)) < 0) return status;
    if (initiate != 0 && (status = link.write("INIT")) < 0) return status;
    update_session(vi, [initiate](SessionState& state) { state.initiated = initiate != 0; });
    return link.complete(status);
}

ViStatus voq7304_trigger_Q(ViSession vi, ViPInt16 source, ViPBoolean autoDelay, ViPReal64 delay,
                           ViPInt32 trigCount, ViPInt32 sampleCount, ViPInt16 initiated) {
    if (source == nullptr) return parameter_error(2);
    if (autoDelay == nullptr) return parameter_error(3);
    if (delay == nullptr) return parameter_error(4);
    if (trigCount == nullptr) return parameter_error(5);
    if (sampleCount == nullptr) return parameter_error(6);
    if (initiated == nullptr) return parameter_error(7);
    ViStatus status = voq7304_trigSour_Q(vi, source);
    if (status >= 0) status = voq7304_trigDel_Q(vi, autoDelay, delay);
    if (status >= 0) status = voq7304_trigCoun_Q(vi, trigCount);
    if (status >= 0) status = voq7304_sampCoun_Q(vi, sampleCount);
    if (status >= 0) *initiated = session_state(vi).initiated ? 1 : 0;
    return status;
}

// The sample count goes to the instrument; its command set has no sample timer or sample
// source, so the driver keeps those two for the session.
ViStatus voq7304_sample(ViSession vi, ViInt32 count, ViReal64 timer, ViInt16 source) {
    if (!std::isfinite(timer) || timer < 0.0) return parameter_error(3);
    if (source < 0 || source >= kSampleSources) return parameter_error(4);
    const ViStatus status = voq7304_sampCoun(vi, count);
    if (status >= 0) {
        update_session(vi, [&](SessionState& state) {
            state.sample_timer = timer;
            state.sample_source = source;
        });
    }
    return status;
}

ViStatus voq7304_sample_Q(ViSession vi, ViPInt32 count, ViPReal64 timer, ViPInt16 source) {
    if (count == nullptr) return parameter_error(2);
    if (timer == nullptr) return parameter_error(3);
    if (source == nullptr) return parameter_error(4);
    const ViStatus status = voq7304_sampCoun_Q(vi, count);
    if (status >= 0) {
        const SessionState state = session_state(vi);
        *timer = state.sample_timer;
        *source = state.sample_source;
    }
    return status;
}
