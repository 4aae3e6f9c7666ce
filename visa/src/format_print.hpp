// viPrintf's formatting: C conversions plus VISA's arrays (",N"), IEEE 488.2 number forms
// ("@1" "@2" "@3"), definite and indefinite length blocks (%b %B) and raw binary (%y).
#pragma once

#include <functional>
#include <string>

#include "format_spec.hpp"

namespace simvisa {

struct PrintTarget {
    std::string& out;
    // Sends what is in `out` (with END when asked); null for a text in memory.
    std::function<ViStatus(bool end)> flush;
    std::size_t full_at = 0;  // flush without END once `out` holds this many bytes; 0: never
};

ViStatus format_print(PrintTarget& target, std::string_view fmt, VaArgs& args);

}  // namespace simvisa
