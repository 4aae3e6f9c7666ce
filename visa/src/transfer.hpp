// One message transfer of a session, as every read and write call makes it. Called with the
// session's transfer lock held.
#pragma once

#include <string>
#include <string_view>

#include "sessions.hpp"

namespace simvisa {

// A LAN session whose connection was lost is opened again under its resource name, its
// service requests and device lock taken up again; VI_ERROR_CONN_LOST while that fails.
// Called with the transfer lock held.
ViStatus reopen_lost_link(Session& s);

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
