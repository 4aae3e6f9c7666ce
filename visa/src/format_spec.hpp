// One directive of a VISA format string: "%[*][flags][width][.precision][,count][modifiers]code".
#pragma once

#include <cstdarg>
#include <string_view>

#include "visa.h"

namespace simvisa {

// A va_list that helper functions can share.
struct VaArgs {
    va_list ap;
};

struct FormatSpec {
    bool suppress = false;      // scan: '*' right after '%'
    bool left = false, plus = false, space = false, alt = false, zero = false;
    int width = -1;             // -1: none
    bool width_from_arg = false;  // print: '*'
    bool count_from_arg = false;  // '#' (before the code, or after ',')
    int precision = -1;
    bool precision_from_arg = false;
    bool array = false;         // ','
    int array_count = -1;       // the number after ','
    bool array_count_from_arg = false;
    enum class Size { none, hh, h, l, ll, L, z, Z } size = Size::none;
    bool little_endian = false;  // "!ol"
    int nr = 0;                  // "@1", "@2", "@3"
    char code = 0;
    std::string_view set;        // scan: the characters of "[...]", with the brackets
};

// Reads the directive after a '%' at `fmt[pos]`; false when it is malformed. `pos` ends past it.
bool parse_spec(std::string_view fmt, std::size_t& pos, FormatSpec& spec, bool scanning);

}  // namespace simvisa
