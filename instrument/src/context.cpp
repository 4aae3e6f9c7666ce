#include "context.hpp"

#include <algorithm>

namespace sim {

void Statistics::add(double v) {
    min = count == 0 ? v : std::min(min, v);
    max = count == 0 ? v : std::max(max, v);
    sum += v;
    ++count;
}

Context::Context(const Q7304Input& in)
    : input(in), settings(default_settings(in.line_frequency)), rng(in.seed), now(Clock::now()),
      power_on(now), zeroed_at(now), detector_changed_at(now) {}

std::uint8_t Context::status_byte() const {
    std::uint8_t stb = 0;
    if (!errors.empty()) stb |= 0x04;
    if ((status.ques_event & status.ques_enable) != 0) stb |= 0x08;
    if (output_ready) stb |= 0x10;
    if ((status.esr & status.ese) != 0) stb |= 0x20;
    if ((status.oper_event & status.oper_enable) != 0) stb |= 0x80;
    if ((stb & status.sre & 0xBF) != 0) stb |= 0x40;  // master summary
    return stb;
}

void Context::set_operation(std::uint16_t condition) {
    status.oper_event |= static_cast<std::uint16_t>(condition & ~status.oper_condition);
    status.oper_condition = condition;
}

void Context::error(int code) {
    if (code <= err::command && code > err::execution) command_error = true;
    errors.push(code);
    status.esr |= static_cast<std::uint8_t>(esr_bit_for(code));
}

void Context::respond(std::string_view text) {
    if (!reply.empty() || reply_continues) reply.push_back(';');
    reply_continues = false;
    reply.append(text);
}

}  // namespace sim
