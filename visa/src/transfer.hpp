// One message transfer of a session, as every read and write call makes it. Called with the
// session's transfer lock held.
#pragma once

#include <string>
#include <string_view>

#include "sessions.hpp"

namespace simvisa {

// The device of the session, on the bus or over its network link.
ViStatus device_write(Session& s, std::string_view bytes, bool end, Stop stop);
ViStatus device_read(Session& s, std::string& out, std::size_t max, bool& end, int term, Stop stop);
ViStatus device_read_stb(Session& s, ViUInt16& stb);
ViStatus device_clear(Session& s);
ViStatus device_trigger(Session& s);

ViStatus write_message(Session& s, std::string_view bytes, bool end, Stop stop);
// Up to `max` bytes: VI_SUCCESS at END, VI_SUCCESS_TERM_CHAR after the termination
// character (when enabled), VI_SUCCESS_MAX_CNT when `max` bytes came first; what came
// before an error stays in `out`.
ViStatus read_message(Session& s, std::string& out, std::size_t max, Stop stop);

}  // namespace simvisa
