// SCPI mnemonics of the driver's codes: functions, trigger sources, math functions.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace voq {

struct FunctionInfo {
    std::string_view conf;    // CONFigure / MEASure node
    std::string_view quoted;  // FUNCtion "<name>"
    std::string_view node;    // per-function settings node (<f>:RANG, <f>:APER)
    std::string_view range;   // range node, empty when the function has no range
    bool has_aperture;
};

// Indexed by the driver's function code 0..8.
inline constexpr std::array<FunctionInfo, 9> kFunctions{{
    {"FREQ", "FREQ", "FREQ", "FREQ:VOLT", true},
    {"PER", "PER", "PER", "PER:VOLT", true},
    {"FRES", "FRES", "FRES", "FRES", true},
    {"RES", "RES", "RES", "RES", true},
    {"VOLT:AC", "VOLT:AC", "VOLT:AC", "VOLT:AC", true},
    {"VOLT:DC", "VOLT:DC", "VOLT:DC", "VOLT:DC", true},
    {"CURR:AC", "CURR:AC", "CURR:AC", "CURR:AC", false},
    {"CURR:DC", "CURR:DC", "CURR:DC", "CURR:DC", true},
    {"VOLT:DC:RAT", "VOLT:DC:RAT", "VOLT:DC", "VOLT:DC", true},
}};

// Indexed by the trigger source code 0..10.
inline constexpr std::array<std::string_view, 11> kTriggerSources{
    "BUS", "EXT", "IMM", "TTLT0", "TTLT1", "TTLT2", "TTLT3", "TTLT4", "TTLT5", "TTLT6", "TTLT7"};

// Indexed by the math function code 0..4.
inline constexpr std::array<std::string_view, 5> kCalcFunctions{"NULL", "AVER", "LIM", "DBM", "DB"};

inline constexpr bool valid_function(int code) {
    return code >= 0 && code < 9;
}

// Codes from instrument replies (short or long form, quoted or not, any case).
std::optional<int> function_code(std::string_view reply);
std::optional<int> trigger_source_code(std::string_view reply);
std::optional<int> calc_function_code(std::string_view reply);

}  // namespace voq
