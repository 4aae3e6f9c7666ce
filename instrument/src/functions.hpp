// The measurement functions, the setting groups they use and each group's fixed lists.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace sim {

// Values are the driver's function codes.
enum class Function { freq, period, fres, res, volt_ac, volt_dc, curr_ac, curr_dc, volt_ratio };
inline constexpr std::size_t function_count = 9;

// Functions that share range, resolution and integration settings.
enum class Group { volt_dc, volt_ac, curr_dc, curr_ac, res, freq, period };
inline constexpr std::size_t group_count = 7;

struct FunctionInfo {
    Function function;
    std::string_view pattern;  // as in CONFigure and FUNCtion
    std::string_view name;     // as CONFigure? and FUNCtion? return it
    Group group;
};

inline constexpr std::array<FunctionInfo, function_count> function_table{{
    {Function::freq, "FREQuency", "FREQ", Group::freq},
    {Function::period, "PERiod", "PER", Group::period},
    {Function::fres, "FRESistance", "FRES", Group::res},
    {Function::res, "RESistance", "RES", Group::res},
    {Function::volt_ac, "VOLTage:AC", "VOLT:AC", Group::volt_ac},
    {Function::volt_dc, "VOLTage[:DC]", "VOLT", Group::volt_dc},
    {Function::curr_ac, "CURRent:AC", "CURR:AC", Group::curr_ac},
    {Function::curr_dc, "CURRent[:DC]", "CURR", Group::curr_dc},
    {Function::volt_ratio, "VOLTage[:DC]:RATio", "VOLT:RAT", Group::volt_dc},
}};

inline constexpr const FunctionInfo& info(Function f) {
    return function_table[static_cast<std::size_t>(f)];
}

enum class Integration { aperture_and_nplc, gate_time, none };

struct GroupInfo {
    std::span<const double> ranges;  // ascending; for FREQ/PER the input voltage ranges
    std::string_view unit;           // suffix unit of range and resolution
    double default_resolution;
    double min_resolution;
    double max_resolution;
    Integration integration;
    int overload_bit;  // questionable-data bit of an overload
};

inline constexpr std::array volt_ranges{0.1, 1.0, 10.0, 100.0, 300.0};
inline constexpr std::array curr_dc_ranges{0.01, 0.1, 1.0, 3.0};
inline constexpr std::array curr_ac_ranges{1.0, 3.0};
inline constexpr std::array res_ranges{1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

namespace qbit {
inline constexpr int volt_overload = 0;
inline constexpr int curr_overload = 1;
inline constexpr int res_overload = 9;
inline constexpr int limit_low = 11;
inline constexpr int limit_high = 12;
}  // namespace qbit

inline constexpr std::array<GroupInfo, group_count> group_table{{
    {volt_ranges, "V", 3e-6, 3e-8, 0.3, Integration::aperture_and_nplc, qbit::volt_overload},
    {volt_ranges, "V", 1e-5, 1e-7, 0.3, Integration::aperture_and_nplc, qbit::volt_overload},
    {curr_dc_ranges, "A", 3e-8, 3e-9, 3e-3, Integration::aperture_and_nplc, qbit::curr_overload},
    {curr_ac_ranges, "A", 1e-5, 1e-6, 3e-3, Integration::none, qbit::curr_overload},
    {res_ranges, "OHM", 1e-3, 3e-5, 1e5, Integration::aperture_and_nplc, qbit::res_overload},
    {volt_ranges, "V", 0.0, 0.0, 0.0, Integration::gate_time, qbit::volt_overload},
    {volt_ranges, "V", 0.0, 0.0, 0.0, Integration::gate_time, qbit::volt_overload},
}};

inline constexpr const GroupInfo& info(Group g) {
    return group_table[static_cast<std::size_t>(g)];
}

inline constexpr std::array nplc_steps{0.02, 0.2, 1.0, 10.0, 100.0};
inline constexpr std::array gate_times{0.01, 0.1, 1.0};
inline constexpr double min_aperture = 0.0004;
inline constexpr double max_aperture = 2.0;

}  // namespace sim
