#include "trigger_lines.hpp"

#include "events.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace simvisa {

namespace {

using Mainframe = std::pair<ViUInt16, ViUInt16>;  // interface type and number

struct Lines {
    std::vector<Device*> devices;
    std::map<Mainframe, std::array<bool, kTtlLines>> held;  // asserted by a session
};

// One lock for the lines: held while an edge is handed to the cards, which only record it
// (their own clocks act on it), so no card calls back into the lines meanwhile.
std::mutex lines_mutex;
// Taken before the lines' lock is let go and held while an edge's events are posted, so that
// events are posted in the order the edges were driven: an edge a card drives in answer to
// another is posted after the edge that caused it.
std::mutex posting_mutex;
Lines& lines() {
    static Lines l;
    return l;
}

Mainframe mainframe_of(const DeviceDesc& d) {
    return {d.intf_type, d.intf_num};
}

// Under the lock: the edge to every card of the mainframe; the cards it reached.
std::vector<const Device*> edge(const Mainframe& frame, int line, sim::Q7304::TimePoint at) {
    std::vector<const Device*> reached;
    for (Device* d : lines().devices) {
        if (!has_trigger_lines(d->desc()) || mainframe_of(d->desc()) != frame) continue;
        d->line_trigger(line, at);
        reached.push_back(d);
    }
    return reached;
}

// Outside the lines' lock, under the posting lock: VI_EVENT_TRIG to the sessions of the
// cards an edge reached.
void post_trigger_events(const std::vector<const Device*>& reached, int line) {
    EventData e;
    e.type = VI_EVENT_TRIG;
    e.trig_id = static_cast<ViInt16>(line);
    for (const Device* d : reached) post_event(d, e);
}

bool& held(const Mainframe& frame, int line) {
    auto& entry = lines().held[frame];
    return entry[static_cast<std::size_t>(line)];
}

}  // namespace

bool has_trigger_lines(const DeviceDesc& d) {
    return d.intf_type == VI_INTF_VXI || d.intf_type == VI_INTF_GPIB_VXI;
}

void attach_to_lines(Device& d) {
    std::lock_guard lock(lines_mutex);
    lines().devices.push_back(&d);
}

void detach_from_lines(Device& d) {
    std::lock_guard lock(lines_mutex);
    std::erase(lines().devices, &d);
}

void pulse_line(const Device& from, int line, sim::Q7304::TimePoint at) {
    if (line < 0 || line >= kTtlLines) return;
    std::vector<const Device*> reached;
    std::unique_lock<std::mutex> posting;
    {
        std::lock_guard lock(lines_mutex);
        const Mainframe frame = mainframe_of(from.desc());
        if (!held(frame, line)) reached = edge(frame, line, at);
        posting = std::unique_lock(posting_mutex);
    }
    post_trigger_events(reached, line);
}

ViStatus set_trigger_id(Session& s, ViAttrState value) {
    // VI_TRIG_SW may come sign-extended or as the 16- or 32-bit pattern of -1.
    const bool software = static_cast<long long>(value) == VI_TRIG_SW || value == 0xFFFFu ||
                          value == 0xFFFFFFFFu;
    const ViInt16 id = software ? ViInt16{VI_TRIG_SW} : static_cast<ViInt16>(value & 0x7FFF);
    const bool line = !software && value <= VI_TRIG_TTL7;
    if (id != VI_TRIG_SW && !(line && has_trigger_lines(s.device->desc())))
        return VI_ERROR_NSUP_ATTR_STATE;
    s.trig_id = id;
    return VI_SUCCESS;
}

void get_trigger_id(const Session& s, void* value) {
    std::memcpy(value, &s.trig_id, sizeof s.trig_id);
}

ViStatus assert_line(const Session& s, ViUInt16 protocol) {
    const int line = s.trig_id;
    const Mainframe frame = mainframe_of(s.device->desc());
    const auto now = std::chrono::steady_clock::now();
    if (protocol != VI_TRIG_PROT_DEFAULT && protocol != VI_TRIG_PROT_SYNC &&
        protocol != VI_TRIG_PROT_ON && protocol != VI_TRIG_PROT_OFF)
        return VI_ERROR_INV_PROT;
    std::vector<const Device*> reached;
    std::unique_lock<std::mutex> posting;
    {
        std::lock_guard lock(lines_mutex);
        bool& asserted = held(frame, line);
        if (protocol != VI_TRIG_PROT_OFF && !asserted) reached = edge(frame, line, now);
        if (protocol == VI_TRIG_PROT_ON || protocol == VI_TRIG_PROT_OFF)
            asserted = protocol == VI_TRIG_PROT_ON;
        posting = std::unique_lock(posting_mutex);
    }
    post_trigger_events(reached, line);
    return VI_SUCCESS;
}

}  // namespace simvisa
