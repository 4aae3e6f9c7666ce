// The widgets bound at start-up, in the order of binding and of defaults.
#include "callbacks.hpp"

namespace gu {

#define GU_PAIR(widget)          \
    WidgetRegistryEntry {        \
        widget, widget##Callback \
    }
constexpr std::array<WidgetRegistryEntry, WIDGET_REGISTRY_SIZE + 1> widget_registry{{
    GU_PAIR(Reading),
    GU_PAIR(Readings),
    GU_PAIR(Function),
    GU_PAIR(Function2),
    GU_PAIR(Units),
    GU_PAIR(Timeout),
    GU_PAIR(TtlTrg0),
    GU_PAIR(TtlTrg1),
    GU_PAIR(TtlTrg2),
    GU_PAIR(TtlTrg3),
    GU_PAIR(TtlTrg4),
    GU_PAIR(TtlTrg5),
    GU_PAIR(TtlTrg6),
    GU_PAIR(TtlTrg7),
    GU_PAIR(DriverVer),
    GU_PAIR(VTLVer),
    GU_PAIR(DLLVer),
    GU_PAIR(InpAutoImp),
    GU_PAIR(CalcState),
    GU_PAIR(CalcFunction),
    GU_PAIR(NullOffs),
    GU_PAIR(dBRef),
    GU_PAIR(dBmRef),
    GU_PAIR(AverMin),
    GU_PAIR(AverMax),
    GU_PAIR(AverAverage),
    GU_PAIR(AverCount),
    GU_PAIR(UpperLimit),
    GU_PAIR(LowerLimit),
    GU_PAIR(TrigSource),
    GU_PAIR(TrigDelay),
    GU_PAIR(TrigAutoDelay),
    GU_PAIR(TrigCount),
    GU_PAIR(ConfigRange),
    GU_PAIR(ConfigResolution),
    GU_PAIR(ConfigResolDisp),
    GU_PAIR(CalAutoZero),
    GU_PAIR(CalLfr),
    GU_PAIR(ConfigAper),
    GU_PAIR(SampleCount),
    GU_PAIR(VXILogAddr),
    GU_PAIR(VXISlot),
    GU_PAIR(SelfTestResults),
    GU_PAIR(Abort),
    GU_PAIR(Abort2),
    GU_PAIR(MultiTrig),
    GU_PAIR(SingleTrig),
    GU_PAIR(ErrorVal),
    GU_PAIR(ErrorMsg),
    GU_PAIR(ErrorBtn),
    WidgetRegistryEntry{CloseBtn, CloseButtonCallback},
    WidgetRegistryEntry{EventVolt, ReadStatusCallback},
    WidgetRegistryEntry{EventResist, ReadStatusCallback},
    WidgetRegistryEntry{EventLimLo, ReadStatusCallback},
    WidgetRegistryEntry{EventLimHi, ReadStatusCallback},
    WidgetRegistryEntry{EventCurr, ReadStatusCallback},
    WidgetRegistryEntry{ReadStatus, ReadStatusCallback},
    GU_PAIR(StatusByte),
    WidgetRegistryEntry{nullptr, nullptr},
}};
#undef GU_PAIR

}  // namespace gu

namespace gu {
static_assert(widget_registry[WIDGET_REGISTRY_SIZE].handler == nullptr,
              "the registry ends with a null handler");
}  // namespace gu
