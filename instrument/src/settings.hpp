// Every user setting of the instrument, with its *RST value.
#pragma once

#include <array>
#include <cstddef>

#include "functions.hpp"

namespace sim {

enum class TriggerSource { bus, external, immediate, ttl };
enum class MathFunction { null, average, limit, dbm, db };

inline constexpr long max_count = 16777215;
inline constexpr double auto_trigger_delay = 0.00035;  // seconds
inline constexpr double max_trigger_delay = 2100.0;

struct GroupSettings {
    bool auto_range = true;
    std::size_t range_index = 0;  // used while auto range is off
    double resolution = 0.0;
    // The integration time is set either as NPLC or as an aperture; the other follows from
    // the line frequency, so aperture = NPLC / line frequency always holds.
    bool by_nplc = true;
    double nplc = 1.0;
    double aperture = 0.1;
};

struct Settings {
    Function function = Function::volt_dc;
    std::array<GroupSettings, group_count> groups{};
    double detector_bandwidth = 20.0;

    TriggerSource trigger_source = TriggerSource::immediate;
    int ttl_source_line = 0;
    long trigger_count = 1;
    bool auto_delay = true;
    double trigger_delay = auto_trigger_delay;
    long sample_count = 1;

    bool math_on = false;
    MathFunction math = MathFunction::null;
    double null_offset = 0.0;
    double lower_limit = 0.0;
    double upper_limit = 0.0;
    double dbm_reference = 600.0;
    double db_reference = 0.0;

    bool input_auto_impedance = false;
    std::array<bool, 8> ttl_outputs{};
    bool auto_zero = true;
    int line_frequency = 50;

    GroupSettings& group(Group g) { return groups[static_cast<std::size_t>(g)]; }
    const GroupSettings& group(Group g) const { return groups[static_cast<std::size_t>(g)]; }
    Group group() const { return info(function).group; }

    double aperture(Group g) const;  // seconds one reading integrates
    double nplc(Group g) const;
    double effective_delay() const { return auto_delay ? auto_trigger_delay : trigger_delay; }
};

Settings default_settings(int line_frequency);

}  // namespace sim
