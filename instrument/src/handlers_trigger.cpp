// Triggering, the reading memory and the TTL trigger outputs.
#include <array>
#include <cmath>
#include <string>

#include "handlers.hpp"
#include "measurement.hpp"

namespace sim {
namespace {

constexpr std::array<std::string_view, 4> source_names{"BUS", "EXTernal", "IMMediate", "TTLTrg<n>"};
constexpr int ttl_lines = 8;
constexpr NumericLimits count_spec{1, static_cast<double>(max_count), 1, ""};
constexpr NumericLimits delay_spec{0.0, max_trigger_delay, auto_trigger_delay, "S"};

std::optional<long> get_count(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return std::nullopt;
    const auto v = get_number(ctx, call.params[0], count_spec);
    if (!v) return std::nullopt;
    return std::lround(*v);
}

bool ttl_line_ok(Context& ctx, const Call& call) {
    if (call.suffix >= 0 && call.suffix < ttl_lines) return true;
    ctx.error(err::suffix_out_of_range);
    return false;
}

}  // namespace

void trigger_source_set(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return;
    int line = no_suffix;
    const auto choice = get_choice(ctx, call.params[0], source_names, &line);
    if (!choice) return;
    const auto source = static_cast<TriggerSource>(*choice);
    if (source == TriggerSource::ttl) {
        if (line < 0 || line >= ttl_lines) {
            ctx.error(err::illegal_value);
            return;
        }
        ctx.settings.ttl_source_line = line;
    }
    ctx.settings.trigger_source = source;
}

void trigger_source_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    switch (ctx.settings.trigger_source) {
        case TriggerSource::bus:
            ctx.respond("BUS");
            break;
        case TriggerSource::external:
            ctx.respond("EXT");
            break;
        case TriggerSource::immediate:
            ctx.respond("IMM");
            break;
        case TriggerSource::ttl:
            ctx.respond("TTLT" + std::to_string(ctx.settings.ttl_source_line));
            break;
    }
}

void trigger_count_set(Context& ctx, const Call& call) {
    if (const auto n = get_count(ctx, call)) ctx.settings.trigger_count = *n;
}
void trigger_count_q(Context& ctx, const Call& call) {
    if (!answer_limits(ctx, call, count_spec, true)) respond_int(ctx, ctx.settings.trigger_count);
}

void trigger_delay_set(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return;
    const auto v = get_number(ctx, call.params[0], delay_spec);
    if (!v) return;
    ctx.settings.trigger_delay = *v;
    ctx.settings.auto_delay = false;
}
void trigger_delay_q(Context& ctx, const Call& call) {
    if (!answer_limits(ctx, call, delay_spec)) respond_nr3(ctx, ctx.settings.effective_delay());
}

void trigger_delay_auto_set(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return;
    const auto on = get_bool(ctx, call.params[0]);
    if (!on) return;
    // Switching auto off keeps the delay auto had chosen.
    if (!*on && ctx.settings.auto_delay) ctx.settings.trigger_delay = auto_trigger_delay;
    ctx.settings.auto_delay = *on;
}
void trigger_delay_auto_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_bool(ctx, ctx.settings.auto_delay);
}

void sample_count_set(Context& ctx, const Call& call) {
    if (const auto n = get_count(ctx, call)) ctx.settings.sample_count = *n;
}
void sample_count_q(Context& ctx, const Call& call) {
    if (!answer_limits(ctx, call, count_spec, true)) respond_int(ctx, ctx.settings.sample_count);
}

void initiate_cmd(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) initiate(ctx);
}

void respond_readings(Context& ctx) {
    if (ctx.memory.empty()) {
        ctx.error(err::data_stale);
        return;
    }
    ctx.respond(ctx.memory.text());
}

void fetch_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    if (ctx.measurement.armed) {
        ctx.wait = Wait::fetch;
    } else {
        respond_readings(ctx);
    }
}

void read_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    if (initiate(ctx) == err::too_much_data) return;
    fetch_q(ctx, call);
}

void abort_cmd(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) abort_measurement(ctx);
}

void ttl_output_set(Context& ctx, const Call& call) {
    if (!ttl_line_ok(ctx, call) || !expect_params(ctx, call, 1, 1)) return;
    if (const auto on = get_bool(ctx, call.params[0]))
        ctx.settings.ttl_outputs[static_cast<std::size_t>(call.suffix)] = *on;
}
void ttl_output_q(Context& ctx, const Call& call) {
    if (ttl_line_ok(ctx, call) && no_params(ctx, call))
        respond_bool(ctx, ctx.settings.ttl_outputs[static_cast<std::size_t>(call.suffix)]);
}

}  // namespace sim
