// The measurement functions: codes, unit texts, configure calls and what each function
// enables on the configuration controls.
#pragma once

#include "widgets.hpp"

namespace gu {

enum FunctionCode : int {
    FUNC_FREQ = 0,
    FUNC_PERIOD = 1,
    FUNC_RES_4W = 2,
    FUNC_RES_2W = 3,
    FUNC_VOLT_AC = 4,
    FUNC_VOLT_DC = 5,
    FUNC_CURR_AC = 6,
    FUNC_CURR_DC = 7,
    FUNC_VOLT_RATIO = 8,
};
inline constexpr int FUNCTION_COUNT = 9;

using ConfigureCall = decltype(vo_confFreq);

// Range control: usable (where the module can set the range), or never. AC current's is
// usable on every path, a function change or a read-back alike.
enum class RangeCtl { On, Off };
// Resolution control: usable only off Auto-Range, or never.
enum class ResolCtl { UnlessAuto, Off };

struct FunctionInfo {
    int code;
    const char* name;
    const char* unit;
    ConfigureCall* configure;
    const char* configure_label;
    RangeCtl range;
    bool aperture;  // aperture control usable (and the aperture committed on a change)
    ResolCtl resolution;
};

inline constexpr FunctionInfo FUNCTIONS[FUNCTION_COUNT] = {
    {FUNC_FREQ, "FUNC_FREQ", "Hz", &vo_confFreq, "vo_confFreq", RangeCtl::On, true, ResolCtl::Off},
    {FUNC_PERIOD, "FUNC_PERIOD", "Sec", &vo_confPer, "vo_confPer", RangeCtl::On, true,
     ResolCtl::Off},
    {FUNC_RES_4W, "FUNC_RES_4W", "Ohms", &vo_confFres, "vo_confFres", RangeCtl::On, true,
     ResolCtl::UnlessAuto},
    {FUNC_RES_2W, "FUNC_RES_2W", "Ohms", &vo_confRes, "vo_confRes", RangeCtl::On, true,
     ResolCtl::UnlessAuto},
    {FUNC_VOLT_AC, "FUNC_VOLT_AC", "VAC", &vo_confVoltAc, "vo_confVoltAc", RangeCtl::On, true,
     ResolCtl::UnlessAuto},
    {FUNC_VOLT_DC, "FUNC_VOLT_DC", "VDC", &vo_confVoltDc, "vo_confVoltDc", RangeCtl::On, true,
     ResolCtl::UnlessAuto},
    {FUNC_CURR_AC, "FUNC_CURR_AC", "A AC", &vo_confCurrAc, "vo_confCurrAc", RangeCtl::On,
     false, ResolCtl::UnlessAuto},
    {FUNC_CURR_DC, "FUNC_CURR_DC", "A DC", &vo_confCurrDc, "vo_confCurrDc", RangeCtl::On, true,
     ResolCtl::UnlessAuto},
    {FUNC_VOLT_RATIO, "FUNC_VOLT_RATIO", "V/V", &vo_confVoltDcRat, "vo_confDcRat", RangeCtl::Off,
     false, ResolCtl::Off},
};

static_assert([] {
    for (int i = 0; i < FUNCTION_COUNT; ++i)
        if (FUNCTIONS[i].code != i) return false;
    return true;
}());

// The row of `code`, or null for a code outside 0 to 8.
constexpr const FunctionInfo* function_info(int code) {
    return code >= 0 && code < FUNCTION_COUNT ? &FUNCTIONS[code] : nullptr;
}

// Whether the resolution control is usable for function `code` at range index `range`.
constexpr bool resolution_usable(int code, int range) {
    const FunctionInfo* f = function_info(code);
    return f && f->resolution == ResolCtl::UnlessAuto && range != 0;
}

}  // namespace gu
