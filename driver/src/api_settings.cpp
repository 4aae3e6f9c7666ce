// Per-function range, resolution, aperture and integration settings.
#include <string>

#include "exports.hpp"
#include "ops.hpp"
#include "scpi_names.hpp"

using namespace voq;

// Range: "<f>:RANG:AUTO ON" or "<f>:RANG <v>"; the query reads AUTO? then RANG?.
ViStatus voq7304_voltDcRang(ViSession vi, ViBoolean a, ViReal64 r) {
    return set_range(vi, "VOLT:DC", a, r);
}
ViStatus voq7304_voltDcRang_Q(ViSession vi, ViPBoolean a, ViPReal64 r) {
    return get_range(vi, "VOLT:DC", a, r);
}
ViStatus voq7304_voltAcRang(ViSession vi, ViBoolean a, ViReal64 r) {
    return set_range(vi, "VOLT:AC", a, r);
}
ViStatus voq7304_voltAcRang_Q(ViSession vi, ViPBoolean a, ViPReal64 r) {
    return get_range(vi, "VOLT:AC", a, r);
}
ViStatus voq7304_currDcRang(ViSession vi, ViBoolean a, ViReal64 r) {
    return set_range(vi, "CURR:DC", a, r);
}
ViStatus voq7304_currDcRang_Q(ViSession vi, ViPBoolean a, ViPReal64 r) {
    return get_range(vi, "CURR:DC", a, r);
}
ViStatus voq7304_currAcRang(ViSession vi, ViBoolean a, ViReal64 r) {
    return set_range(vi, "CURR:AC", a, r);
}
ViStatus voq7304_currAcRang_Q(ViSession vi, ViPBoolean a, ViPReal64 r) {
    return get_range(vi, "CURR:AC", a, r);
}
ViStatus voq7304_resRang(ViSession vi, ViBoolean a, ViReal64 r) {
    return set_range(vi, "RES", a, r);
}
ViStatus voq7304_resRang_Q(ViSession vi, ViPBoolean a, ViPReal64 r) {
    return get_range(vi, "RES", a, r);
}
ViStatus voq7304_freqVoltRang(ViSession vi, ViBoolean a, ViReal64 r) {
    return set_range(vi, "FREQ:VOLT", a, r);
}
ViStatus voq7304_freqVoltRang_Q(ViSession vi, ViPBoolean a, ViPReal64 r) {
    return get_range(vi, "FREQ:VOLT", a, r);
}
ViStatus voq7304_perVoltRang(ViSession vi, ViBoolean a, ViReal64 r) {
    return set_range(vi, "PER:VOLT", a, r);
}
ViStatus voq7304_perVoltRang_Q(ViSession vi, ViPBoolean a, ViPReal64 r) {
    return get_range(vi, "PER:VOLT", a, r);
}

// Resolution: "<f>:RES <v>" / "<f>:RES?".
ViStatus voq7304_voltDcRes(ViSession vi, ViReal64 v) {
    return send_real(vi, "VOLT:DC:RES", v);
}
ViStatus voq7304_voltDcRes_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "VOLT:DC:RES?", v);
}
ViStatus voq7304_voltAcRes(ViSession vi, ViReal64 v) {
    return send_real(vi, "VOLT:AC:RES", v);
}
ViStatus voq7304_voltAcRes_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "VOLT:AC:RES?", v);
}
ViStatus voq7304_currDcRes(ViSession vi, ViReal64 v) {
    return send_real(vi, "CURR:DC:RES", v);
}
ViStatus voq7304_currDcRes_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "CURR:DC:RES?", v);
}
ViStatus voq7304_currAcRes(ViSession vi, ViReal64 v) {
    return send_real(vi, "CURR:AC:RES", v);
}
ViStatus voq7304_currAcRes_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "CURR:AC:RES?", v);
}
ViStatus voq7304_resRes(ViSession vi, ViReal64 v) {
    return send_real(vi, "RES:RES", v);
}
ViStatus voq7304_resRes_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "RES:RES?", v);
}

