// The control table of each panel: which control each widget is bound to.
#pragma once

#include "framework.hpp"

namespace gu::tables {

using uirt::CTRL_COMMAND_BUTTON, uirt::CTRL_NUMERIC, uirt::CTRL_NUMERIC_IND, uirt::CTRL_STRING,
    uirt::CTRL_TEXT_MSG, uirt::CTRL_RING, uirt::CTRL_BINARY_SWITCH, uirt::CTRL_GRAPH,
    uirt::CTRL_ROUND_LED;

// A record with the run-time's default geometry, label placement and text size.
constexpr ctrl_desc rec(int kind, uirt::CtrlCallbackPtr callback, int ctrl,
                        const char* label = "") {
    return {kind, 0, 0, 0, 0, 0, 0, 0, label, callback, ctrl};
}
inline constexpr ctrl_desc END = rec(CTRL_END, nullptr, 0);

inline constexpr std::array main_panel_controls{
    rec(CTRL_NUMERIC, VXISlotCallback, 9),
    rec(CTRL_NUMERIC, VXILogAddrCallback, 10),
    rec(CTRL_ROUND_LED, nullptr, 7),
    rec(CTRL_RING, ConfigRangeCallback, 3),
    rec(CTRL_RING, ConfigResolutionCallback, 2),
    rec(CTRL_NUMERIC_IND, ReadingCallback, 4),
    rec(CTRL_GRAPH, ReadingsCallback, 8),
    rec(CTRL_STRING, UnitsCallback, 5),
    rec(CTRL_RING, FunctionCallback, 6),
    rec(0, SampleCountCallback, 11),
    rec(CTRL_COMMAND_BUTTON, Abort2Callback, 12),
    END,
};

inline constexpr std::array trigger_wait_panel_controls{
    rec(CTRL_COMMAND_BUTTON, AbortCallback, 5),
    rec(CTRL_COMMAND_BUTTON, FetchCallback, 4),
    rec(CTRL_COMMAND_BUTTON, SingleTrigCallback, 3),
    rec(CTRL_COMMAND_BUTTON, MultiTrigCallback, 2),
    END,
};

inline constexpr std::array about_panel_controls{
    rec(CTRL_STRING, DriverVerCallback, 4),
    rec(CTRL_STRING, VTLVerCallback, 2),
    rec(CTRL_STRING, DLLVerCallback, 3),
    END,
};

inline constexpr std::array trigger_panel_controls{
    rec(CTRL_RING, TrigSourceCallback, 2),
    rec(CTRL_NUMERIC, TrigDelayCallback, 4),
    rec(CTRL_BINARY_SWITCH, TrigAutoDelayCallback, 5),
    rec(CTRL_NUMERIC, TrigCountCallback, 3),
    END,
};

inline constexpr std::array config_panel_controls{
    rec(CTRL_TEXT_MSG, nullptr, 1, "Q7304A Config Panel"),
    rec(CTRL_RING, Function2Callback, 4),
    rec(CTRL_NUMERIC_IND, ConfigResolDispCallback, 5),
    rec(CTRL_NUMERIC, TimeoutCallback, 2),
    rec(CTRL_RING, ConfigAperCallback, 3),
    rec(CTRL_BINARY_SWITCH, CalAutoZeroCallback, 6),
    rec(CTRL_RING, CalLfrCallback, 7),
    END,
};

inline constexpr std::array math_panel_controls{
    rec(CTRL_TEXT_MSG, nullptr, 1, "Q7304A Math Panel"),
    rec(CTRL_RING, CalcFunctionCallback, 3),
    rec(CTRL_BINARY_SWITCH, CalcStateCallback, 12),
    rec(CTRL_NUMERIC, dBRefCallback, 8),
    rec(CTRL_NUMERIC, dBmRefCallback, 2),
    rec(CTRL_NUMERIC_IND, AverMinCallback, 7),
    rec(CTRL_NUMERIC_IND, AverMaxCallback, 4),
    rec(CTRL_NUMERIC_IND, AverAverageCallback, 6),
    rec(CTRL_NUMERIC_IND, AverCountCallback, 5),
    rec(CTRL_NUMERIC, NullOffsCallback, 11),
    rec(CTRL_NUMERIC, LowerLimitCallback, 10),
    rec(CTRL_NUMERIC, UpperLimitCallback, 9),
    END,
};

inline constexpr std::array inout_panel_controls{
    rec(CTRL_BINARY_SWITCH, InpAutoImpCallback, 2), rec(CTRL_BINARY_SWITCH, TtlTrg0Callback, 10),
    rec(CTRL_BINARY_SWITCH, TtlTrg1Callback, 9),    rec(CTRL_BINARY_SWITCH, TtlTrg2Callback, 8),
    rec(CTRL_BINARY_SWITCH, TtlTrg3Callback, 7),    rec(CTRL_BINARY_SWITCH, TtlTrg4Callback, 6),
    rec(CTRL_BINARY_SWITCH, TtlTrg5Callback, 5),    rec(CTRL_BINARY_SWITCH, TtlTrg6Callback, 4),
    rec(CTRL_BINARY_SWITCH, TtlTrg7Callback, 3),    END,
};

inline constexpr std::array selftest_panel_controls{
    rec(CTRL_COMMAND_BUTTON, SelfTestCallback, 2, "Perform Self Test"),
    rec(CTRL_STRING, SelfTestResultsCallback, 3),
    END,
};

inline constexpr std::array status_panel_controls{
    rec(CTRL_COMMAND_BUTTON, GetStatusCallback, 0),
    rec(CTRL_NUMERIC_IND, StbCallback, 0),
    rec(CTRL_NUMERIC_IND, ErrorValCallback, 2),
    rec(CTRL_STRING, ErrorMsgCallback, 3),
    rec(CTRL_COMMAND_BUTTON, ErrorBtnCallback, 5),
    rec(CTRL_COMMAND_BUTTON, ClearStatusCallback, 4),
    rec(CTRL_NUMERIC_IND, ReadStatusCallback, 13),
    rec(CTRL_NUMERIC_IND, ReadStatusCallback, 12),
    rec(CTRL_NUMERIC_IND, ReadStatusCallback, 11),
    rec(CTRL_NUMERIC_IND, ReadStatusCallback, 10),
    rec(CTRL_TEXT_MSG, ReadStatusCallback, 8),
    rec(CTRL_NUMERIC_IND, ReadStatusCallback, 9),
    rec(CTRL_COMMAND_BUTTON, ReadStatusCallback, 14),
    rec(CTRL_NUMERIC_IND, StatusByteCallback, 7),
    END,
};

}  // namespace gu::tables
