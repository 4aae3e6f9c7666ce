// Range, resolution and aperture lists of each function, the driver calls that set and
// read them, and the thresholds that turn a reported value into a list position.
#pragma once

#include <cmath>
#include <cstddef>
#include <span>

#include "function_table.hpp"

namespace gu {

struct Item {
    const char* label;
    double value;  // the value sent for this position (the ring item's value for apertures)
};

// A driver call with the label its failure is reported under; null: nothing is called.
template <class Fn>
struct Call {
    Fn* fn = nullptr;
    const char* label = nullptr;
};
using RangeSet = decltype(vo_voltDcRang);
using RangeQuery = decltype(vo_voltDcRang_Q);
using ValueSet = decltype(vo_voltDcRes);
using ValueQuery = decltype(vo_voltDcRes_Q);

// Position of the first threshold that `v` is below; past the last, the number of them.
constexpr int first_below(std::span<const double> thresholds, double v) {
    int i = 0;
    while (i < static_cast<int>(thresholds.size()) && !(v < thresholds[i])) ++i;
    return i;
}

// ---- ranges: index 0 is Auto-Range, sent as -1.0 with the auto-range flag ----------------
inline constexpr Item VOLT_RANGES[] = {
    {"Auto-Range", -1.0}, {"100 mV", 0.1},  {"1 V", 1.0},
    {"10 V", 10.0},       {"100 V", 100.0}, {"300 V", 300.0},
};
inline constexpr Item RES_RANGES[] = {
    {"Auto-Range", -1.0}, {"100 Ohm", 100}, {"1 kOhm", 1e3},  {"10 kOhm", 1e4},
    {"100 kOhm", 1e5},    {"1 MOhm", 1e6},  {"10 MOhm", 1e7}, {"100 MOhm", 1e8},
};
inline constexpr Item CURR_AC_RANGES[] = {{"Auto-Range", -1.0}, {"1 A", 1.0}, {"3 A", 3.0}};
inline constexpr Item CURR_DC_RANGES[] = {
    {"Auto-Range", -1.0}, {"10 mA", 0.01}, {"100 mA", 0.1}, {"1 A", 1.0}, {"3 A", 3.0},
};

// A reported range below thresholds[i] is index i + 1; above them all, the last index.
inline constexpr double VOLT_RANGE_STEPS[] = {0.5, 5, 50, 200};
inline constexpr double FREQ_RANGE_STEPS[] = {0.2, 2, 20, 200};
inline constexpr double CURR_DC_RANGE_STEPS[] = {0.05, 0.5, 2.0};
inline constexpr double CURR_AC_RANGE_STEPS[] = {2.0};
inline constexpr double RES_RANGE_STEPS[] = {200, 2e3, 2e4, 2e5, 2e6, 2e7};

struct RangeRow {
    std::span<const Item> items;
    std::span<const double> steps;
    Call<RangeSet> set;
    Call<RangeQuery> query;
};
inline constexpr RangeRow RANGES[FUNCTION_COUNT] = {
    /* FUNC_FREQ */ {VOLT_RANGES,
                     FREQ_RANGE_STEPS,
                     {&vo_freqVoltRang, "vo_freqVoltRang"},
                     {&vo_freqVoltRang_Q, "vo_freqVoltRang_Q"}},
    /* FUNC_PERIOD */
    {VOLT_RANGES,
     VOLT_RANGE_STEPS,
     {&vo_perVoltRang, "vo_perVoltRang"},
     {&vo_perVoltRang_Q, "vo_perVoltRang_Q"}},
    /* FUNC_RES_4W */
    {RES_RANGES, RES_RANGE_STEPS, {&vo_resRang, "vo_resRang"}, {&vo_resRang_Q, "vo_resRang_Q"}},
    /* FUNC_RES_2W */
    {RES_RANGES, RES_RANGE_STEPS, {&vo_resRang, "vo_resRang"}, {&vo_resRang_Q, "vo_resRang_Q"}},
    /* FUNC_VOLT_AC */
    {VOLT_RANGES,
     VOLT_RANGE_STEPS,
     {&vo_voltAcRang, "vo_voltAcRang"},
     {&vo_voltAcRang_Q, "vo_voltAcRang_Q"}},
    /* FUNC_VOLT_DC */
    {VOLT_RANGES,
     VOLT_RANGE_STEPS,
     {&vo_voltDcRang, "vo_VoltDcRang"},
     {&vo_voltDcRang_Q, "vo_VoltDcRang"}},
    /* FUNC_CURR_AC */
    {CURR_AC_RANGES,
     CURR_AC_RANGE_STEPS,
     {&vo_currAcRang, "vo_currAcRang"},
     {&vo_currAcRang_Q, "vo_currAcRang_Q"}},
    /* FUNC_CURR_DC */
    {CURR_DC_RANGES,
     CURR_DC_RANGE_STEPS,
     {&vo_currDcRang, "vo_currDcRang"},
     {&vo_currDcRang_Q, "vo_currDcRang_Q"}},
    /* FUNC_VOLT_RATIO */ {},
};

// ---- resolutions, in the function's unit ------------------------------------------------
inline constexpr Item VOLT_DC_RESOLUTIONS[] = {
    {"30 nV", 3e-8}, {"100 nV", 1e-7}, {"300 nV", 3e-7}, {"1 uV", 1e-6},
    {"3 uV", 3e-6},  {"10 uV", 1e-5},  {"30 uV", 3e-5},  {"100 uV", 1e-4},
};
inline constexpr Item VOLT_AC_RESOLUTIONS[] = {
    {"100 nV", 1e-7}, {"1 uV", 1e-6},  {"10 uV", 1e-5}, {"100 uV", 1e-4},
    {"1 mV", 1e-3},   {"10 mV", 1e-2}, {"100 mV", 0.1},
};
inline constexpr Item RES_RESOLUTIONS[] = {
    {"30 uOhm", 3e-5}, {"100 uOhm", 1e-4}, {"300 uOhm", 3e-4}, {"1 mOhm", 1e-3},  {"3 mOhm", 3e-3},
    {"10 mOhm", 1e-2}, {"30 mOhm", 3e-2},  {"100 mOhm", 0.1},  {"300 mOhm", 0.3}, {"1 Ohm", 1},
    {"3 Ohm", 3},      {"10 Ohm", 10},     {"30 Ohm", 30},     {"100 Ohm", 100},  {"300 Ohm", 300},
    {"1 kOhm", 1000},  {"10 kOhm", 10000},
};
inline constexpr Item CURR_AC_RESOLUTIONS[] = {
    {"1 uA", 1e-6},  {"3 uA", 3e-6},   {"10 uA", 1e-5},
    {"30 uA", 3e-5}, {"100 uA", 1e-4}, {"300 uA", 3e-4},
};
inline constexpr Item CURR_DC_RESOLUTIONS[] = {
    {"3 nA", 3e-9},   {"10 nA", 1e-8},  {"30 nA", 3e-8},  {"100 nA", 1e-7},
    {"300 nA", 3e-7}, {"1 uA", 1e-6},   {"3 uA", 3e-6},   {"9 uA", 9e-6},  // nine, not ten
    {"30 uA", 3e-5},  {"100 uA", 1e-4}, {"300 uA", 3e-4},
};

// The position of the item nearest to a reported value in ratio (its own item when the
// value is on the list); -1 for an empty list or a value that is not positive.
inline int nearest_in_ratio(std::span<const Item> items, double v) {
    if (items.empty() || !(v > 0.0) || !std::isfinite(v)) return -1;
    int best = 0;
    double best_distance = INFINITY;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const double distance = std::abs(std::log(v / items[i].value));
        if (distance < best_distance) best = i, best_distance = distance;
    }
    return best;
}

