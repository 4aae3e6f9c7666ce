// Function, configuration and the per-function measurement settings.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "handlers.hpp"
#include "header_match.hpp"
#include "measurement.hpp"

namespace sim {
namespace {

constexpr double tolerance = 1e-9;  // relative slack when rounding up to a list entry

// The first entry of the ascending `list` at or above v.
double round_up(std::span<const double> list, double v) {
    for (const double entry : list) {
        if (v <= entry * (1.0 + tolerance)) return entry;
    }
    return list.back();
}

std::size_t range_index_for(std::span<const double> ranges, double v) {
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (v <= ranges[i] * (1.0 + tolerance)) return i;
    }
    return ranges.size() - 1;
}

// A range parameter: empty optional on error; index npos for auto range.
constexpr std::size_t auto_range = static_cast<std::size_t>(-1);
std::optional<std::size_t> get_range(Context& ctx, const Param& p, Group g, bool allow_auto) {
    const auto ranges = info(g).ranges;
    if (allow_auto && is_keyword(p, "AUTO")) return auto_range;
    if (is_keyword(p, "DEFault")) return auto_range;
    const auto v = get_number(ctx, p, {0.0, ranges.back(), ranges.back(), info(g).unit});
    if (!v) return std::nullopt;
    return range_index_for(ranges, *v);
}

void apply_range(Context& ctx, Group g, std::size_t index) {
    GroupSettings& gs = ctx.settings.group(g);
    gs.auto_range = index == auto_range;
    if (!gs.auto_range) gs.range_index = index;
}

NumericLimits resolution_spec(Group g) {
    const GroupInfo& gi = info(g);
    return {gi.min_resolution, gi.max_resolution, gi.default_resolution, gi.unit};
}

// MIN and MAX are the smallest and largest range; DEF (auto range) the one auto range picks.
NumericLimits range_limits(const Context& ctx, Group g) {
    const auto ranges = info(g).ranges;
    return {ranges.front(), ranges.back(), auto_picked_range(ctx, g), info(g).unit};
}

NumericLimits aperture_limits(const Context& ctx, Group g) {
    if (info(g).integration == Integration::gate_time)
        return {gate_times.front(), gate_times.back(), 0.1, "S"};
    return {min_aperture, max_aperture, 1.0 / ctx.settings.line_frequency, "S"};
}

constexpr NumericLimits nplc_limits{nplc_steps.front(), nplc_steps.back(), 1.0, ""};
constexpr NumericLimits bandwidth_limits{3.0, 200.0, 20.0, "HZ"};
constexpr NumericLimits line_frequency_limits{50.0, 400.0, 50.0, "HZ"};

bool has_resolution(Group g) {
    return info(g).max_resolution > 0.0;
}

void select_function(Context& ctx, Function f) {
    if (ctx.settings.function != f) ctx.stats.reset();
    ctx.settings.function = f;
}

// Parses a function name such as "VOLT:AC" or "volt:dc:rat".
std::optional<Function> parse_function(std::string_view text) {
    if (text.starts_with(':')) text.remove_prefix(1);
    std::array<Node, max_nodes> nodes{};
    std::size_t count = 0;
    while (count < max_nodes) {
        const auto colon = text.find(':');
        if (!split_node(text.substr(0, colon), nodes[count])) return std::nullopt;
        if (nodes[count].name.empty()) return std::nullopt;
        ++count;
        if (colon == std::string_view::npos) break;
        text.remove_prefix(colon + 1);
    }
    for (const FunctionInfo& fi : function_table) {
        if (match_header(fi.pattern, std::span<const Node>(nodes.data(), count), false, false)
                .matched)
            return fi.function;
    }
    return std::nullopt;
}

}  // namespace

void function_set(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return;
    const Param& p = call.params[0];
    if (p.kind != Param::Kind::string) {
        ctx.error(p.kind == Param::Kind::number ? err::numeric_not_allowed
                                                : err::character_not_allowed);
        return;
    }
    const auto f = parse_function(p.string);
    if (!f) {
        ctx.error(err::illegal_value);
        return;
    }
    select_function(ctx, *f);
}

void function_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call))
        ctx.respond("\"" + std::string(info(ctx.settings.function).name) + "\"");
}

namespace {

// CONFigure: false, with nothing changed, when a parameter is refused.
bool try_configure(Context& ctx, const Call& call, Function f) {
    if (!expect_params(ctx, call, 0, 2)) return false;
    const Group g = info(f).group;
    std::size_t range = auto_range;
    if (!call.params.empty()) {
        const auto r = get_range(ctx, call.params[0], g, true);
        if (!r) return false;
        range = *r;
    }
    std::optional<double> resolution;
    if (call.params.size() == 2) {
        if (has_resolution(g) && f != Function::volt_ratio) {
            resolution = get_number(ctx, call.params[1], resolution_spec(g));
            if (!resolution) return false;
        } else if (!is_keyword(call.params[1], "MINimum") &&
                   !is_keyword(call.params[1], "MAXimum") &&
                   !is_keyword(call.params[1], "DEFault") &&
                   !get_plain_number(ctx, call.params[1], info(g).unit)) {
            return false;  // accepted and ignored for functions without a resolution setting
        }
    }
    abort_measurement(ctx);
    select_function(ctx, f);
    apply_range(ctx, g, range);
    if (resolution) ctx.settings.group(g).resolution = *resolution;
    Settings& s = ctx.settings;
    s.trigger_count = 1;
    s.sample_count = 1;
    s.trigger_source = TriggerSource::immediate;
    s.auto_delay = true;
    s.math_on = false;
    return true;
}

}  // namespace

void configure(Context& ctx, const Call& call, Function f) {
    try_configure(ctx, call, f);
}

