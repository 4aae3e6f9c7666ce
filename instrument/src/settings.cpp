#include "settings.hpp"

namespace sim {

double Settings::aperture(Group g) const {
    const GroupSettings& s = group(g);
    if (info(g).integration == Integration::gate_time) return s.aperture;
    return s.by_nplc ? s.nplc / line_frequency : s.aperture;
}

double Settings::nplc(Group g) const {
    const GroupSettings& s = group(g);
    return s.by_nplc ? s.nplc : s.aperture * line_frequency;
}

Settings default_settings(int line_frequency) {
    Settings s;
    // A line frequency other than the three supported ones falls back to 50 Hz.
    const bool supported = line_frequency == 50 || line_frequency == 60 || line_frequency == 400;
    s.line_frequency = supported ? line_frequency : 50;
    for (std::size_t i = 0; i < group_count; ++i) {
        const GroupInfo& g = group_table[i];
        GroupSettings& gs = s.groups[i];
        gs.resolution = g.default_resolution;
        gs.by_nplc = g.integration != Integration::gate_time;
        gs.nplc = 1.0;
        gs.aperture = 0.1;  // the FREQ/PER gate time
    }
    return s;
}

}  // namespace sim
