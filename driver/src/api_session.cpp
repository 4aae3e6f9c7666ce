// Opening and closing, reset, identification, self-test, time-out and error-query mode.
#include <string>

#include "exports.hpp"
#include "link.hpp"
#include "ops.hpp"
#include "scpi_parse.hpp"
#include "session.hpp"
#include "visa_calls.hpp"

using namespace voq;

namespace {

constexpr ViUInt32 kDefaultTimeoutMs = 5000;
constexpr std::string_view kIdPrefix = "VANTREL-OSSMARK,Q7304";
constexpr std::string_view kDriverRevision = "1.0.0";
constexpr std::size_t kRevisionBuffer = 80;
constexpr std::size_t kSelfTestBuffer = 80;

ViStatus prepare(ViSession instr, ViBoolean idQuery, ViBoolean reset) {
    ViStatus status = visa().SetAttribute(instr, VI_ATTR_TMO_VALUE, kDefaultTimeoutMs);
    if (status < 0) return status;
    const Link link(instr);
    if (idQuery) {
        std::string idn;
        if ((status = link.query("*IDN?", idn)) < 0) return status;
        if (!trim(idn).starts_with(kIdPrefix)) return VOQ7304_ERROR_FAIL_ID_QUERY;
    }
    if (reset && (status = link.write("*RST")) < 0) return status;
    return VI_SUCCESS;
}

}  // namespace

ViStatus voq7304_init(ViRsrc resourceName, ViBoolean idQuery, ViBoolean reset, ViPSession vi) {
    if (vi == nullptr) return parameter_error(4);
    *vi = VI_NULL;
    if (resourceName == nullptr) return parameter_error(1);
    if (!is_boolean(idQuery)) return parameter_error(2);
    if (!is_boolean(reset)) return parameter_error(3);
    ViSession rm = VI_NULL;
    ViStatus status = visa().OpenDefaultRM(&rm);
    if (status < 0) return status;
    ViSession instr = VI_NULL;
    status = visa().Open(rm, resourceName, VI_NULL, VI_NULL, &instr);
    if (status >= 0) status = prepare(instr, idQuery, reset);
    if (status < 0) {
        if (instr != VI_NULL) visa().Close(instr);
        visa().Close(rm);
        return status;
    }
    update_session(instr, [rm](SessionState& state) { state = SessionState{.rm = rm}; });
    *vi = instr;
    return VI_SUCCESS;
}

ViStatus voq7304_close(ViSession vi) {
    const SessionState state = session_state(vi);
    forget_session(vi);
    const ViStatus status = success_or(visa().Close(vi));
    const ViStatus rm_status = state.rm != VI_NULL ? success_or(visa().Close(state.rm)) : VI_SUCCESS;
    return status < 0 ? status : rm_status;
}

ViStatus voq7304_reset(ViSession vi) {
    return send(vi, "*RST");
}

ViStatus voq7304_self_test(ViSession vi, ViPInt16 result, ViChar message[]) {
    if (result == nullptr) return parameter_error(2);
    if (message == nullptr) return parameter_error(3);
    const ViStatus status = ask_int16(vi, "*TST?", result);
    if (status >= 0 || status == VOQ7304_ERROR_INSTR_ERROR_DETECTED) {
        copy_text(*result == 0 ? "Self test passed" : "Self test failed", message, kSelfTestBuffer);
    }
    return status;
}

ViStatus voq7304_revision_query(ViSession vi, ViChar driverRev[], ViChar instrRev[]) {
    if (driverRev == nullptr) return parameter_error(2);
    if (instrRev == nullptr) return parameter_error(3);
    copy_text(kDriverRevision, driverRev, kRevisionBuffer);
    const Link link(vi);
    std::string idn;
    ViStatus status = link.query("*IDN?", idn);
    if (status >= 0) {
        const std::string_view firmware = field(idn, 3);
        if (firmware.empty()) status = VOQ7304_ERROR_INV_RESPONSE;
        copy_text(firmware, instrRev, kRevisionBuffer);
    }
    return link.complete(status);
}

ViStatus voq7304_timeOut(ViSession vi, ViInt32 ms) {
    if (ms < 0 && ms != static_cast<ViInt32>(VI_TMO_INFINITE)) return parameter_error(2);
    return success_or(visa().SetAttribute(vi, VI_ATTR_TMO_VALUE, static_cast<ViUInt32>(ms)));
}

ViStatus voq7304_timeOut_Q(ViSession vi, ViPInt32 ms) {
    if (ms == nullptr) return parameter_error(2);
    ViUInt32 value = 0;
    const ViStatus status = visa().GetAttribute(vi, VI_ATTR_TMO_VALUE, &value);
    if (status < 0) return status;
    *ms = static_cast<ViInt32>(value);
    return VI_SUCCESS;
}

ViStatus voq7304_errorQueryDetect(ViSession vi, ViBoolean on) {
    if (!is_boolean(on)) return parameter_error(2);
    update_session(vi, [on](SessionState& state) { state.error_query = on == VI_TRUE; });
    return VI_SUCCESS;
}

ViStatus voq7304_errorQueryDetect_Q(ViSession vi, ViPBoolean on) {
    if (on == nullptr) return parameter_error(2);
    *on = session_state(vi).error_query ? VI_TRUE : VI_FALSE;
    return VI_SUCCESS;
}
