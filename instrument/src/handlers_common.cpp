// IEEE 488.2 common commands, the status registers and SYSTem.
#include <cmath>
#include <cstdio>
#include <string>

#include "handlers.hpp"
#include "measurement.hpp"

namespace sim {
namespace {

constexpr NumericLimits register_byte{0, 255, 0, ""};
constexpr NumericLimits register_word{0, 65535, 0, ""};

std::optional<std::uint8_t> get_register_byte(Context& ctx, const Call& call) {
    if (!expect_params(ctx, call, 1, 1)) return std::nullopt;
    const auto v = get_number(ctx, call.params[0], register_byte);
    if (!v) return std::nullopt;
    return static_cast<std::uint8_t>(std::lround(*v));
}

}  // namespace

void respond_bool(Context& ctx, bool v) {
    ctx.respond(v ? "1" : "0");
}
void respond_int(Context& ctx, long long v) {
    ctx.respond(std::to_string(v));
}
void respond_nr3(Context& ctx, double v) {
    ctx.respond(format_nr3(v));
}
bool no_params(Context& ctx, const Call& call) {
    return expect_params(ctx, call, 0, 0);
}

void idn_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    ctx.respond("VANTREL-OSSMARK,Q7304A," + ctx.input.serial + "," + ctx.input.firmware);
}

// Settings to their defaults; the status registers, error queue and reading memory stay.
void rst(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    abort_measurement(ctx);
    ctx.settings = default_settings(ctx.input.line_frequency);
    ctx.status.opc_armed = false;
    ctx.stats.reset();
}

void cls(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    ctx.errors.clear();
    ctx.status.esr = 0;
    ctx.status.ques_event = 0;
    ctx.status.oper_event = 0;
    ctx.status.opc_armed = false;
}

void ese(Context& ctx, const Call& call) {
    if (const auto v = get_register_byte(ctx, call)) ctx.status.ese = *v;
}
void ese_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_int(ctx, ctx.status.ese);
}
void esr_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    respond_int(ctx, ctx.status.esr);
    ctx.status.esr = 0;
}
void sre(Context& ctx, const Call& call) {
    if (const auto v = get_register_byte(ctx, call)) ctx.status.sre = *v & 0xBF;
}
void sre_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_int(ctx, ctx.status.sre);
}
void stb_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_int(ctx, ctx.status_byte());
}

void opc(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    if (ctx.measurement.armed) {
        ctx.status.opc_armed = true;
    } else {
        ctx.status.esr |= esr::operation_complete;
    }
}
void opc_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    if (ctx.measurement.armed) {
        ctx.wait = Wait::opc_query;
    } else {
        ctx.respond("1");
    }
}
void wai(Context& ctx, const Call& call) {
    if (no_params(ctx, call) && ctx.measurement.armed) ctx.wait = Wait::wai;
}
void trg(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) bus_trigger(ctx);
}
void tst_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_int(ctx, ctx.input.self_test);
}

namespace {

std::string error_entry(int code) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%+d,\"%.*s\"", code, static_cast<int>(error_text(code).size()),
                  error_text(code).data());
    return buf;
}

void set_register_word(Context& ctx, const Call& call, std::uint16_t& target) {
    if (!expect_params(ctx, call, 1, 1)) return;
    if (const auto v = get_number(ctx, call.params[0], register_word))
        target = static_cast<std::uint16_t>(std::lround(*v));
}

}  // namespace

void system_error_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) ctx.respond(error_entry(ctx.errors.pop()));
}
void system_error_count_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_int(ctx, static_cast<long long>(ctx.errors.size()));
}
// Every entry, oldest first, emptying the queue; "+0,"No error"" when there is none.
void system_error_all_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    std::string all = error_entry(ctx.errors.pop());
    while (!ctx.errors.empty()) all += "," + error_entry(ctx.errors.pop());
    ctx.respond(all);
}
void system_version_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) ctx.respond("1999.0");
}

void ques_condition_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_int(ctx, ctx.status.ques_condition);
}
void ques_event_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    respond_int(ctx, ctx.status.ques_event);
    ctx.status.ques_event = 0;
}
void ques_enable_set(Context& ctx, const Call& call) {
    set_register_word(ctx, call, ctx.status.ques_enable);
}
void ques_enable_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_int(ctx, ctx.status.ques_enable);
}
// SCPI-99: the enable registers of both status structures to zero.
void status_preset(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    ctx.status.ques_enable = 0;
    ctx.status.oper_enable = 0;
}

void oper_condition_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_int(ctx, ctx.status.oper_condition);
}
void oper_event_q(Context& ctx, const Call& call) {
    if (!no_params(ctx, call)) return;
    respond_int(ctx, ctx.status.oper_event);
    ctx.status.oper_event = 0;
}
void oper_enable_set(Context& ctx, const Call& call) {
    set_register_word(ctx, call, ctx.status.oper_enable);
}
void oper_enable_q(Context& ctx, const Call& call) {
    if (no_params(ctx, call)) respond_int(ctx, ctx.status.oper_enable);
}

}  // namespace sim
