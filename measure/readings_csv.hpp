// The last block or the trend as a table: a header of the settings and the start time,
// then one row per reading (index, seconds since the start where known, value, unit).
// Comma-separated for files, tab-separated for the clipboard.
#pragma once

#include <string>

#include "reading_record.hpp"

namespace gu {

std::string block_table(const BlockRecord& block, char separator);
std::string trend_table(char separator);

// The log of readings, comma-separated: the export's header and column titles, then rows of
// readings and, where the function or unit changes, the trace row of the trend.
std::string log_header(const SettingsSnapshot& settings, WallTime start);
std::string log_trace_row(int number, const SettingsSnapshot& settings, WallTime start);
void log_reading_row(std::string& out, std::size_t index, double seconds, double value,
                     const std::string& unit);

// "2026-12-10T00:53:00.123Z"
std::string iso_time(WallTime time);

}  // namespace gu
