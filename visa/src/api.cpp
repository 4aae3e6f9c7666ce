// Triggers sent to a device.
#include <string>

#include "call_support.hpp"
#include "transfer.hpp"
#include "trigger_lines.hpp"

using namespace simvisa;

VISA_EXPORT ViStatus viAssertTrigger(ViSession vi, ViUInt16 protocol) {
    const std::string call = "viAssertTrigger(" + hex(vi) + ", " + std::to_string(protocol) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (s->trig_id != VI_TRIG_SW) return finish(call, assert_line(*s, protocol));
    if (protocol != VI_TRIG_PROT_DEFAULT && protocol != VI_TRIG_PROT_SYNC &&
        protocol != VI_TRIG_PROT_ON)
        return finish(call, VI_ERROR_INV_PROT);
    return finish(call, device_trigger(*s));
}

