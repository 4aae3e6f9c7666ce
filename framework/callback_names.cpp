// Every callback under the name by which the resource file refers to it.
#include <string_view>

#include "data_commands.hpp"
#include "framework.hpp"

namespace gu {

namespace {

struct CallbackName {
    std::string_view name;
    uirt::CtrlCallbackPtr control;  // exactly one of the two is set
    uirt::MenuCallbackPtr menu;
};

// Every callback runs as one user action.
template <uirt::CtrlCallbackPtr F>
int as_action(int panel, int control, int event, void* callback_data, int event_data1,
              int event_data2) {
    UserAction action;
    return F(panel, control, event, callback_data, event_data1, event_data2);
}
template <uirt::MenuCallbackPtr F>
void as_menu_action(int menu_bar, int item, void* callback_data, int panel) {
    UserAction action;
    F(menu_bar, item, callback_data, panel);
}

#define GU_CTRL(name) CallbackName{#name, &as_action<name>, nullptr}
#define GU_MENU(name) CallbackName{#name, nullptr, &as_menu_action<name>}
constexpr std::array callback_names{
    GU_CTRL(FunctionCallback),
    GU_CTRL(Function2Callback),
    GU_CTRL(InpAutoImpCallback),
    GU_CTRL(TimeoutCallback),
    GU_CTRL(SignalSourceCallback),
    GU_CTRL(CalcStateCallback),
    GU_CTRL(CalcFunctionCallback),
    GU_CTRL(NullOffsCallback),
    GU_CTRL(UpperLimitCallback),
    GU_CTRL(LowerLimitCallback),
    GU_CTRL(dBRefCallback),
    GU_CTRL(dBmRefCallback),
    GU_CTRL(TrigSourceCallback),
    GU_CTRL(TrigDelayCallback),
    GU_CTRL(TrigAutoDelayCallback),
    GU_CTRL(TrigCountCallback),
    GU_CTRL(ConfigRangeCallback),
    GU_CTRL(ConfigResolutionCallback),
    GU_CTRL(ConfigResolDispCallback),
    GU_CTRL(ConfigAperCallback),
    GU_CTRL(GetStatusCallback),
    GU_CTRL(StbCallback),
    GU_CTRL(CalAutoZeroCallback),
    GU_CTRL(CalLfrCallback),
    GU_CTRL(TtlTrg0Callback),
    GU_CTRL(TtlTrg1Callback),
    GU_CTRL(TtlTrg2Callback),
    GU_CTRL(TtlTrg3Callback),
    GU_CTRL(TtlTrg4Callback),
    GU_CTRL(TtlTrg5Callback),
    GU_CTRL(TtlTrg6Callback),
    GU_CTRL(TtlTrg7Callback),
    GU_CTRL(SampleCountCallback),
    GU_CTRL(ErrorBtnCallback),
    GU_CTRL(SelfTestCallback),
    GU_CTRL(VXILogAddrCallback),
    GU_CTRL(VXISlotCallback),
    GU_CTRL(VXIDestCallback),
    GU_CTRL(CondVoltCallback),
    GU_CTRL(CondResistCallback),
    GU_CTRL(EventVoltCallback),
    GU_CTRL(EventResistCallback),
    GU_CTRL(DriverVerCallback),
    GU_CTRL(VTLVerCallback),
    GU_CTRL(DLLVerCallback),
    GU_CTRL(AverMinCallback),
    GU_CTRL(AverMaxCallback),
    GU_CTRL(AverAverageCallback),
    GU_CTRL(AverCountCallback),
    GU_CTRL(ErrorValCallback),
    GU_CTRL(ErrorMsgCallback),
    GU_CTRL(ClearStatusCallback),
    GU_CTRL(ReadStatusCallback),
    GU_CTRL(StatusByteCallback),
    GU_CTRL(CloseButtonCallback),
    GU_CTRL(AbortCallback),
    GU_CTRL(Abort2Callback),
    GU_CTRL(FetchCallback),
    GU_CTRL(SingleTrigCallback),
    GU_CTRL(MultiTrigCallback),
    GU_CTRL(ReadingCallback),
    GU_CTRL(ReadingsCallback),
    GU_CTRL(UnitsCallback),
    GU_CTRL(SelfTestResultsCallback),
    GU_CTRL(SyncButtonCallback),
    GU_CTRL(AboutButtonCallback),
    GU_CTRL(ResetButtonCallback),
    GU_CTRL(SecOKButtonCallback),
    GU_CTRL(SecCancelButtonCallback),
    GU_CTRL(SecApplyButtonCallback),
    GU_CTRL(PanelAboutCallback),
    GU_CTRL(AutoDlgCallback),
    GU_CTRL(AutoOKCallback),
    GU_CTRL(AutoCancelCallback),
    GU_CTRL(AutoListCallback),
    GU_CTRL(TopLevelCallback),
    GU_MENU(MenuMainCallback),
    GU_MENU(MenuAboutCallback),
    GU_MENU(MenuTriggerCallback),
    GU_MENU(MenuConfigCallback),
    GU_MENU(MenuStatusCallback),
    GU_MENU(MenuInOutCallback),
    GU_MENU(MenuSampleCallback),
    GU_MENU(MenuMathCallback),
    GU_MENU(MenuErrorsCallback),
    GU_MENU(MenuSelfTestCallback),
    GU_MENU(MenuUpdateCallback),
    GU_MENU(MenuSyncCallback),
    GU_MENU(MenuResetCallback),
    GU_MENU(MenuExitCallback),
    GU_MENU(MenuHelp),
    GU_MENU(MenuStateStoreCallback),
    GU_MENU(MenuStateRecallCallback),
};
#undef GU_CTRL
#undef GU_MENU

}  // namespace

void register_callbacks() {
    for (const CallbackName& entry : callback_names) {
        if (entry.control)
            uirt::RegisterCallback(entry.name, entry.control);
        else
            uirt::RegisterMenuCallback(entry.name, entry.menu);
    }
    register_data_callbacks();
}

}  // namespace gu
