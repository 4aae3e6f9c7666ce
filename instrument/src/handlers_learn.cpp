// *LRN?: the program message that sets the instrument up as it is now, from *RST on.
#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "handlers.hpp"

namespace sim {
namespace {

// Short-form nodes of each group's settings, in Group order.
struct GroupNodes {
    std::string_view node;   // resolution and integration
    std::string_view range;  // the range's own node
};
constexpr std::array<GroupNodes, group_count> group_nodes{{
    {"VOLT", "VOLT"},
    {"VOLT:AC", "VOLT:AC"},
    {"CURR", "CURR"},
    {"CURR:AC", "CURR:AC"},
    {"RES", "RES"},
    {"FREQ", "FREQ:VOLT"},
    {"PER", "PER:VOLT"},
}};
constexpr std::array<std::string_view, 5> math_names{"NULL", "AVER", "LIM", "DBM", "DB"};
constexpr std::array<std::string_view, 3> source_names{"BUS", "EXT", "IMM"};

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15G", v);
    return text;
}

class Learn {
public:
    // One command from the root.
    void add(std::string_view header, std::string_view value) {
        text_ += text_.empty() ? "" : ";:";
        text_.append(header);
        if (!value.empty()) text_.append(" ").append(value);
    }
    void add(std::string_view header, double value) { add(header, number(value)); }
    void add_flag(std::string_view header, bool on) { add(header, on ? "1" : "0"); }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

void learn_group(Learn& out, const Settings& s, Group g) {
    const GroupInfo& gi = info(g);
    const GroupSettings& gs = s.group(g);
    const GroupNodes& n = group_nodes[static_cast<std::size_t>(g)];
    const std::string range(n.range);
    const std::string node(n.node);
    if (gs.auto_range)
        out.add(range + ":RANG:AUTO", "1");
    else
        out.add(range + ":RANG", gi.ranges[gs.range_index]);
    if (gi.max_resolution > 0.0) out.add(node + ":RES", gs.resolution);
    if (gi.integration == Integration::gate_time)
        out.add(node + ":APER", gs.aperture);
    else if (gi.integration == Integration::aperture_and_nplc)
        out.add(node + (gs.by_nplc ? ":NPLC" : ":APER"), gs.by_nplc ? gs.nplc : gs.aperture);
}

}  // namespace

void lrn_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    const Settings& s = ctx.settings;
    Learn out;
    out.add("*RST", "");
    out.add("SYST:LFR", static_cast<double>(s.line_frequency));  // before any NPLC
    for (std::size_t g = 0; g < group_count; ++g) learn_group(out, s, static_cast<Group>(g));
    out.add("DET:BAND", s.detector_bandwidth);
    out.add("FUNC", "\"" + std::string(info(s.function).name) + "\"");
    if (s.trigger_source == TriggerSource::ttl)
        out.add("TRIG:SOUR", "TTLT" + std::to_string(s.ttl_source_line));
    else
        out.add("TRIG:SOUR", source_names[static_cast<std::size_t>(s.trigger_source)]);
    out.add("TRIG:COUN", static_cast<double>(s.trigger_count));
    if (s.auto_delay)
        out.add("TRIG:DEL:AUTO", "1");
    else
        out.add("TRIG:DEL", s.trigger_delay);
    out.add("SAMP:COUN", static_cast<double>(s.sample_count));
    out.add("CALC:FUNC", math_names[static_cast<std::size_t>(s.math)]);
    out.add("CALC:NULL:OFFS", s.null_offset);
    out.add("CALC:LIM:LOW", s.lower_limit);
    out.add("CALC:LIM:UPP", s.upper_limit);
    out.add("CALC:DBM:REF", s.dbm_reference);
    out.add("CALC:DB:REF", s.db_reference);
    out.add_flag("CALC:STAT", s.math_on);  // after the function it needs
    out.add_flag("INP:IMP:AUTO", s.input_auto_impedance);
    for (std::size_t line = 0; line < s.ttl_outputs.size(); ++line)
        if (s.ttl_outputs[line]) out.add("OUTP:TTLT" + std::to_string(line), "1");  // *RST: off
    out.add_flag("ZERO:AUTO", s.auto_zero);
    ctx.respond(out.take());
}

}  // namespace sim
