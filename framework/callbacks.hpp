// Control callbacks: the user-interface events that reach the widgets. Most share one of
// a few shapes, made here once; the rest are functions of their own.
#pragma once

#include "widgets.hpp"

namespace gu {

enum class Defer {
    yes,   // while measuring, the event is parked in the deferred event queue
    no,    // acts even while measuring
    drop,  // ignored while measuring
};
enum class Scratch { none, number, integer, text };

constexpr std::uint32_t events(std::initializer_list<int> codes) { return msg_set(codes); }

// Sends `msg` to widget W on any event of `on`, with scratch data of kind S.
template <Handler W, Defer D, std::uint32_t On, int Msg, Scratch S>
int widget_callback(int panel, int control, int event, void* callback_data, int event_data1,
                    int event_data2) {
    const bool acts = event >= 0 && event <= 31 && (On & (1u << event));
    if (measuring) {
        // Only events the callback acts on wait: the others would do nothing on replay.
        if constexpr (D == Defer::yes)
            if (acts)
                add_pending_event(&widget_callback<W, D, On, Msg, S>, panel, control, event,
                                  callback_data, event_data1, event_data2);
        if constexpr (D != Defer::no) return 0;
    }
    if (!acts) return 0;
    if constexpr (S == Scratch::number) {
        double scratch = 0.0;
        W(panel, Msg, &scratch);
    } else if constexpr (S == Scratch::integer) {
        int scratch = 0;
        W(panel, Msg, &scratch);
    } else if constexpr (S == Scratch::text) {
        char scratch[NAME_SIZE] = {};
        W(panel, Msg, scratch);
    } else {
        W(panel, Msg, nullptr);
    }
    return 0;
}

inline constexpr std::uint32_t ON_COMMIT = events({uirt::EVENT_COMMIT});
inline constexpr std::uint32_t ON_CLICK = events({uirt::EVENT_LEFT_CLICK});
inline constexpr std::uint32_t ON_ANY_CLICK =
    events({uirt::EVENT_LEFT_CLICK, uirt::EVENT_LEFT_DOUBLE_CLICK});

// The standard shape: deferred while measuring, MSG_COMMIT on commit with a scratch double.
template <Handler W>
inline constexpr uirt::CtrlCallbackPtr standard =
    &widget_callback<W, Defer::yes, ON_COMMIT, MSG_COMMIT, Scratch::number>;

// A callback that does nothing.
int ignore_callback(int panel, int control, int event, void* callback_data, int event_data1,
                    int event_data2);

#define GU_CALLBACK(name, ...) inline constexpr uirt::CtrlCallbackPtr name = __VA_ARGS__;

// Standard shape.
GU_CALLBACK(FunctionCallback, standard<Function>)
GU_CALLBACK(Function2Callback, standard<Function2>)
GU_CALLBACK(InpAutoImpCallback, standard<InpAutoImp>)
GU_CALLBACK(TimeoutCallback, standard<Timeout>)
GU_CALLBACK(SignalSourceCallback, standard<SignalSource>)
GU_CALLBACK(CalcStateCallback, standard<CalcState>)
GU_CALLBACK(CalcFunctionCallback, standard<CalcFunction>)
GU_CALLBACK(NullOffsCallback, standard<NullOffs>)
GU_CALLBACK(UpperLimitCallback, standard<UpperLimit>)
GU_CALLBACK(LowerLimitCallback, standard<LowerLimit>)
GU_CALLBACK(dBRefCallback, standard<dBRef>)
GU_CALLBACK(dBmRefCallback, standard<dBmRef>)
GU_CALLBACK(TrigSourceCallback, standard<TrigSource>)
GU_CALLBACK(TrigDelayCallback, standard<TrigDelay>)
GU_CALLBACK(TrigAutoDelayCallback, standard<TrigAutoDelay>)
GU_CALLBACK(TrigCountCallback, standard<TrigCount>)
GU_CALLBACK(ConfigRangeCallback, standard<ConfigRange>)
GU_CALLBACK(ConfigResolutionCallback, standard<ConfigResolution>)
GU_CALLBACK(ConfigResolDispCallback, standard<ConfigResolDisp>)
GU_CALLBACK(ConfigAperCallback, standard<ConfigAper>)
GU_CALLBACK(GetStatusCallback, standard<GetStatus>)
GU_CALLBACK(StbCallback, standard<Stb>)
GU_CALLBACK(CalAutoZeroCallback, standard<CalAutoZero>)
GU_CALLBACK(CalLfrCallback, standard<CalLfr>)
GU_CALLBACK(TtlTrg0Callback, standard<TtlTrg0>)
GU_CALLBACK(TtlTrg1Callback, standard<TtlTrg1>)
GU_CALLBACK(TtlTrg2Callback, standard<TtlTrg2>)
GU_CALLBACK(TtlTrg3Callback, standard<TtlTrg3>)
GU_CALLBACK(TtlTrg4Callback, standard<TtlTrg4>)
GU_CALLBACK(TtlTrg5Callback, standard<TtlTrg5>)
GU_CALLBACK(TtlTrg6Callback, standard<TtlTrg6>)
GU_CALLBACK(TtlTrg7Callback, standard<TtlTrg7>)
GU_CALLBACK(SampleCountCallback, standard<SampleCount>)
// Standard shape with null data.
GU_CALLBACK(ErrorBtnCallback, &widget_callback<ErrorBtn, Defer::yes, ON_COMMIT, MSG_COMMIT, Scratch::none>)
GU_CALLBACK(SelfTestCallback, &widget_callback<SelfTest, Defer::yes, ON_COMMIT, MSG_COMMIT, Scratch::none>)

// Deferred, other events or messages.
GU_CALLBACK(VXILogAddrCallback, &widget_callback<VXILogAddr, Defer::yes, ON_COMMIT, MSG_QUERY, Scratch::number>)
GU_CALLBACK(VXISlotCallback, &widget_callback<VXISlot, Defer::yes, ON_COMMIT, MSG_QUERY, Scratch::number>)
GU_CALLBACK(VXIDestCallback, &widget_callback<VXIDest, Defer::yes, ON_COMMIT, MSG_QUERY, Scratch::text>)
GU_CALLBACK(CondVoltCallback, &widget_callback<CondVolt, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::integer>)
GU_CALLBACK(CondResistCallback, &widget_callback<CondResist, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::integer>)
GU_CALLBACK(EventVoltCallback, &widget_callback<EventVolt, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::integer>)
GU_CALLBACK(EventResistCallback, &widget_callback<EventResist, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::integer>)
GU_CALLBACK(DriverVerCallback, &widget_callback<DriverVer, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::number>)
GU_CALLBACK(VTLVerCallback, &widget_callback<VTLVer, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::number>)
GU_CALLBACK(DLLVerCallback, &widget_callback<DLLVer, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::number>)
GU_CALLBACK(AverMinCallback, &widget_callback<AverMin, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::number>)
GU_CALLBACK(AverMaxCallback, &widget_callback<AverMax, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::number>)
GU_CALLBACK(AverAverageCallback, &widget_callback<AverAverage, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::number>)
GU_CALLBACK(AverCountCallback, &widget_callback<AverCount, Defer::yes, ON_CLICK, MSG_QUERY, Scratch::number>)
GU_CALLBACK(ErrorValCallback, &widget_callback<ErrorVal, Defer::yes, ON_CLICK, MSG_COMMIT, Scratch::none>)
GU_CALLBACK(ErrorMsgCallback, &widget_callback<ErrorMsg, Defer::yes, ON_CLICK, MSG_COMMIT, Scratch::none>)
GU_CALLBACK(ClearStatusCallback, &widget_callback<ClearStatus, Defer::yes, ON_CLICK, MSG_COMMIT, Scratch::none>)
// Its queries would cut off the fetch a waiting measurement has pending.
GU_CALLBACK(ReadStatusCallback, &widget_callback<ReadStatus, Defer::yes, ON_COMMIT, MSG_COMMIT, Scratch::integer>)

// Never deferred (the status byte is read by serial poll, which a waiting fetch survives).
GU_CALLBACK(StatusByteCallback, &widget_callback<StatusByte, Defer::no, ON_COMMIT, MSG_QUERY, Scratch::integer>)
GU_CALLBACK(CloseButtonCallback, &widget_callback<CloseBtn, Defer::no, ON_COMMIT, MSG_COMMIT, Scratch::none>)
GU_CALLBACK(AbortCallback, &widget_callback<Abort, Defer::no, ON_COMMIT, MSG_COMMIT, Scratch::number>)
GU_CALLBACK(Abort2Callback, &widget_callback<Abort2, Defer::no, ON_COMMIT, MSG_COMMIT, Scratch::number>)
GU_CALLBACK(FetchCallback, &widget_callback<Fetch, Defer::no, ON_COMMIT, MSG_COMMIT, Scratch::number>)
GU_CALLBACK(SingleTrigCallback, &widget_callback<SingleTrig, Defer::no, ON_COMMIT, MSG_COMMIT, Scratch::number>)
GU_CALLBACK(MultiTrigCallback, &widget_callback<MultiTrig, Defer::no, ON_COMMIT, MSG_COMMIT, Scratch::number>)
// Dropped while measuring: a click takes a reading.
GU_CALLBACK(ReadingCallback, &widget_callback<Reading, Defer::drop, ON_ANY_CLICK, MSG_QUERY, Scratch::number>)
GU_CALLBACK(ReadingsCallback, &widget_callback<Readings, Defer::drop, ON_ANY_CLICK, MSG_QUERY, Scratch::number>)
// Nothing; each its own function, since controls are matched to widgets by callback.
GU_CALLBACK(UnitsCallback, &widget_callback<Units, Defer::no, 0, MSG_INIT, Scratch::none>)
GU_CALLBACK(SelfTestResultsCallback, &widget_callback<SelfTestResults, Defer::no, 0, MSG_INIT, Scratch::none>)
#undef GU_CALLBACK

// Callbacks with code of their own.
int SyncButtonCallback(int panel, int control, int event, void* callback_data, int event_data1,
                       int event_data2);
int AboutButtonCallback(int panel, int control, int event, void* callback_data,
                        int event_data1, int event_data2);
int ResetButtonCallback(int panel, int control, int event, void* callback_data,
                        int event_data1, int event_data2);
int SecOKButtonCallback(int panel, int control, int event, void* callback_data,
                        int event_data1, int event_data2);
int SecCancelButtonCallback(int panel, int control, int event, void* callback_data,
                            int event_data1, int event_data2);
int SecApplyButtonCallback(int panel, int control, int event, void* callback_data,
                           int event_data1, int event_data2);
int PanelAboutCallback(int panel, int control, int event, void* callback_data, int event_data1,
                       int event_data2);
int AutoDlgCallback(int panel, int control, int event, void* callback_data, int event_data1,
                    int event_data2);
int AutoOKCallback(int panel, int control, int event, void* callback_data, int event_data1,
                   int event_data2);
int AutoCancelCallback(int panel, int control, int event, void* callback_data, int event_data1,
                       int event_data2);
int AutoListCallback(int panel, int control, int event, void* callback_data, int event_data1,
                     int event_data2);
int TopLevelCallback(int handle, int control, int event, void* callback_data, int event_data1,
                     int event_data2);

// Menu callbacks of menu bar 1.
void MenuMainCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuAboutCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuTriggerCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuConfigCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuStatusCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuInOutCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuSampleCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuMathCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuErrorsCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuSelfTestCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuUpdateCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuSyncCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuResetCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuExitCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuHelp(int menu_bar, int item, void* callback_data, int panel);
void MenuStateStoreCallback(int menu_bar, int item, void* callback_data, int panel);
void MenuStateRecallCallback(int menu_bar, int item, void* callback_data, int panel);

// The widgets bound at start-up, each with the callback by which its records are found in
// the panels' control tables; the order is also the order of defaults. Ends with a null
// handler.
struct WidgetRegistryEntry {
    Handler handler;
    uirt::CtrlCallbackPtr callback;
};
inline constexpr int WIDGET_REGISTRY_SIZE = 58;
extern const std::array<WidgetRegistryEntry, WIDGET_REGISTRY_SIZE + 1> widget_registry;

// Registers every callback above with the run-time under its own name.
void register_callbacks();

}  // namespace gu
