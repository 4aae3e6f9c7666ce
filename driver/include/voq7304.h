/* Q7304A DMM instrument driver: exported functions.
 * Every function returns a ViStatus: VI_SUCCESS, a VISA status, or one of
 * the driver's own codes below. */
#ifndef VOQ7304_H
#define VOQ7304_H

#include "visa.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Driver status codes (instrument-driver error range). */
#define VOQ7304_ERROR_PARAMETER1 ((ViStatus)0xBFFC0001)
#define VOQ7304_ERROR_PARAMETER2 ((ViStatus)0xBFFC0002)
#define VOQ7304_ERROR_PARAMETER3 ((ViStatus)0xBFFC0003)
#define VOQ7304_ERROR_PARAMETER4 ((ViStatus)0xBFFC0004)
#define VOQ7304_ERROR_PARAMETER5 ((ViStatus)0xBFFC0005)
#define VOQ7304_ERROR_PARAMETER6 ((ViStatus)0xBFFC0006)
#define VOQ7304_ERROR_PARAMETER7 ((ViStatus)0xBFFC0007)
#define VOQ7304_ERROR_FAIL_ID_QUERY ((ViStatus)0xBFFC0011)
#define VOQ7304_ERROR_INV_RESPONSE ((ViStatus)0xBFFC0012)
/* The instrument has recorded an error in its error queue. */
#define VOQ7304_ERROR_INSTR_ERROR_DETECTED ((ViStatus)0xBFFC0D07)

/* Measurement function codes (FUNC? / CONF? mapping). */
#define VOQ7304_FUNC_FREQ 0
#define VOQ7304_FUNC_PERIOD 1
#define VOQ7304_FUNC_RES_4W 2
#define VOQ7304_FUNC_RES_2W 3
#define VOQ7304_FUNC_VOLT_AC 4
#define VOQ7304_FUNC_VOLT_DC 5
#define VOQ7304_FUNC_CURR_AC 6
#define VOQ7304_FUNC_CURR_DC 7
#define VOQ7304_FUNC_VOLT_RATIO 8

/* Trigger source codes. */
#define VOQ7304_TRIG_BUS 0
#define VOQ7304_TRIG_EXT 1
#define VOQ7304_TRIG_IMM 2
#define VOQ7304_TRIG_TTLT0 3 /* 3..10: TTLT0..TTLT7 */

/* Math function codes. */
#define VOQ7304_CALC_NULL 0
#define VOQ7304_CALC_AVER 1
#define VOQ7304_CALC_LIM 2
#define VOQ7304_CALC_DBM 3
#define VOQ7304_CALC_DB 4

/* Questionable-data register selectors. */
#define VOQ7304_QUES_VOLT 401
#define VOQ7304_QUES_CURR 402
#define VOQ7304_QUES_RES 410
#define VOQ7304_QUES_LIM_LO 412
#define VOQ7304_QUES_LIM_HI 413

ViStatus voq7304_init(ViRsrc resourceName, ViBoolean idQuery, ViBoolean reset, ViPSession vi);
ViStatus voq7304_close(ViSession vi);
ViStatus voq7304_reset(ViSession vi);
ViStatus voq7304_self_test(ViSession vi, ViPInt16 result, ViChar message[]);
ViStatus voq7304_error_query(ViSession vi, ViPInt32 code, ViChar message[]);
ViStatus voq7304_error_message(ViSession vi, ViStatus status, ViChar message[]);
ViStatus voq7304_revision_query(ViSession vi, ViChar driverRev[], ViChar instrRev[]);
ViStatus voq7304_timeOut(ViSession vi, ViInt32 ms);
ViStatus voq7304_timeOut_Q(ViSession vi, ViPInt32 ms);
ViStatus voq7304_errorQueryDetect(ViSession vi, ViBoolean on);
ViStatus voq7304_errorQueryDetect_Q(ViSession vi, ViPBoolean on);
ViStatus voq7304_statCond_Q(ViSession vi, ViInt32 reg, ViPInt32 value);
ViStatus voq7304_statEven_Q(ViSession vi, ViInt32 reg, ViPInt32 value);
ViStatus voq7304_statEvenClr(ViSession vi);
ViStatus voq7304_configure(ViSession vi, ViInt16 function);
ViStatus voq7304_measure_Q(ViSession vi, ViInt16 function, ViPReal64 reading);
ViStatus voq7304_trigger(ViSession vi, ViInt16 source, ViBoolean autoDelay, ViReal64 delay,
                         ViInt32 trigCount, ViInt32 sampleCount, ViInt16 initiate);
