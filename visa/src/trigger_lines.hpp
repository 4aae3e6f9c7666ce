// The TTL trigger lines of the bus's VXI mainframes (one per VXI or GPIB-VXI interface):
// cards pulse them from their TTL outputs, a session asserts them with viAssertTrigger, and
// every card of the mainframe sees each edge.
#pragma once

#include "bus.hpp"
#include "sessions.hpp"

namespace simvisa {

inline constexpr int kTtlLines = 8;

bool has_trigger_lines(const DeviceDesc& d);

// Devices join their mainframe's lines while they exist.
void attach_to_lines(Device& d);
void detach_from_lines(Device& d);

// A pulse on `line` of the mainframe of `from`: an edge for every card there, unless a
// session holds the line asserted.
void pulse_line(const Device& from, int line, sim::Q7304::TimePoint at);

// VI_ATTR_TRIG_ID of an instrument session.
ViStatus set_trigger_id(Session& s, ViAttrState value);
void get_trigger_id(const Session& s, void* value);

// viAssertTrigger on a session whose VI_ATTR_TRIG_ID is a TTL line: VI_TRIG_PROT_DEFAULT and
// SYNC pulse the line, ON asserts it (one edge) and holds it, OFF releases it.
ViStatus assert_line(const Session& s, ViUInt16 protocol);

}  // namespace simvisa
