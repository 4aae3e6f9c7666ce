// CALCulate: null offset, statistics, limits, dBm and dB.
#include <array>
#include <string>

#include "handlers.hpp"

namespace sim {
namespace {

constexpr std::array<std::string_view, 5> math_names{"NULL", "AVERage", "LIMit", "DBM", "DB"};
constexpr std::array<std::string_view, 5> math_replies{"NULL", "AVER", "LIM", "DBM", "DB"};
constexpr NumericLimits math_value{-1.0e9, 1.0e9, 0.0, ""};
constexpr NumericLimits dbm_reference{50.0, 8000.0, 600.0, "OHM"};
constexpr NumericLimits db_reference{-200.0, 200.0, 0.0, "DBM"};

bool is_decibel(MathFunction m) {
    return m == MathFunction::dbm || m == MathFunction::db;
}
bool measures_voltage(const Settings& s) {
    return s.function == Function::volt_dc || s.function == Function::volt_ac;
}

void set_value(Context& ctx, const Call& call, const NumericLimits& limits, double& target) {
    if (!expect_params(ctx, call, 1, 1)) return;
    if (const auto v = get_number(ctx, call.params[0], limits)) target = *v;
}

void query_value(Context& ctx, const Call& call, const NumericLimits& limits, double value) {
    if (!answer_limits(ctx, call, limits)) respond_nr3(ctx, value);
}

}  // namespace

void calc_state_set(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return;
    const auto on = get_bool(ctx, call.params[0]);
    if (!on) return;
    Settings& s = ctx.settings;
    if (*on && is_decibel(s.math) && !measures_voltage(s)) {
        ctx.error(err::settings_conflict);  // dBm and dB need a voltage function
        return;
    }
    if (*on && !s.math_on) ctx.stats.reset();
    s.math_on = *on;
}
void calc_state_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_bool(ctx, ctx.settings.math_on);
}

void calc_function_set(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return;
    const auto choice = get_choice(ctx, call.params[0], math_names);
    if (!choice) return;
    Settings& s = ctx.settings;
    const auto math = static_cast<MathFunction>(*choice);
    if (s.math_on && is_decibel(math) && !measures_voltage(s)) {
        ctx.error(err::settings_conflict);
        return;
    }
    if (math != s.math) ctx.stats.reset();
    s.math = math;
}
void calc_function_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call))
        ctx.respond(math_replies[static_cast<std::size_t>(ctx.settings.math)]);
}

void null_offset_set(Context& ctx, const Call& call) {
    set_value(ctx, call, math_value, ctx.settings.null_offset);
}
void null_offset_q(Context& ctx, const Call& call) {
    query_value(ctx, call, math_value, ctx.settings.null_offset);
}

void average_min_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_nr3(ctx, ctx.stats.min);
}
void average_max_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_nr3(ctx, ctx.stats.max);
}
void average_average_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_nr3(ctx, ctx.stats.average());
}
void average_count_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_int(ctx, ctx.stats.count);
}

void limit_lower_set(Context& ctx, const Call& call) {
    set_value(ctx, call, math_value, ctx.settings.lower_limit);
}
void limit_lower_q(Context& ctx, const Call& call) {
    query_value(ctx, call, math_value, ctx.settings.lower_limit);
}
void limit_upper_set(Context& ctx, const Call& call) {
    set_value(ctx, call, math_value, ctx.settings.upper_limit);
}
void limit_upper_q(Context& ctx, const Call& call) {
    query_value(ctx, call, math_value, ctx.settings.upper_limit);
}

void dbm_reference_set(Context& ctx, const Call& call) {
    set_value(ctx, call, dbm_reference, ctx.settings.dbm_reference);
}
void dbm_reference_q(Context& ctx, const Call& call) {
    query_value(ctx, call, dbm_reference, ctx.settings.dbm_reference);
}
void db_reference_set(Context& ctx, const Call& call) {
    set_value(ctx, call, db_reference, ctx.settings.db_reference);
}
void db_reference_q(Context& ctx, const Call& call) {
    query_value(ctx, call, db_reference, ctx.settings.db_reference);
}

}  // namespace sim