ViStatus voq7304_trigger_Q(ViSession vi, ViPInt16 source, ViPBoolean autoDelay, ViPReal64 delay,
                           ViPInt32 trigCount, ViPInt32 sampleCount, ViPInt16 initiated);
ViStatus voq7304_confFreq(ViSession vi);
ViStatus voq7304_measFreq_Q(ViSession vi, ViPReal64 reading);
ViStatus voq7304_confFres(ViSession vi);
ViStatus voq7304_measFres_Q(ViSession vi, ViPReal64 reading);
ViStatus voq7304_confPer(ViSession vi);
ViStatus voq7304_measPer_Q(ViSession vi, ViPReal64 reading);
ViStatus voq7304_confRes(ViSession vi);
ViStatus voq7304_measRes_Q(ViSession vi, ViPReal64 reading);
ViStatus voq7304_confVoltDc(ViSession vi);
ViStatus voq7304_confVoltAc(ViSession vi);
ViStatus voq7304_measVoltAc_Q(ViSession vi, ViPReal64 reading);
ViStatus voq7304_measVoltDc_Q(ViSession vi, ViPReal64 reading);
/* count: on entry the number of readings the buffer holds; on exit the number read. */
ViStatus voq7304_fetc_Q(ViSession vi, ViReal64 readings[], ViPInt32 count);
ViStatus voq7304_timedFetch_Q(ViSession vi, ViInt32 timeoutMs, ViReal64 readings[],
                              ViPInt32 count);