struct ResolutionRow {
    std::span<const Item> items;
    Call<ValueSet> set;
    Call<ValueQuery> query;
};
inline constexpr ResolutionRow RESOLUTIONS[FUNCTION_COUNT] = {
    /* FUNC_FREQ */ {},
    /* FUNC_PERIOD */ {},
    /* FUNC_RES_4W */
    {RES_RESOLUTIONS, {&vo_resRes, "vo_resRes"}, {&vo_resRes_Q, "vo_resRes_Q"}},
    /* FUNC_RES_2W */
    {RES_RESOLUTIONS, {&vo_resRes, "vo_resRes"}, {&vo_resRes_Q, "vo_resRes_Q"}},
    /* FUNC_VOLT_AC */
    {VOLT_AC_RESOLUTIONS, {&vo_voltAcRes, "vo_voltAcRes"}, {&vo_voltAcRes_Q, "vo_voltAcRes_Q"}},
    /* FUNC_VOLT_DC */
    {VOLT_DC_RESOLUTIONS, {&vo_voltDcRes, "vo_voltDcRes"}, {&vo_voltDcRes_Q, "vo_voltDcRes_Q"}},
    /* FUNC_CURR_AC */
    {CURR_AC_RESOLUTIONS, {&vo_currAcRes, "vo_currAcRes"}, {&vo_currAcRes_Q, "vo_currAcRes_Q"}},
    /* FUNC_CURR_DC */
    {CURR_DC_RESOLUTIONS, {&vo_currDcRes, "vo_currDcRes"}, {&vo_currDcRes_Q, "vo_currDcRes_Q"}},
    /* FUNC_VOLT_RATIO */ {},
};

// ---- apertures: seconds, then (from position PLC_FIRST) power-line cycles ----------------
inline constexpr int PLC_FIRST = 10;
inline constexpr Item INTEGRATING_APERTURES[] = {
    {"0.4 mS", 0.0004},  {"0.48 mS", 0.00048}, {"3.0 mS", 0.003},  {"3.6 mS", 0.0036},
    {"16.7 mS", 0.0166}, {"20.0 mS", 0.02},    {"167 mS", 0.166},  {"200 mS", 0.2},
    {"1.67 S", 1.66},    {"2.00 S", 2.0},      {"0.02 PLC", 0.02}, {"0.2 PLC", 0.2},
    {"1 PLC", 1.0},      {"10 PLC", 10.0},     {"100 PLC", 100.0},
};
inline constexpr Item GATE_APERTURES[] = {{"0.01 S", 0.01}, {"0.1 S", 0.1}, {"1 S", 1.0}};
// What the instrument integrates over after a configure: one power-line cycle, a 0.1 s gate.
inline constexpr int INTEGRATING_DEFAULT = 12;  // "1 PLC"
inline constexpr int GATE_DEFAULT = 1;          // "0.1 S"

