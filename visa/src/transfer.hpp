// One message transfer of a session, as every read and write call makes it. Called with the
// session's transfer lock held.
#pragma once

#include <string>
#include <string_view>

#include "sessions.hpp"

namespace simvisa {

ViStatus write_message(Session& s, std::string_view bytes, bool end, Stop stop);
// Up to `max` bytes: VI_SUCCESS at END, VI_SUCCESS_TERM_CHAR after the termination
// character (when enabled), VI_SUCCESS_MAX_CNT when `max` bytes came first; what came
// before an error stays in `out`.
ViStatus read_message(Session& s, std::string& out, std::size_t max, Stop stop);

}  // namespace simvisa
