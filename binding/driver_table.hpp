// The driver entry-point table: one pointer vo_<op> per driver operation, each with a
// no-op fallback voe_<op> of the same argument list (writes nothing, returns 0).
// The types come from the driver's published prototypes; the program never links the
// driver and binds the pointers by name at run time.
#pragma once

#include "voq7304.h"

// X(op): operations looked up in the driver module, in lookup order (119). The three
// operations whose exported name differs from voq7304_<op> are listed with their names.
#define GU_LOOKED_UP_OPS(X, XN)                                                          \
    X(close) X(reset) X(self_test) X(error_query) X(error_message) X(revision_query)     \
    X(timeOut) X(timeOut_Q) X(errorQueryDetect) X(errorQueryDetect_Q) X(statCond_Q)      \
    X(statEven_Q) X(statEvenClr) X(configure) X(measure_Q) X(trigger) X(trigger_Q)       \
    X(confFreq) X(measFreq_Q) X(confFres) X(measFres_Q) X(confPer) X(measPer_Q)          \
    X(confRes) X(measRes_Q) X(confVoltDc) X(confVoltAc) X(measVoltAc_Q) X(fetc_Q)        \
    X(timedFetch_Q) XN(readStatusByte, readStatusByte_Q) X(func) X(func_Q) X(initImm)    \
    X(inpImpAuto) X(inpImpAuto_Q) XN(outpTtlt, outpTtlt_M) XN(outpTtlt_Q, outpTtlt_M_Q)  \
    X(read_Q) X(resAper) X(resAper_Q) X(resNplc) X(resNplc_Q) X(resRang) X(resRang_Q)    \
    X(resRes) X(resRes_Q) X(sampCoun) X(sampCoun_Q) X(trigCoun) X(trigCoun_Q)           \
    X(trigDel) X(trigDel_Q) X(trigSour) X(trigSour_Q) X(voltAcRang) X(voltAcRang_Q)      \
    X(voltAcRes) X(voltAcRes_Q) X(voltDcAper) X(voltDcAper_Q) X(voltDcRang)             \
    X(voltDcRang_Q) X(voltDcRes) X(voltDcRes_Q) X(currDcAper) X(currDcAper_Q)           \
    X(currDcNplc) X(currDcRang) X(currDcRang_Q) X(currDcRes) X(currDcRes_Q) X(opc)      \
    X(opc_Q) X(dcl) X(trg) X(wai) X(conf_Q) X(calZeroAuto) X(calZeroAuto_Q) X(abor)      \
    X(calLfr) X(calLfr_Q) X(systLfr) X(systLfr_Q) X(voltDcNplc_Q) X(voltDcNplc)          \
    X(confCurrAc) X(measCurrAc_Q) X(confCurrDc) X(measCurrDc_Q) X(confVoltDcRat)        \
    X(measVoltDcRat_Q) X(freqVoltRang) X(freqVoltRang_Q) X(freqAper) X(freqAper_Q)       \
    X(perAper) X(perAper_Q) X(detBand) X(detBand_Q) X(calcAverAver_Q) X(calcAverCoun_Q)  \
    X(calcAverMax_Q) X(calcAverMin_Q) X(calcDbRef) X(calcDbRef_Q) X(calcDbmRef)          \
    X(calcDbmRef_Q) X(calcFunc) X(calcFunc_Q) X(calcLimLow) X(calcLimLow_Q) X(calcLimUpp) \
    X(calcLimUpp_Q) X(calcNullOffs) X(calcNullOffs_Q) X(calcStat) X(calcStat_Q)

// Optional operations: bound when the module exports them; a module that lacks one keeps
// its fallback, with no message and live mode left on.
#define GU_OPTIONAL_OPS(X)                                                                 \
    X(voltAcAper) X(voltAcAper_Q) X(voltAcNplc) X(voltAcNplc_Q) X(currAcRang)            \
    X(currAcRang_Q) X(currAcRes) X(currAcRes_Q) X(currDcNplc_Q) X(perVoltRang)           \
    X(perVoltRang_Q) X(measVoltDc_Q) X(sample) X(sample_Q) X(calInt_Q) X(cmd)            \
    X(cmdString_Q)

namespace gu {

// Pointer type of operation `op`, from the driver prototype of the same stem.
#define GU_OP_TYPE(op) decltype(&::voq7304_##op)
#define GU_OP_TYPE_N(op, exported) decltype(&::voq7304_##exported)

#define GU_DECLARE_OP(op) extern GU_OP_TYPE(op) vo_##op;
#define GU_DECLARE_OP_N(op, exported) extern GU_OP_TYPE_N(op, exported) vo_##op;
GU_LOOKED_UP_OPS(GU_DECLARE_OP, GU_DECLARE_OP_N)
GU_OPTIONAL_OPS(GU_DECLARE_OP)
extern decltype(&::voq7304_init) vo_init;
#undef GU_DECLARE_OP
#undef GU_DECLARE_OP_N

// The system's own finder, bound to vo_findRsrc.
using FindRsrcFn = ViStatus (*)(ViInt16 max_count, char (*list)[80], ViConstString pattern,
                                ViPInt16 count);
extern FindRsrcFn vo_findRsrc;

// VISA entry points: null until bound, no fallbacks.
extern decltype(&::viOpenDefaultRM) OpenDefaultRM;
extern decltype(&::viFindRsrc) FindRsrc;
extern decltype(&::viFindNext) FindNext;
extern decltype(&::viOpen) ViOpen;
extern decltype(&::viClose) ViClose;
extern decltype(&::viPrintf) ViPrintf;
extern decltype(&::viScanf) ViScanf;
extern decltype(&::viRead) ViRead;
extern decltype(&::viWrite) ViWrite;
extern decltype(&::viGetAttribute) GetAttribute;

// Points every driver entry point at its fallback.
void set_fallbacks();
// VISA binding, then driver binding (only while livemode stays set).
void bind_visa();
void bind_driver();

}  // namespace gu
