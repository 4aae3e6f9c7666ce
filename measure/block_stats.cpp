#include "block_stats.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace gu {

ReadingStats reading_stats(std::span<const double> values) {
    ReadingStats s;
    if (values.empty()) return s;
    s.min = s.max = values.front();
    // Welford's running mean and sum of squared deviations: no cancellation on readings
    // that sit far from zero with small spread.
    double mean = 0.0, m2 = 0.0;
    for (const double v : values) {
        ++s.count;
        const double delta = v - mean;
        mean += delta / static_cast<double>(s.count);
        m2 += delta * (v - mean);
        if (v < s.min) s.min = v;
        if (v > s.max) s.max = v;
    }
    s.mean = mean;
    s.std_dev = s.count > 1 ? std::sqrt(m2 / static_cast<double>(s.count - 1)) : 0.0;
    return s;
}

std::string engineering(double value, std::string_view unit, int digits) {
    static constexpr std::array<const char*, 9> prefixes{"p", "n", "\u00b5", "m", "",
                                                         "k", "M", "G", "T"};
    constexpr int unit_index = 4;  // no prefix
    char text[64];
    if (!std::isfinite(value)) {
        std::snprintf(text, sizeof text, "%g", value);
        return std::string(text) + (unit.empty() ? "" : " ") + std::string(unit);
    }
    int exponent = 0;
    if (value != 0.0) exponent = static_cast<int>(std::floor(std::log10(std::fabs(value)) / 3.0));
    exponent = std::clamp(exponent, -unit_index, static_cast<int>(prefixes.size()) - 1 - unit_index);
    double scaled = value / std::pow(10.0, 3 * exponent);
    // Rounding may carry into the next prefix (999.996 -> 1000.0).
    const int whole = scaled == 0.0 ? 1 : static_cast<int>(std::floor(std::log10(std::fabs(scaled)))) + 1;
    int decimals = std::max(digits - whole, 0);
    std::snprintf(text, sizeof text, "%.*f", decimals, scaled);
    if (std::fabs(std::strtod(text, nullptr)) >= 1000.0 &&
        exponent + unit_index + 1 < static_cast<int>(prefixes.size())) {
        ++exponent;
        scaled /= 1000.0;
        decimals = std::max(digits - 1, 0);
        std::snprintf(text, sizeof text, "%.*f", decimals, scaled);
    }
    std::string out = text;
    out += ' ';
    out += prefixes[static_cast<std::size_t>(exponent + unit_index)];
    out += unit;
    return out;
}

std::string stats_text(const ReadingStats& s, std::string_view unit) {
    if (s.count == 0) return "no readings";
    std::string out = "n " + std::to_string(s.count);
    // As many digits as the reading display shows; the spread needs fewer.
    constexpr int value_digits = 7, spread_digits = 4;
    out += "   min " + engineering(s.min, unit, value_digits);
    out += "   max " + engineering(s.max, unit, value_digits);
    out += "   mean " + engineering(s.mean, unit, value_digits);
    out += "\n\u03c3 " + engineering(s.std_dev, unit, spread_digits);
    out += "   p-p " + engineering(s.peak_to_peak(), unit, spread_digits);
    return out;
}

}  // namespace gu
