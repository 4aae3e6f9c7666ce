// What the program keeps of the readings it shows: the settings they were taken with and
// the last block, for export, statistics and the trend.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace gu {

// The settings a measurement was taken with, as the panels show them.
struct SettingsSnapshot {
    std::string identity;  // model, resource name and instrument revision
    int function_code = -1;
    std::string function, unit, range, resolution, aperture;
    std::string trigger_source, trigger_delay;
    int trigger_count = 0, sample_count = 0;
};
SettingsSnapshot take_snapshot();

using WallTime = std::chrono::system_clock::time_point;

struct BlockRecord {
    bool present = false;  // a measured block is on the graph
    std::vector<double> values;
    SettingsSnapshot settings;
    WallTime start{};
};
const BlockRecord& last_block();

// Called by the reading widgets: a block measurement starts; a block (or a single reading)
// was shown; the graph was cleared of readings.
void block_started();
void block_taken(const double* values, int count);
void reading_taken(double value);
void block_cleared();

// Whether the statistics under the main graph are shown (with the graph).
void show_block_stats(bool on);

}  // namespace gu
