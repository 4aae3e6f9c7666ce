#include "measurement.hpp"

#include <algorithm>
#include <cmath>

#include "signal.hpp"

namespace sim {
namespace {

constexpr std::size_t max_line_edges = 4096;    // kept while a block cannot take them yet
constexpr std::size_t max_pending_pulses = 65536;

// Seconds as a clock duration, at most a century either way (and a century for no number),
// so that the clock's arithmetic stays in range: a later edge never comes.
Clock::duration to_duration(double seconds) {
    constexpr double century = 100.0 * 365.25 * 86400.0;
    const double s = std::isnan(seconds) ? century : std::clamp(seconds, -century, century);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

double relative_gate_resolution(double gate_time) {
    if (gate_time <= 0.01) return 1e-4;
    if (gate_time <= 0.1) return 1e-5;
    return 1e-6;
}

bool has_resolution(Function f) {
    return f != Function::volt_ratio && info(info(f).group).max_resolution > 0.0;
}

// The resolution a reading really has: the set one, but no finer than the range allows.
double effective_resolution(const Context& ctx, Function f, double range) {
    const double set = present_resolution(ctx, f);
    if (!has_resolution(f)) return set;
    const GroupInfo& g = info(info(f).group);
    return std::max(set, range * g.min_resolution / g.ranges.front());
}

// Rounds to the decade digit of `resolution`, as the display of that many digits does.
double quantize(double v, double resolution) {
    if (!(resolution > 0.0)) return v;
    const int exponent = static_cast<int>(std::floor(std::log10(resolution) + 1e-9));
    if (exponent < 0) {
        const double scale = std::pow(10.0, -exponent);
        return std::round(v * scale) / scale;
    }
    const double step = std::pow(10.0, exponent);
    return std::round(v / step) * step;
}

constexpr std::uint16_t reading_bits = (1u << qbit::volt_overload) | (1u << qbit::curr_overload) |
                                       (1u << qbit::res_overload) | (1u << qbit::limit_low) |
                                       (1u << qbit::limit_high);

bool is_voltage(Function f) {
    return f == Function::volt_dc || f == Function::volt_ac;
}

double apply_math(Context& ctx, double v, std::uint16_t& bits) {
    const Settings& s = ctx.settings;
    switch (s.math) {
        case MathFunction::null:
            return v - s.null_offset;
        case MathFunction::average:
            ctx.stats.add(v);
            return v;
        case MathFunction::limit:
            if (v < s.lower_limit) bits |= 1u << qbit::limit_low;
            if (v > s.upper_limit) bits |= 1u << qbit::limit_high;
            return v;
        case MathFunction::dbm:
        case MathFunction::db: {
            if (!is_voltage(s.function)) return v;
            if (v == 0.0) return -overload_reading;
            const double dbm = 10.0 * std::log10(v * v / s.dbm_reference / 1e-3);
            return s.math == MathFunction::dbm ? dbm : dbm - s.db_reference;
        }
    }
    return v;
}

// The overload reading a raw value gives on `range`, or 0 when it is in range.
double overload_of(const Context& ctx, Function f, double v, double range, Clock::time_point at) {
    const Group g = info(f).group;
    if (f == Function::volt_ratio) {
        const double input = input_level(ctx, Function::volt_dc, at);
        if (std::abs(input) <= 1.2 * range) return 0.0;
        return std::copysign(overload_reading, input);
    }
    if (g == Group::freq || g == Group::period) {
        const bool over = group_input(ctx, g, at) > 1.2 * range || std::abs(v) >= overload_reading;
        return over ? overload_reading : 0.0;
    }
    return std::abs(v) > 1.2 * range ? std::copysign(overload_reading, v) : 0.0;
}

void take_reading(Context& ctx, Clock::time_point end) {
    const Settings& s = ctx.settings;
    const Function f = s.function;
    const Group g = info(f).group;
    const double range = present_range(ctx, g);
    const double aperture = std::chrono::duration<double>(ctx.measurement.per_reading).count();
    const double resolution = effective_resolution(ctx, f, range);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    double v = sample_input(ctx, f, range, aperture, end);
    v += ctx.input.noise * resolution * unit(ctx.rng);

    std::uint16_t bits = 0;
    double over = overload_of(ctx, f, v, range, end);
    if (over == 0.0 && !(std::abs(v) < overload_reading))  // beyond what a reading can show
        over = std::signbit(v) && !std::isnan(v) ? -overload_reading : overload_reading;
    if (over != 0.0) {
        v = over;
        bits |= static_cast<std::uint16_t>(1u << info(g).overload_bit);
    } else {
        v = quantize(v, resolution);
        if (s.math_on) v = apply_math(ctx, v, bits);
    }
    ctx.status.ques_condition =
        static_cast<std::uint16_t>((ctx.status.ques_condition & ~reading_bits) | bits);
    ctx.status.ques_event |= bits;
    if (ctx.memory.size() < memory_capacity) ctx.memory.push_back(v);
}

// Each enabled TTL output pulses at the end of a reading.
void drive_lines(Context& ctx, Clock::time_point at) {
    if (!ctx.drive_lines) return;
    for (std::size_t line = 0; line < ctx.settings.ttl_outputs.size(); ++line) {
        if (ctx.settings.ttl_outputs[line] && ctx.pulses.size() < max_pending_pulses)
            ctx.pulses.push_back({static_cast<int>(line), at});
    }
}

void finish(Context& ctx) {
    ctx.measurement.armed = false;
    ctx.measurement.bus_triggers.clear();
    ctx.measurement.line_edges.clear();
    ctx.set_operation(0);
    if (ctx.status.opc_armed) {
        ctx.status.opc_armed = false;
        ctx.status.esr |= esr::operation_complete;
    }
}

// The first external trigger edge at or after `since`.
std::optional<Clock::time_point> external_edge(const Context& ctx, Clock::time_point since) {
    const ExternalTrigger& e = ctx.input.external;
    if (e.count == 0) return std::nullopt;
    const Clock::time_point first = ctx.power_on + to_duration(e.start);
    if (since <= first) return first;
    const Clock::duration period = to_duration(e.period);
    if (period <= Clock::duration::zero()) return std::nullopt;
    const auto k = (since - first + period - Clock::duration(1)) / period;
    if (e.count > 0 && k >= e.count) return std::nullopt;
    return first + k * period;
}

// Where the search for the next triggers stands in the received bus triggers and TTL edges.
struct TriggerCursor {
    std::size_t bus = 0;
    std::size_t edge = 0;
};

// When the next trigger of a block waiting since `since` comes; empty while unknown.
std::optional<Clock::time_point> next_trigger(const Context& ctx, Clock::time_point since,
                                              TriggerCursor& c) {
    const Measurement& m = ctx.measurement;
    switch (m.source) {
        case TriggerSource::immediate:
            return since;
        case TriggerSource::bus:
            if (c.bus == m.bus_triggers.size()) return std::nullopt;
            return std::max(since, m.bus_triggers[c.bus++]);
        case TriggerSource::external:
            return external_edge(ctx, since);
        case TriggerSource::ttl:
            // An edge counts only while the block waits for its trigger.
            while (c.edge < m.line_edges.size() && m.line_edges[c.edge] < since) ++c.edge;
            if (c.edge == m.line_edges.size()) return std::nullopt;
            return m.line_edges[c.edge++];
    }
    return std::nullopt;
}

void consume(Measurement& m, const TriggerCursor& c) {
    m.bus_triggers.erase(m.bus_triggers.begin(),
                         m.bus_triggers.begin() + static_cast<std::ptrdiff_t>(c.bus));
    m.line_edges.erase(m.line_edges.begin(),
                       m.line_edges.begin() + static_cast<std::ptrdiff_t>(c.edge));
}

Clock::time_point reading_end(const Measurement& m, long sample) {
    return m.trigger_at + m.delay + (sample + 1) * m.per_reading;
}

}  // namespace

double present_range(const Context& ctx, Group g) {
    const auto ranges = info(g).ranges;
    const GroupSettings& gs = ctx.settings.group(g);
    if (!gs.auto_range) return ranges[std::min(gs.range_index, ranges.size() - 1)];
    return auto_picked_range(ctx, g);
}

double auto_picked_range(const Context& ctx, Group g) {
    const auto ranges = info(g).ranges;
    const double input = group_input(ctx, g, ctx.now);
    for (const double r : ranges) {
        if (input <= r) return r;
    }
    return ranges.back();
}

double present_resolution(const Context& ctx, Function f) {
    const Group g = info(f).group;
    if (g == Group::freq || g == Group::period) {
        const double value = std::abs(input_level(ctx, f, ctx.now));
        const double base = value >= overload_reading ? 1.0 : value;
        return base * relative_gate_resolution(ctx.settings.group(g).aperture);
    }
    if (f == Function::volt_ratio) return 1e-6;
    return ctx.settings.group(g).resolution;
}

void note_detector_path(Context& ctx) {
    const Settings& s = ctx.settings;
    const GroupSettings& volt = s.group(Group::volt_ac);
    const GroupSettings& curr = s.group(Group::curr_ac);
    const Context::DetectorPath path{s.function,        volt.auto_range,  curr.auto_range,
                                     volt.range_index,  curr.range_index, s.detector_bandwidth};
    if (path == ctx.detector_path) return;
    ctx.detector_path = path;
    ctx.detector_changed_at = ctx.now;
}

int initiate(Context& ctx) {
    Measurement& m = ctx.measurement;
    if (m.armed) {
        ctx.error(err::init_ignored);
        return err::init_ignored;
    }
    const Settings& s = ctx.settings;
    const long long total = static_cast<long long>(s.trigger_count) * s.sample_count;
    if (total > static_cast<long long>(memory_capacity)) {
        ctx.error(err::too_much_data);
        return err::too_much_data;
    }
    m = Measurement{};
    m.armed = true;
    m.source = s.trigger_source;
    m.line = s.ttl_source_line;
    m.triggers = s.trigger_count;
    m.samples = s.sample_count;
    m.per_reading = to_duration(s.aperture(s.group()));
    m.delay = to_duration(s.effective_delay());
    m.last_end = ctx.now;
    if (ac_detected(s.function)) {
        const auto settled =
            ctx.detector_changed_at + to_duration(detector_settling(s.detector_bandwidth));
        m.last_end = std::max(m.last_end, settled);  // no trigger counts before
    }
    ctx.memory.clear();
    ctx.set_operation(obit::waiting_for_trigger);
    return 0;
}

void abort_measurement(Context& ctx) {
    if (ctx.measurement.armed) finish(ctx);
}

void bus_trigger(Context& ctx) {
    Measurement& m = ctx.measurement;
    const long outstanding =
        m.triggers - m.triggers_started - static_cast<long>(m.bus_triggers.size());
    if (!m.armed || m.source != TriggerSource::bus || outstanding <= 0) {
        ctx.error(err::trigger_ignored);
        return;
    }
    m.bus_triggers.push_back(ctx.now);
    advance(ctx);
}

void line_trigger(Context& ctx, int line, Clock::time_point at) {
    advance(ctx);
    Measurement& m = ctx.measurement;
    if (!m.armed || m.source != TriggerSource::ttl || m.line != line) return;
    // An edge while the block measures, or before it waited, is not a trigger.
    if (m.in_trigger || at < m.last_end || m.line_edges.size() >= max_line_edges) return;
    m.line_edges.insert(std::upper_bound(m.line_edges.begin(), m.line_edges.end(), at), at);
    advance(ctx);
}

void advance(Context& ctx) {
    Measurement& m = ctx.measurement;
    while (m.armed) {
        if (!m.in_trigger) {
            while (!m.line_edges.empty() && m.line_edges.front() < m.last_end)
                m.line_edges.pop_front();
            TriggerCursor c;
            const auto start = next_trigger(ctx, m.last_end, c);
            if (!start || *start > ctx.now) break;
            consume(m, c);
            m.in_trigger = true;
            m.trigger_at = *start;
            m.sample_in_trigger = 0;
            ++m.triggers_started;
            ctx.set_operation(obit::measuring);
        }
        const auto ready = reading_end(m, m.sample_in_trigger);
        if (ready > ctx.now) break;
        take_reading(ctx, ready);
        drive_lines(ctx, ready);
        m.last_end = ready;
        if (++m.sample_in_trigger == m.samples) {
            m.in_trigger = false;
            if (m.triggers_started == m.triggers) {
                finish(ctx);
            } else {
                ctx.set_operation(obit::waiting_for_trigger);
            }
        }
    }
}

std::optional<Clock::time_point> completion_time(const Context& ctx) {
    const Measurement& m = ctx.measurement;
    if (!m.armed) return ctx.now;
    const auto block = m.delay + m.samples * m.per_reading;
    Clock::time_point t = m.in_trigger ? m.trigger_at + block : m.last_end;
    TriggerCursor c;
    for (long k = m.triggers_started; k < m.triggers; ++k) {
        const auto start = next_trigger(ctx, t, c);
        if (!start) return std::nullopt;
        t = *start + block;
    }
    return t;
}

std::optional<Clock::time_point> next_reading_time(const Context& ctx) {
    const Measurement& m = ctx.measurement;
    if (!m.armed) return std::nullopt;
    if (m.in_trigger) return reading_end(m, m.sample_in_trigger);
    TriggerCursor c;
    const auto start = next_trigger(ctx, m.last_end, c);
    if (!start) return std::nullopt;
    return *start + m.delay + m.per_reading;
}

}  // namespace sim
