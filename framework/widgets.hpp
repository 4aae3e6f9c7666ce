// Every widget handler, group function and shared routine of the program, so that any
// widget can message any other. Each is defined in the folder of its subsystem.
#pragma once

#include "widget.hpp"

namespace gu {

// ---- app/: start-up and main sequence -------------------------------------------------
int main(int argc, char** argv);  // the main sequence; returns the event loop's result
void initialize();
int pokeinitial();
int Reset();
void Sync();
int update();
void quit_sequence();  // confirmation, then close, unload and leave the event loop

// ---- binding/: instrument discovery ----------------------------------------------------
ViStatus voex_findRsrc(ViInt16 max_count, char (*list)[NAME_SIZE], ViConstString pattern,
                       ViPInt16 count);
const char* describe_rsrc(const char* rsrc);
int select_instrument(int count, char* dst);

// ---- framework/: deferred events, error reporting, panels ----------------------------------
int add_pending_event(uirt::CtrlCallbackPtr callback, int panel, int control, int event,
                      void* callback_data, int event_data1, int event_data2);
int process_pending_event();
int message_available();
inline int pending_count = 0;
void disable_auto_update();
inline constexpr int instr_error_detected = static_cast<int>(0xBFFC0D07);
int load_panels();

// ---- measure/: function, range, resolution, aperture, readings ------------------------------
int Function(int panel, int msg, void* data);
int Function2(int panel, int msg, void* data);
void FuncBase(int panel);
int Units(int panel, int msg, void* data);
int check_reading_type();
int ConfigRange(int panel, int msg, void* data);
int ConfigResolution(int panel, int msg, void* data);
int ConfigResolDisp(int panel, int msg, void* data);
int ConfigAper(int panel, int msg, void* data);
int RangeSend(int panel);
int RangeGet(int panel);
int ResolutionSend(int panel);
int ConfigSend(int panel);
int ConfigApply(int panel);
int ConfigGet(int panel);
int ConfigRemember(int panel, int mode);
int Reading(int panel, int msg, void* data);
int Readings(int panel, int msg, void* data);
int Timeout(int panel, int msg, void* data);
int Abort(int panel, int msg, void* data);
int Abort2(int panel, int msg, void* data);
int Fetch(int panel, int msg, void* data);
int SingleTrig(int panel, int msg, void* data);
int MultiTrig(int panel, int msg, void* data);
void finish_reading();
inline constexpr int READING_CAPACITY = 4096;

// ---- panels/: trigger and sample ---------------------------------------------------------
int TrigSource(int panel, int msg, void* data);
int TrigDelay(int panel, int msg, void* data);
int TrigAutoDelay(int panel, int msg, void* data);
int TrigCount(int panel, int msg, void* data);
int SampleCount(int panel, int msg, void* data);
int SignalSource(int panel, int msg, void* data);
int TrigSend(int panel);
int TrigGet(int panel);
int TrigRemember(int panel, int mode);
int SampSend(int panel);
int SampGet(int panel);
int SampRemember(int panel, int mode);

// ---- panels/: math -------------------------------------------------------------------------
int CalcState(int panel, int msg, void* data);
int CalcFunction(int panel, int msg, void* data);
int NullOffs(int panel, int msg, void* data);
int AverMin(int panel, int msg, void* data);
int AverMax(int panel, int msg, void* data);
int AverAverage(int panel, int msg, void* data);
int AverCount(int panel, int msg, void* data);
int LowerLimit(int panel, int msg, void* data);
int UpperLimit(int panel, int msg, void* data);
int dBmRef(int panel, int msg, void* data);
int dBRef(int panel, int msg, void* data);
void get_math_couplings(int panel, int show);
int MathGet(int panel);

// ---- panels/: input and output ----------------------------------------------------------------
int InpAutoImp(int panel, int msg, void* data);
int TtlTrg0(int panel, int msg, void* data);
int TtlTrg1(int panel, int msg, void* data);
int TtlTrg2(int panel, int msg, void* data);
int TtlTrg3(int panel, int msg, void* data);
int TtlTrg4(int panel, int msg, void* data);
int TtlTrg5(int panel, int msg, void* data);
int TtlTrg6(int panel, int msg, void* data);
int TtlTrg7(int panel, int msg, void* data);
int InpSend(int panel);
int InpGet(int panel);
int OutGet(int panel);
int InpRemember(int panel, int mode);

// ---- panels/: status, error queue and registers -----------------------------------------------
int ErrorVal(int panel, int msg, void* data);
int ErrorMsg(int panel, int msg, void* data);
int ErrorBtn(int panel, int msg, void* data);
int ErrorSend(int panel);
int StatusByte(int panel, int msg, void* data);
int CondVolt(int panel, int msg, void* data);
int CondCurr(int panel, int msg, void* data);
int CondResist(int panel, int msg, void* data);
int CondLimLo(int panel, int msg, void* data);
int CondLimHi(int panel, int msg, void* data);
int EventVolt(int panel, int msg, void* data);
int EventCurr(int panel, int msg, void* data);
int EventResist(int panel, int msg, void* data);
int EventLimLo(int panel, int msg, void* data);
int EventLimHi(int panel, int msg, void* data);
int ReadStatus(int panel, int msg, void* data);
int ClearStatus(int panel, int msg, void* data);
int CloseBtn(int panel, int msg, void* data);
int Stb(int panel, int msg, void* data);
int GetStatus(int panel, int msg, void* data);
int StatusRemember(int panel, int mode);
int OpcQuery(int panel, int msg, void* data);

// ---- panels/: self-test, calibration, identification, VXI ----------------------------------------
int SelfTest(int panel, int msg, void* data);
int SelfTestResults(int panel, int msg, void* data);
int CalAutoZero(int panel, int msg, void* data);
int CalLfr(int panel, int msg, void* data);
int DriverVer(int panel, int msg, void* data);
int DLLVer(int panel, int msg, void* data);
int VTLVer(int panel, int msg, void* data);
int AboutGet(int panel);
int VXILogAddr(int panel, int msg, void* data);
int VXISlot(int panel, int msg, void* data);
int VXIDest(int panel, int msg, void* data);
int VMEMem(int panel, int msg, void* data);

}  // namespace gu