// Aperture in seconds: "<f>:APER <s>" / "<f>:APER?".
ViStatus voq7304_voltDcAper(ViSession vi, ViReal64 s) {
    return send_real(vi, "VOLT:DC:APER", s);
}
ViStatus voq7304_voltDcAper_Q(ViSession vi, ViPReal64 s) {
    return ask_real(vi, "VOLT:DC:APER?", s);
}
ViStatus voq7304_voltAcAper(ViSession vi, ViReal64 s) {
    return send_real(vi, "VOLT:AC:APER", s);
}
ViStatus voq7304_voltAcAper_Q(ViSession vi, ViPReal64 s) {
    return ask_real(vi, "VOLT:AC:APER?", s);
}
ViStatus voq7304_currDcAper(ViSession vi, ViReal64 s) {
    return send_real(vi, "CURR:DC:APER", s);
}
ViStatus voq7304_currDcAper_Q(ViSession vi, ViPReal64 s) {
    return ask_real(vi, "CURR:DC:APER?", s);
}
ViStatus voq7304_resAper(ViSession vi, ViReal64 s) {
    return send_real(vi, "RES:APER", s);
}
ViStatus voq7304_resAper_Q(ViSession vi, ViPReal64 s) {
    return ask_real(vi, "RES:APER?", s);
}
ViStatus voq7304_freqAper(ViSession vi, ViReal64 s) {
    return send_real(vi, "FREQ:APER", s);
}
ViStatus voq7304_freqAper_Q(ViSession vi, ViPReal64 s) {
    return ask_real(vi, "FREQ:APER?", s);
}
ViStatus voq7304_perAper(ViSession vi, ViReal64 s) {
    return send_real(vi, "PER:APER", s);
}
ViStatus voq7304_perAper_Q(ViSession vi, ViPReal64 s) {
    return ask_real(vi, "PER:APER?", s);
}

// Integration in power-line cycles: "<f>:NPLC <n>" / "<f>:NPLC?".
ViStatus voq7304_voltDcNplc(ViSession vi, ViReal64 n) {
    return send_real(vi, "VOLT:DC:NPLC", n);
}
ViStatus voq7304_voltDcNplc_Q(ViSession vi, ViPReal64 n) {
    return ask_real(vi, "VOLT:DC:NPLC?", n);
}
ViStatus voq7304_voltAcNplc(ViSession vi, ViReal64 n) {
    return send_real(vi, "VOLT:AC:NPLC", n);
}
ViStatus voq7304_voltAcNplc_Q(ViSession vi, ViPReal64 n) {
    return ask_real(vi, "VOLT:AC:NPLC?", n);
}
ViStatus voq7304_currDcNplc(ViSession vi, ViReal64 n) {
    return send_real(vi, "CURR:DC:NPLC", n);
}
ViStatus voq7304_currDcNplc_Q(ViSession vi, ViPReal64 n) {
    return ask_real(vi, "CURR:DC:NPLC?", n);
}
ViStatus voq7304_resNplc(ViSession vi, ViReal64 n) {
    return send_real(vi, "RES:NPLC", n);
}
ViStatus voq7304_resNplc_Q(ViSession vi, ViPReal64 n) {
    return ask_real(vi, "RES:NPLC?", n);
}

ViStatus voq7304_detBand(ViSession vi, ViReal64 hz) {
    return send_real(vi, "DET:BAND", hz);
}
ViStatus voq7304_detBand_Q(ViSession vi, ViPReal64 hz) {
    return ask_real(vi, "DET:BAND?", hz);
}

// Integration time (aperture, seconds) of function `which`; AC current has none.
ViStatus voq7304_calInt_Q(ViSession vi, ViInt16 which, ViPReal64 value) {
    if (!valid_function(which) || !kFunctions[which].has_aperture) return parameter_error(2);
    return ask_real(vi, std::string(kFunctions[which].node) + ":APER?", value, 3);
}
