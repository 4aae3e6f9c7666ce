// The log of readings: every reading the program shows from its start on (single readings,
// Auto Update, blocks) appended to a CSV file, each batch written through to the file as it
// comes. A failed write stops the log, told once; readings go on.
#pragma once

#include <cstddef>
#include <string>

#include "reading_record.hpp"

namespace gu {

// Starts a log at `path` (its header written with the Data menu's care for files); false
// when the user kept an existing file or the header could not be written (told).
bool reading_log_start(const char* path);
void reading_log_stop();
bool reading_log_on();
const std::string& reading_log_path();
std::size_t reading_log_rows();  // readings logged

// Readings shown, of a function and unit; nothing while no log runs.
void reading_log_add(const double* values, int count, int function_code, const std::string& unit);

// Called when a failed write stopped the log (after its pop-up).
void on_reading_log_stopped(void (*stopped)());

}  // namespace gu