ViStatus voq7304_readStatusByte_Q(ViSession vi, ViPUInt16 stb);
ViStatus voq7304_func(ViSession vi, ViInt16 function);
ViStatus voq7304_func_Q(ViSession vi, ViPInt16 function);
ViStatus voq7304_initImm(ViSession vi);
ViStatus voq7304_inpImpAuto(ViSession vi, ViBoolean on);
ViStatus voq7304_inpImpAuto_Q(ViSession vi, ViPBoolean on);
ViStatus voq7304_outpTtlt_M(ViSession vi, ViInt16 line, ViBoolean on);
ViStatus voq7304_outpTtlt_M_Q(ViSession vi, ViInt16 line, ViPBoolean on);
ViStatus voq7304_read_Q(ViSession vi, ViPReal64 reading);
ViStatus voq7304_resAper(ViSession vi, ViReal64 seconds);
ViStatus voq7304_resAper_Q(ViSession vi, ViPReal64 seconds);
ViStatus voq7304_resNplc(ViSession vi, ViReal64 plc);
ViStatus voq7304_resNplc_Q(ViSession vi, ViPReal64 plc);
ViStatus voq7304_resRang(ViSession vi, ViBoolean autoRange, ViReal64 range);
ViStatus voq7304_resRang_Q(ViSession vi, ViPBoolean autoRange, ViPReal64 range);
ViStatus voq7304_resRes(ViSession vi, ViReal64 resolution);
ViStatus voq7304_resRes_Q(ViSession vi, ViPReal64 resolution);
ViStatus voq7304_sampCoun(ViSession vi, ViInt32 count);
ViStatus voq7304_sampCoun_Q(ViSession vi, ViPInt32 count);
ViStatus voq7304_trigCoun(ViSession vi, ViInt32 count);
ViStatus voq7304_trigCoun_Q(ViSession vi, ViPInt32 count);
ViStatus voq7304_trigDel(ViSession vi, ViBoolean autoDelay, ViReal64 delay);
ViStatus voq7304_trigDel_Q(ViSession vi, ViPBoolean autoDelay, ViPReal64 delay);
ViStatus voq7304_trigSour(ViSession vi, ViInt16 source);
ViStatus voq7304_trigSour_Q(ViSession vi, ViPInt16 source);
ViStatus voq7304_voltAcRang(ViSession vi, ViBoolean autoRange, ViReal64 range);
ViStatus voq7304_voltAcRang_Q(ViSession vi, ViPBoolean autoRange, ViPReal64 range);
ViStatus voq7304_voltAcRes(ViSession vi, ViReal64 resolution);
ViStatus voq7304_voltAcRes_Q(ViSession vi, ViPReal64 resolution);
ViStatus voq7304_voltDcAper(ViSession vi, ViReal64 seconds);
ViStatus voq7304_voltDcAper_Q(ViSession vi, ViPReal64 seconds);
ViStatus voq7304_voltDcRang(ViSession vi, ViBoolean autoRange, ViReal64 range);
ViStatus voq7304_voltDcRang_Q(ViSession vi, ViPBoolean autoRange, ViPReal64 range);
ViStatus voq7304_voltDcRes(ViSession vi, ViReal64 resolution);
ViStatus voq7304_voltDcRes_Q(ViSession vi, ViPReal64 resolution);
ViStatus voq7304_currDcAper(ViSession vi, ViReal64 seconds);
ViStatus voq7304_currDcAper_Q(ViSession vi, ViPReal64 seconds);
ViStatus voq7304_currDcNplc(ViSession vi, ViReal64 plc);
ViStatus voq7304_currDcNplc_Q(ViSession vi, ViPReal64 plc);
ViStatus voq7304_currDcRang(ViSession vi, ViBoolean autoRange, ViReal64 range);
ViStatus voq7304_currDcRang_Q(ViSession vi, ViPBoolean autoRange, ViPReal64 range);
ViStatus voq7304_currDcRes(ViSession vi, ViReal64 resolution);
ViStatus voq7304_currDcRes_Q(ViSession vi, ViPReal64 resolution);
ViStatus voq7304_opc(ViSession vi);
ViStatus voq7304_opc_Q(ViSession vi, ViPBoolean complete);
ViStatus voq7304_dcl(ViSession vi);
ViStatus voq7304_trg(ViSession vi);
ViStatus voq7304_wai(ViSession vi);
ViStatus voq7304_conf_Q(ViSession vi, ViPInt32 function, ViPBoolean autoRange, ViPReal64 range,
                        ViPReal64 resolution, ViPReal64 integration);
