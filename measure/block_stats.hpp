// Statistics of a run of readings, and numbers written with engineering prefixes.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace gu {

struct ReadingStats {
    std::size_t count = 0;
    double min = 0.0, max = 0.0, mean = 0.0;
    double std_dev = 0.0;  // sample standard deviation (n - 1); 0 for fewer than two
    double peak_to_peak() const { return max - min; }
};

ReadingStats reading_stats(std::span<const double> values);

// "1.2346 mVDC": the value scaled to a prefix from p to T, `digits` significant digits, then
// the unit. Non-finite values are written as they are.
std::string engineering(double value, std::string_view unit, int digits = 5);

// One line for the panels: count, minimum, maximum, mean, standard deviation, peak to peak.
std::string stats_text(const ReadingStats& stats, std::string_view unit);

}  // namespace gu
