// Error queue and messages, status byte and registers, synchronisation, clear and trigger.
#include <array>
#include <cstdio>
#include <string>

#include "exports.hpp"
#include "link.hpp"
#include "ops.hpp"
#include "scpi_parse.hpp"
#include "session.hpp"
#include "status_text.hpp"
#include "visa_calls.hpp"

using namespace voq;

namespace {

constexpr std::size_t kMessageBuffer = 256;  // VXIplug&play error and status texts

// Selector 401..413 of the questionable register: bit = selector - 401.
std::optional<int> questionable_bit(ViInt32 reg) {
    switch (reg) {
        case VOQ7304_QUES_VOLT:
        case VOQ7304_QUES_CURR:
        case VOQ7304_QUES_RES:
        case VOQ7304_QUES_LIM_LO:
        case VOQ7304_QUES_LIM_HI:
            return reg - VOQ7304_QUES_VOLT;
        default:
            return std::nullopt;
    }
}

}  // namespace

ViStatus voq7304_error_query(ViSession vi, ViPInt32 code, ViChar message[]) {
    if (code == nullptr) return parameter_error(2);
    if (message == nullptr) return parameter_error(3);
    std::string reply;
    const ViStatus status = Link(vi).query("SYST:ERR?", reply);
    if (status < 0) return status;
    const auto entry = parse_error_entry(reply);
    if (!entry) return VOQ7304_ERROR_INV_RESPONSE;
    *code = static_cast<ViInt32>(entry->code);
    copy_text(entry->text, message, kMessageBuffer);
    return VI_SUCCESS;
}

ViStatus voq7304_error_message(ViSession vi, ViStatus status, ViChar message[]) {
    if (message == nullptr) return parameter_error(3);
    if (const auto text = driver_status_text(status)) {
        copy_text(*text, message, kMessageBuffer);
        return VI_SUCCESS;
    }
    std::array<ViChar, 512> desc{};
    if (visa().StatusDesc(vi, status, desc.data()) >= 0 ||
        visa().StatusDesc(VI_NULL, status, desc.data()) >= 0) {
        desc.back() = '\0';
        copy_text(desc.data(), message, kMessageBuffer);
        return VI_SUCCESS;
    }
    std::snprintf(desc.data(), desc.size(), "Unknown status code 0x%08X",
                  static_cast<unsigned>(status));
    copy_text(desc.data(), message, kMessageBuffer);
    return VI_WARN_UNKNOWN_STATUS;
}

ViStatus voq7304_readStatusByte_Q(ViSession vi, ViPUInt16 stb) {
    if (stb == nullptr) return parameter_error(2);
    return success_or(visa().ReadSTB(vi, stb));
}

ViStatus voq7304_statCond_Q(ViSession vi, ViInt32 reg, ViPInt32 value) {
    const auto bit = questionable_bit(reg);
    if (!bit) return parameter_error(2);
    if (value == nullptr) return parameter_error(3);
    ViInt32 condition = 0;
    const ViStatus status = ask_int32(vi, "STAT:QUES:COND?", &condition, 3);
    if (status >= 0 || status == VOQ7304_ERROR_INSTR_ERROR_DETECTED) {
        *value = (condition >> *bit) & 1;
    }
    return status;
}

// Reading the event register clears all of it; the bits not asked for are latched per
// session so that each selector still reports its own event once.
ViStatus voq7304_statEven_Q(ViSession vi, ViInt32 reg, ViPInt32 value) {
    const auto bit = questionable_bit(reg);
    if (!bit) return parameter_error(2);
    if (value == nullptr) return parameter_error(3);
    ViInt32 events = 0;
    const ViStatus status = ask_int32(vi, "STAT:QUES?", &events, 3);
    if (status < 0 && status != VOQ7304_ERROR_INSTR_ERROR_DETECTED) return status;
    update_session(vi, [&](SessionState& state) {
        state.event_latch |= events;
        *value = static_cast<ViInt32>((state.event_latch >> *bit) & 1);
        state.event_latch &= ~(1L << *bit);
    });
    return status;
}

ViStatus voq7304_statEvenClr(ViSession vi) {
    update_session(vi, [](SessionState& state) { state.event_latch = 0; });
    return send(vi, "*CLS");
}

ViStatus voq7304_opc(ViSession vi) {
    return send(vi, "*OPC");
}

ViStatus voq7304_opc_Q(ViSession vi, ViPBoolean complete) {
    return ask_switch(vi, "*OPC?", complete);
}

ViStatus voq7304_wai(ViSession vi) {
    return send(vi, "*WAI");
}

ViStatus voq7304_dcl(ViSession vi) {
    return success_or(visa().Clear(vi));
}

ViStatus voq7304_trg(ViSession vi) {
    const Link link(vi);
    return link.complete(success_or(visa().AssertTrigger(vi, VI_TRIG_PROT_DEFAULT)));
}
