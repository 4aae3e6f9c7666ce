// Math functions, their parameters and statistics.
#include "exports.hpp"
#include "ops.hpp"
#include "scpi_names.hpp"

using namespace voq;

ViStatus voq7304_calcStat(ViSession vi, ViBoolean on) {
    return send_switch(vi, "CALC:STAT", on);
}
ViStatus voq7304_calcStat_Q(ViSession vi, ViPBoolean on) {
    return ask_switch(vi, "CALC:STAT?", on);
}

ViStatus voq7304_calcFunc(ViSession vi, ViInt16 function) {
    return send_choice(vi, "CALC:FUNC", kCalcFunctions, function);
}
ViStatus voq7304_calcFunc_Q(ViSession vi, ViPInt16 function) {
    return ask_choice(vi, "CALC:FUNC?", calc_function_code, function);
}

ViStatus voq7304_calcNullOffs(ViSession vi, ViReal64 v) {
    return send_real(vi, "CALC:NULL:OFFS", v);
}
ViStatus voq7304_calcNullOffs_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "CALC:NULL:OFFS?", v);
}
ViStatus voq7304_calcLimLow(ViSession vi, ViReal64 v) {
    return send_real(vi, "CALC:LIM:LOW", v);
}
ViStatus voq7304_calcLimLow_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "CALC:LIM:LOW?", v);
}
ViStatus voq7304_calcLimUpp(ViSession vi, ViReal64 v) {
    return send_real(vi, "CALC:LIM:UPP", v);
}
ViStatus voq7304_calcLimUpp_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "CALC:LIM:UPP?", v);
}
ViStatus voq7304_calcDbmRef(ViSession vi, ViReal64 v) {
    return send_real(vi, "CALC:DBM:REF", v);
}
ViStatus voq7304_calcDbmRef_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "CALC:DBM:REF?", v);
}
ViStatus voq7304_calcDbRef(ViSession vi, ViReal64 v) {
    return send_real(vi, "CALC:DB:REF", v);
}
ViStatus voq7304_calcDbRef_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "CALC:DB:REF?", v);
}

ViStatus voq7304_calcAverMin_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "CALC:AVER:MIN?", v);
}
ViStatus voq7304_calcAverMax_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "CALC:AVER:MAX?", v);
}
ViStatus voq7304_calcAverAver_Q(ViSession vi, ViPReal64 v) {
    return ask_real(vi, "CALC:AVER:AVER?", v);
}
ViStatus voq7304_calcAverCoun_Q(ViSession vi, ViPInt32 n) {
    return ask_int32(vi, "CALC:AVER:COUN?", n);
}