void measure_q(Context& ctx, const Call& call, Function f) {
    if (try_configure(ctx, call, f)) read_q(ctx, Call{});
}

void configure_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    const Function f = ctx.settings.function;
    const Group g = info(f).group;
    ctx.respond("\"" + std::string(info(f).name) + " " + format_nr3(present_range(ctx, g)) + "," +
                format_nr3(present_resolution(ctx, f)) + "\"");
}

void range_set(Context& ctx, const Call& call, Group g) {
    if (!expect_params(ctx, call, 1, 1)) return;
    if (const auto r = get_range(ctx, call.params[0], g, false)) apply_range(ctx, g, *r);
}

void range_q(Context& ctx, const Call& call, Group g) {
    if (!answer_limits(ctx, call, range_limits(ctx, g))) respond_nr3(ctx, present_range(ctx, g));
}

void range_auto_set(Context& ctx, const Call& call, Group g) {
    if (!expect_params(ctx, call, 1, 1)) return;
    if (is_keyword(call.params[0], "ONCE")) {  // keep the range auto picks now
        apply_range(ctx, g, range_index_for(info(g).ranges, present_range(ctx, g)));
        return;
    }
    const auto on = get_bool(ctx, call.params[0]);
    if (!on) return;
    GroupSettings& gs = ctx.settings.group(g);
    if (!*on && gs.auto_range)
        gs.range_index = range_index_for(info(g).ranges, present_range(ctx, g));
    gs.auto_range = *on;
}

void range_auto_q(Context& ctx, const Call& call, Group g) {
    if (no_params(ctx, call)) respond_bool(ctx, ctx.settings.group(g).auto_range);
}

void resolution_set(Context& ctx, const Call& call, Group g) {
    if (!expect_params(ctx, call, 1, 1)) return;
    if (const auto v = get_number(ctx, call.params[0], resolution_spec(g)))
        ctx.settings.group(g).resolution = *v;
}

void resolution_q(Context& ctx, const Call& call, Group g) {
    if (!answer_limits(ctx, call, resolution_spec(g)))
        respond_nr3(ctx, ctx.settings.group(g).resolution);
}

void aperture_set(Context& ctx, const Call& call, Group g) {
    if (!expect_params(ctx, call, 1, 1)) return;
    GroupSettings& gs = ctx.settings.group(g);
    if (info(g).integration == Integration::gate_time) {
        const auto v = get_number(ctx, call.params[0], aperture_limits(ctx, g));
        if (v) gs.aperture = round_up(gate_times, *v);
        return;
    }
    if (is_keyword(call.params[0], "DEFault")) {
        gs.by_nplc = true;
        gs.nplc = 1.0;
        return;
    }
    const auto v = get_number(ctx, call.params[0], {min_aperture, max_aperture, 0.0, "S"});
    if (!v) return;
    gs.by_nplc = false;
    gs.aperture = *v;
}

void aperture_q(Context& ctx, const Call& call, Group g) {
    if (!answer_limits(ctx, call, aperture_limits(ctx, g)))
        respond_nr3(ctx, ctx.settings.aperture(g));
}

void nplc_set(Context& ctx, const Call& call, Group g) {
    if (!expect_params(ctx, call, 1, 1)) return;
    const auto v = get_number(ctx, call.params[0], nplc_limits);
    if (!v) return;
    GroupSettings& gs = ctx.settings.group(g);
    gs.by_nplc = true;
    gs.nplc = round_up(nplc_steps, *v);
}

void nplc_q(Context& ctx, const Call& call, Group g) {
    if (!answer_limits(ctx, call, nplc_limits)) respond_nr3(ctx, ctx.settings.nplc(g));
}

void bandwidth_set(Context& ctx, const Call& call) {
    static constexpr std::array bandwidths{3.0, 20.0, 200.0};
    if (!expect_params(ctx, call, 1, 1)) return;
    if (const auto v = get_number(ctx, call.params[0], bandwidth_limits))
        ctx.settings.detector_bandwidth = round_up(bandwidths, *v);
}

void bandwidth_q(Context& ctx, const Call& call) {
    if (!answer_limits(ctx, call, bandwidth_limits))
        respond_nr3(ctx, ctx.settings.detector_bandwidth);
}

void input_auto_impedance_set(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return;
    if (const auto on = get_bool(ctx, call.params[0])) ctx.settings.input_auto_impedance = *on;
}

void input_auto_impedance_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_bool(ctx, ctx.settings.input_auto_impedance);
}

void auto_zero_set(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return;
    if (is_keyword(call.params[0], "ONCE")) {  // one zero measurement, then off
        ctx.settings.auto_zero = false;
        ctx.zeroed_at = ctx.now;
        return;
    }
    const auto on = get_bool(ctx, call.params[0]);
    if (!on) return;
    if (!*on && ctx.settings.auto_zero) ctx.zeroed_at = ctx.now;  // the drift starts now
    ctx.settings.auto_zero = *on;
}

void auto_zero_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_bool(ctx, ctx.settings.auto_zero);
}

void line_frequency_set(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return;
    const auto v = get_number(ctx, call.params[0], line_frequency_limits);
    if (!v) return;
    const long hz = std::lround(*v);
    if (std::abs(*v - static_cast<double>(hz)) > 1e-6 || (hz != 50 && hz != 60 && hz != 400)) {
        ctx.error(err::illegal_value);
        return;
    }
    ctx.settings.line_frequency = static_cast<int>(hz);
}

void line_frequency_q(Context& ctx, const Call& call) {
    if (!answer_limits(ctx, call, line_frequency_limits, true))
        respond_int(ctx, ctx.settings.line_frequency);
}

}  // namespace sim
