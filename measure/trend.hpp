// The trend of automatic updates: every reading auto update shows, with its time, the last
// TREND_CAPACITY kept. A change of function or unit starts a new trace.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "reading_record.hpp"

namespace gu {

inline constexpr std::size_t TREND_CAPACITY = 10000;

struct TrendTrace {
    int number = 0;  // 1 for the first trace since the trend was cleared
    int function_code = -1;
    std::string unit;
    SettingsSnapshot settings;  // when the trace started
    WallTime start{};
    std::size_t first = 0;  // index of its first reading kept, counted since the clear
    std::size_t count = 0;  // readings of it still kept
};

struct TrendPoint {
    double seconds;  // since the trend started
    double value;
};

// Readings taken at `taken`, no earlier than those added before them.
void trend_add(const double* values, int count, int function_code, const std::string& unit,
               std::chrono::steady_clock::time_point taken = std::chrono::steady_clock::now());
void trend_clear();

std::size_t trend_size();  // readings kept, over all traces
const std::vector<TrendTrace>& trend_traces();  // oldest first; only traces with readings kept
WallTime trend_start();
// The kept readings of trace `n` of trend_traces(), oldest first; into `out`, which keeps
// its room for the next call.
std::vector<TrendPoint> trend_points(std::size_t n);
void trend_points(std::size_t n, std::vector<TrendPoint>& out);
// All kept readings with the index of their trace in trend_traces().
struct TrendRow {
    std::size_t index;  // counted since the clear, from 1
    TrendPoint point;
    std::size_t trace;
};
std::vector<TrendRow> trend_rows();

// A pause in the readings longer than this many of their usual intervals (the median) is a
// gap, not a line from the reading before it to the one after.
inline constexpr double TREND_GAP_INTERVALS = 5.0;
// Where runs of `points` (one trace, oldest first) start between gaps: 0 first, ascending;
// into `starts`.
void trend_runs(const std::vector<TrendPoint>& points, std::vector<std::size_t>& starts);

}  // namespace gu
