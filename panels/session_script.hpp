// The session the I/O monitor recorded, as a script: the commands and queries the program
// sent, in order, with its waits on the status byte, from the VISA library's trace lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gu {

// A trace line ("viWrite(0x00000011, \"SAMP:COUN 3\\n\", 12) = VI_SUCCESS ...") joins the
// record when it moved a command, a reply or a status byte of the session.
void session_record_line(std::string_view line);
void session_record_clear();
std::size_t session_record_steps();

// A Python script on pyvisa that does it again on `resource` with `timeout_ms`, printing
// each reply; or the commands alone, one a line.
std::string session_python_script(const std::string& resource, int timeout_ms);
std::string session_scpi_list();

}  // namespace gu