ViStatus voq7304_calZeroAuto(ViSession vi, ViInt16 on);
ViStatus voq7304_calZeroAuto_Q(ViSession vi, ViPInt16 on);
ViStatus voq7304_abor(ViSession vi);
ViStatus voq7304_calLfr(ViSession vi, ViInt16 hz);
ViStatus voq7304_calLfr_Q(ViSession vi, ViPInt16 hz);
ViStatus voq7304_systLfr(ViSession vi, ViInt16 hz);
ViStatus voq7304_systLfr_Q(ViSession vi, ViPInt16 hz);
ViStatus voq7304_voltDcNplc(ViSession vi, ViReal64 plc);
ViStatus voq7304_voltDcNplc_Q(ViSession vi, ViPReal64 plc);
ViStatus voq7304_confCurrAc(ViSession vi);
ViStatus voq7304_measCurrAc_Q(ViSession vi, ViPReal64 reading);
ViStatus voq7304_confCurrDc(ViSession vi);
ViStatus voq7304_measCurrDc_Q(ViSession vi, ViPReal64 reading);
ViStatus voq7304_confVoltDcRat(ViSession vi);
ViStatus voq7304_measVoltDcRat_Q(ViSession vi, ViPReal64 reading);
ViStatus voq7304_freqVoltRang(ViSession vi, ViBoolean autoRange, ViReal64 range);
ViStatus voq7304_freqVoltRang_Q(ViSession vi, ViPBoolean autoRange, ViPReal64 range);
ViStatus voq7304_freqAper(ViSession vi, ViReal64 seconds);
ViStatus voq7304_freqAper_Q(ViSession vi, ViPReal64 seconds);
ViStatus voq7304_perAper(ViSession vi, ViReal64 seconds);
ViStatus voq7304_perAper_Q(ViSession vi, ViPReal64 seconds);
ViStatus voq7304_detBand(ViSession vi, ViReal64 hz);
ViStatus voq7304_detBand_Q(ViSession vi, ViPReal64 hz);
ViStatus voq7304_calcAverAver_Q(ViSession vi, ViPReal64 value);
ViStatus voq7304_calcAverCoun_Q(ViSession vi, ViPInt32 count);
ViStatus voq7304_calcAverMax_Q(ViSession vi, ViPReal64 value);
ViStatus voq7304_calcAverMin_Q(ViSession vi, ViPReal64 value);
ViStatus voq7304_calcDbRef(ViSession vi, ViReal64 ref);
ViStatus voq7304_calcDbRef_Q(ViSession vi, ViPReal64 ref);
ViStatus voq7304_calcDbmRef(ViSession vi, ViReal64 ohms);
ViStatus voq7304_calcDbmRef_Q(ViSession vi, ViPReal64 ohms);
ViStatus voq7304_calcFunc(ViSession vi, ViInt16 function);
ViStatus voq7304_calcFunc_Q(ViSession vi, ViPInt16 function);
ViStatus voq7304_calcLimLow(ViSession vi, ViReal64 limit);
ViStatus voq7304_calcLimLow_Q(ViSession vi, ViPReal64 limit);
ViStatus voq7304_calcLimUpp(ViSession vi, ViReal64 limit);
ViStatus voq7304_calcLimUpp_Q(ViSession vi, ViPReal64 limit);
ViStatus voq7304_calcNullOffs(ViSession vi, ViReal64 offset);
ViStatus voq7304_calcNullOffs_Q(ViSession vi, ViPReal64 offset);
ViStatus voq7304_calcStat(ViSession vi, ViBoolean on);
ViStatus voq7304_calcStat_Q(ViSession vi, ViPBoolean on);
ViStatus voq7304_voltAcAper(ViSession vi, ViReal64 seconds);
ViStatus voq7304_voltAcAper_Q(ViSession vi, ViPReal64 seconds);
ViStatus voq7304_voltAcNplc(ViSession vi, ViReal64 plc);
ViStatus voq7304_voltAcNplc_Q(ViSession vi, ViPReal64 plc);
ViStatus voq7304_currAcRang(ViSession vi, ViBoolean autoRange, ViReal64 range);
ViStatus voq7304_currAcRang_Q(ViSession vi, ViPBoolean autoRange, ViPReal64 range);
ViStatus voq7304_currAcRes(ViSession vi, ViReal64 resolution);
ViStatus voq7304_currAcRes_Q(ViSession vi, ViPReal64 resolution);
ViStatus voq7304_perVoltRang(ViSession vi, ViBoolean autoRange, ViReal64 range);
ViStatus voq7304_perVoltRang_Q(ViSession vi, ViPBoolean autoRange, ViPReal64 range);
ViStatus voq7304_sample(ViSession vi, ViInt32 count, ViReal64 timer, ViInt16 source);
ViStatus voq7304_sample_Q(ViSession vi, ViPInt32 count, ViPReal64 timer, ViPInt16 source);
ViStatus voq7304_calInt_Q(ViSession vi, ViInt16 which, ViPReal64 value);
/* Pass-through: `command` goes out as one program message (LF appended); the query's reply
 * is cut to size - 1 characters and always terminated. */
ViStatus voq7304_cmd(ViSession vi, ViConstString command);
ViStatus voq7304_cmdString_Q(ViSession vi, ViConstString command, ViInt32 size, ViChar result[]);

#ifdef __cplusplus
}
#endif

#endif
