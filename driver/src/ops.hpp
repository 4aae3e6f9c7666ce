// The shapes every operation takes: send a setting, ask a value, with parameter checks and
// the automatic error query.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "voq7304.h"

namespace voq {

// VOQ7304_ERROR_PARAMETERn for the argument at `position` (the session is 1).
constexpr ViStatus parameter_error(int position) {
    return VOQ7304_ERROR_PARAMETER1 + (position - 1);
}

constexpr bool is_boolean(ViBoolean value) {
    return value == VI_FALSE || value == VI_TRUE;
}

// Round-trip text of a double for a program message.
std::string format_real(double value);

ViStatus send(ViSession vi, std::string_view command);
ViStatus send_real(ViSession vi, std::string_view header, ViReal64 value, int position = 2);
ViStatus send_long(ViSession vi, std::string_view header, long value);
ViStatus send_switch(ViSession vi, std::string_view header, ViBoolean on, int position = 2);
ViStatus send_choice(ViSession vi, std::string_view header, std::span<const std::string_view> names,
                     int code, int position = 2);

ViStatus ask_real(ViSession vi, std::string_view command, ViPReal64 value, int position = 2);
ViStatus ask_int32(ViSession vi, std::string_view command, ViPInt32 value, int position = 2);
ViStatus ask_int16(ViSession vi, std::string_view command, ViPInt16 value, int position = 2);
ViStatus ask_switch(ViSession vi, std::string_view command, ViPBoolean value, int position = 2);
using CodeParser = std::optional<int> (*)(std::string_view);
ViStatus ask_choice(ViSession vi, std::string_view command, CodeParser parse, ViPInt16 value,
                    int position = 2);

// "<node>:RANG:AUTO ON" when autoRange (range ignored), else "<node>:RANG <range>".
ViStatus set_range(ViSession vi, std::string_view node, ViBoolean autoRange, ViReal64 range);
// "<node>:RANG:AUTO?" then "<node>:RANG?".
ViStatus get_range(ViSession vi, std::string_view node, ViPBoolean autoRange, ViPReal64 range);

}  // namespace voq
