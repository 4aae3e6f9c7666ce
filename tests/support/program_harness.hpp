// Runs the front panel headless in the test's own process: a bus description for the
// VISA library, an I/O trace to read back, and the main sequence with a script acting
// as the user inside the event loop.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace gutest {

// Writes `text` to a fresh file under the test's temporary folder and returns its path.
std::string write_temp_file(std::string_view name, std::string_view text);
std::string read_file(const std::string& path);

// Points the VISA library at a bus description (before the library is first used).
void use_bus(std::string_view description);
// Turns the VISA I/O trace on; returns the trace file's path.
std::string use_trace();
// Lines of the trace written by viWrite, in order (the messages the driver sent).
std::vector<std::string> written_commands(const std::string& trace_path);
// Number of trace lines, to look only at what an action sent afterwards.
std::size_t trace_line_count(const std::string& trace_path);
std::vector<std::string> written_commands_since(const std::string& trace_path, std::size_t line);

// Scripted mode of the run-time, offscreen; idempotent.
void start_runtime();

// Runs the whole main sequence; `script` runs inside the outermost event loop once
// start-up is done, and the loop then ends with 0. Returns what the main sequence returned.
int run_program(std::function<void()> script);

}  // namespace gutest
