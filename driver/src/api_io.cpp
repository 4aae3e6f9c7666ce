// Input impedance, TTL trigger outputs, auto zero and line frequency.
#include <string>

#include "exports.hpp"
#include "ops.hpp"

using namespace voq;

namespace {

constexpr ViInt16 kTtlLines = 8;

std::string ttl_header(ViInt16 line) {
    return "OUTP:TTLT" + std::to_string(line);
}

bool valid_line_frequency(ViInt16 hz) {
    return hz == 50 || hz == 60 || hz == 400;
}

}  // namespace

ViStatus voq7304_inpImpAuto(ViSession vi, ViBoolean on) {
    return send_switch(vi, "INP:IMP:AUTO", on);
}
ViStatus voq7304_inpImpAuto_Q(ViSession vi, ViPBoolean on) {
    return ask_switch(vi, "INP:IMP:AUTO?", on);
}

ViStatus voq7304_outpTtlt_M(ViSession vi, ViInt16 line, ViBoolean on) {
    if (line < 0 || line >= kTtlLines) return parameter_error(2);
    return send_switch(vi, ttl_header(line), on, 3);
}

ViStatus voq7304_outpTtlt_M_Q(ViSession vi, ViInt16 line, ViPBoolean on) {
    if (line < 0 || line >= kTtlLines) return parameter_error(2);
    return ask_switch(vi, ttl_header(line) + "?", on, 3);
}

// 0 off, 1 on, 2 once (a single zero measurement, then off).
ViStatus voq7304_calZeroAuto(ViSession vi, ViInt16 on) {
    static constexpr std::string_view kModes[] = {"OFF", "ON", "ONCE"};
    return send_choice(vi, "ZERO:AUTO", kModes, on);
}

ViStatus voq7304_calZeroAuto_Q(ViSession vi, ViPInt16 on) {
    if (on == nullptr) return parameter_error(2);
    ViBoolean state = VI_FALSE;
    const ViStatus status = ask_switch(vi, "ZERO:AUTO?", &state);
    if (status >= 0 || status == VOQ7304_ERROR_INSTR_ERROR_DETECTED) *on = state;
    return status;
}

ViStatus voq7304_calLfr(ViSession vi, ViInt16 hz) {
    return valid_line_frequency(hz) ? send_long(vi, "CAL:LFR", hz) : parameter_error(2);
}
ViStatus voq7304_calLfr_Q(ViSession vi, ViPInt16 hz) {
    return ask_int16(vi, "CAL:LFR?", hz);
}

ViStatus voq7304_systLfr(ViSession vi, ViInt16 hz) {
    return valid_line_frequency(hz) ? send_long(vi, "SYST:LFR", hz) : parameter_error(2);
}
ViStatus voq7304_systLfr_Q(ViSession vi, ViPInt16 hz) {
    return ask_int16(vi, "SYST:LFR?", hz);
}
