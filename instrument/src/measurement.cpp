#include "measurement.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim {
namespace {

Clock::duration to_duration(double seconds) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// The magnitude auto range looks at for a group.
double group_input(const Q7304Input& in, Group g) {
    switch (g) {
        case Group::volt_dc:
            return std::abs(in.volt_dc);
        case Group::volt_ac:
            return std::abs(in.volt_ac);
        case Group::curr_dc:
            return std::abs(in.curr_dc);
        case Group::curr_ac:
            return std::abs(in.curr_ac);
        case Group::res:
            return std::abs(in.resistance);
        case Group::freq:
        case Group::period:
            return std::abs(in.volt_ac);  // signal amplitude
    }
    return 0.0;
}

double relative_gate_resolution(double gate_time) {
    if (gate_time <= 0.01) return 1e-4;
    if (gate_time <= 0.1) return 1e-5;
    return 1e-6;
}

double function_input(const Q7304Input& in, Function f) {
    switch (f) {
        case Function::freq:
            return in.frequency;
        case Function::period:
            return in.frequency > 0.0 ? 1.0 / in.frequency : overload_reading;
        case Function::fres:
        case Function::res:
            return in.resistance;
        case Function::volt_ac:
            return in.volt_ac;
        case Function::volt_dc:
            return in.volt_dc;
        case Function::curr_ac:
            return in.curr_ac;
        case Function::curr_dc:
            return in.curr_dc;
        case Function::volt_ratio:
            return in.ratio;
    }
    return 0.0;
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

void take_reading(Context& ctx) {
    const Settings& s = ctx.settings;
    const Function f = s.function;
    const Group g = info(f).group;
    const double range = present_range(ctx, g);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    double v = function_input(ctx.input, f);
    v += ctx.input.noise * present_resolution(ctx, f) * unit(ctx.rng);

    bool overload = false;
    if (f == Function::volt_ratio) {
        overload = std::abs(ctx.input.volt_dc) > 1.2 * range;
    } else if (g == Group::freq || g == Group::period) {
        overload = group_input(ctx.input, g) > 1.2 * range || std::abs(v) >= overload_reading;
    } else {
        overload = std::abs(v) > 1.2 * range;
    }
    std::uint16_t bits = 0;
    if (overload) {
        v = overload_reading;
        bits |= static_cast<std::uint16_t>(1u << info(g).overload_bit);
    } else if (s.math_on) {
        v = apply_math(ctx, v, bits);
    }
    ctx.status.ques_condition =
        static_cast<std::uint16_t>((ctx.status.ques_condition & ~reading_bits) | bits);
    ctx.status.ques_event |= bits;
    if (ctx.memory.size() < memory_capacity) ctx.memory.push_back(v);
}

void finish(Context& ctx) {
    ctx.measurement.armed = false;
    ctx.measurement.bus_triggers.clear();
    if (ctx.status.opc_armed) {
        ctx.status.opc_armed = false;
        ctx.status.esr |= esr::operation_complete;
    }
}

}  // namespace

double present_range(const Context& ctx, Group g) {
    const auto ranges = info(g).ranges;
    const GroupSettings& gs = ctx.settings.group(g);
    if (!gs.auto_range) return ranges[std::min(gs.range_index, ranges.size() - 1)];
    const double input = group_input(ctx.input, g);
    for (const double r : ranges) {
        if (input <= r) return r;
    }
    return ranges.back();
}

double present_resolution(const Context& ctx, Function f) {
    const Group g = info(f).group;
    if (g == Group::freq || g == Group::period) {
        const double value = std::abs(function_input(ctx.input, f));
        const double base = value >= overload_reading ? 1.0 : value;
        return base * relative_gate_resolution(ctx.settings.group(g).aperture);
    }
    if (f == Function::volt_ratio) return 1e-6;
    return ctx.settings.group(g).resolution;
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
    m.triggers = s.trigger_count;
    m.samples = s.sample_count;
    m.per_reading = to_duration(s.aperture(s.group()));
    m.delay = to_duration(s.effective_delay());
    m.last_end = ctx.now;
    ctx.memory.clear();
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

void advance(Context& ctx) {
    Measurement& m = ctx.measurement;
    while (m.armed) {
        if (!m.in_trigger) {
            Clock::time_point start = m.last_end;
            if (m.source == TriggerSource::bus) {
                if (m.bus_triggers.empty()) return;
                start = std::max(start, m.bus_triggers.front());
                m.bus_triggers.pop_front();
            } else if (m.source != TriggerSource::immediate) {
                return;  // external and TTL triggers never arrive here
            }
            m.in_trigger = true;
            m.trigger_at = start;
            m.sample_in_trigger = 0;
            ++m.triggers_started;
        }
        const auto ready = m.trigger_at + m.delay + (m.sample_in_trigger + 1) * m.per_reading;
        if (ready > ctx.now) return;
        take_reading(ctx);
        m.last_end = ready;
        if (++m.sample_in_trigger == m.samples) {
            m.in_trigger = false;
            if (m.triggers_started == m.triggers) finish(ctx);
        }
    }
}

std::optional<Clock::time_point> completion_time(const Context& ctx) {
    const Measurement& m = ctx.measurement;
    if (!m.armed) return ctx.now;
    const auto block = m.delay + m.samples * m.per_reading;
    Clock::time_point t = m.in_trigger ? m.trigger_at + block : m.last_end;
    std::size_t next_bus = 0;
    for (long k = m.triggers_started; k < m.triggers; ++k) {
        if (m.source == TriggerSource::bus) {
            if (next_bus == m.bus_triggers.size()) return std::nullopt;
            t = std::max(t, m.bus_triggers[next_bus++]);
        } else if (m.source != TriggerSource::immediate) {
            return std::nullopt;
        }
        t += block;
    }
    return t;
}

std::string format_nr3(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+.9E", v);
    return buf;
}

std::string format_readings(const std::vector<double>& readings) {
    std::string out;
    out.reserve(readings.size() * 17);
    for (const double v : readings) {
        if (!out.empty()) out.push_back(',');
        out += format_nr3(v);
    }
    return out;
}

}  // namespace sim