// A reported aperture below thresholds[i] is position i (always a seconds item).
inline constexpr double INTEGRATING_APERTURE_STEPS[] = {0.00045, 0.0005, 0.0034, 0.004, 0.018,
                                                        0.03,    0.18,   0.3,    1.8};
inline constexpr double GATE_APERTURE_STEPS[] = {0.05, 0.5};

struct ApertureRow {
    std::span<const Item> items;
    Call<ValueSet> seconds;  // positions below PLC_FIRST
    Call<ValueSet> plc;      // positions from PLC_FIRST on
    Call<ValueQuery> query;
    std::span<const double> steps;
    Call<ValueQuery> plc_query;  // tells whether a PLC item chosen still holds
    int default_item = -1;       // chosen when the item shown is not on this list
};
inline constexpr ApertureRow APERTURES[FUNCTION_COUNT] = {
    /* FUNC_FREQ */ {GATE_APERTURES,
                     {&vo_freqAper, "vo_freqAper"},
                     {&vo_freqAper, "vo_freqAper"},
                     {&vo_freqAper_Q, "vo_freqAper_Q"},
                     GATE_APERTURE_STEPS,
                     {},
                     GATE_DEFAULT},
    /* FUNC_PERIOD */
    {GATE_APERTURES,
     {&vo_perAper, "vo_perAper"},
     {&vo_perAper, "vo_perAper"},
     {&vo_perAper_Q, "vo_perAper_Q"},
     GATE_APERTURE_STEPS,
     {},
     GATE_DEFAULT},
    /* FUNC_RES_4W */
    {INTEGRATING_APERTURES,
     {&vo_resAper, "vo_resAper"},
     {&vo_resNplc, "vo_resNplc"},
     {&vo_resAper_Q, "vo_resAper_Q"},
     INTEGRATING_APERTURE_STEPS,
     {&vo_resNplc_Q, "vo_resNplc_Q"},
     INTEGRATING_DEFAULT},
    /* FUNC_RES_2W */
    {INTEGRATING_APERTURES,
     {&vo_resAper, "vo_resAper"},
     {&vo_resNplc, "vo_resNplc"},
     {&vo_resAper_Q, "vo_resAper_Q"},
     INTEGRATING_APERTURE_STEPS,
     {&vo_resNplc_Q, "vo_resNplc_Q"},
     INTEGRATING_DEFAULT},
    /* FUNC_VOLT_AC */
    {INTEGRATING_APERTURES,
     {&vo_voltAcAper, "vo_voltAcAper"},
     {&vo_voltAcNplc, "vo_voltAcNplc"},
     {&vo_voltAcAper_Q, "vo_voltAcAper_Q"},
     INTEGRATING_APERTURE_STEPS,
     {&vo_voltAcNplc_Q, "vo_voltAcNplc_Q"},
     INTEGRATING_DEFAULT},
    /* FUNC_VOLT_DC */
    {INTEGRATING_APERTURES,
     {&vo_voltDcAper, "vo_voltDcAper"},
     {&vo_voltDcNplc, "vo_voltDcNplc"},
     {&vo_voltDcAper_Q, "vo_voltDcAper"},
     INTEGRATING_APERTURE_STEPS,
     {&vo_voltDcNplc_Q, "vo_voltDcNplc_Q"},
     INTEGRATING_DEFAULT},
    /* FUNC_CURR_AC */ {INTEGRATING_APERTURES, {}, {}, {}, {}, {}, INTEGRATING_DEFAULT},
    /* FUNC_CURR_DC */
    {INTEGRATING_APERTURES,
     {&vo_currDcAper, "vo_currDcAper"},
     {&vo_currDcNplc, "vo_currDcNplc"},
     {&vo_currDcAper_Q, "vo_currDcAper_Q"},
     INTEGRATING_APERTURE_STEPS,
     {&vo_currDcNplc_Q, "vo_currDcNplc_Q"},
     INTEGRATING_DEFAULT},
    /* FUNC_VOLT_RATIO */ {},
};

// The rows of function `code`; a code outside 0 to 8 has empty rows.
inline constexpr RangeRow NO_RANGES{};
inline constexpr ResolutionRow NO_RESOLUTIONS{};
inline constexpr ApertureRow NO_APERTURES{};
constexpr const RangeRow& range_row(int code) {
    return function_info(code) ? RANGES[code] : NO_RANGES;
}
constexpr const ResolutionRow& resolution_row(int code) {
    return function_info(code) ? RESOLUTIONS[code] : NO_RESOLUTIONS;
}
constexpr const ApertureRow& aperture_row(int code) {
    return function_info(code) ? APERTURES[code] : NO_APERTURES;
}

}  // namespace gu
