// Events of sessions: what an occurrence carries, what a session has enabled and queued,
// and the way the bus posts an occurrence to the sessions of a device.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "visa.h"

namespace simvisa {

class Device;
struct Session;

// One occurrence of an event, with the attributes its event object answers.
struct EventData {
    ViEventType type = 0;
    ViStatus status = VI_SUCCESS;  // I/O completion: the status of the operation
    ViJobId job = 0;
    ViUInt64 ret_count = 0;
    ViBuf buffer = nullptr;
    std::string oper_name;
    ViInt16 trig_id = VI_TRIG_SW;  // trigger events: the line that fired
    ViUInt16 sigp_status_id = 0;   // VXI signals: the 16-bit status/id value
};

struct EventState {
    struct Handler {
        ViEventType type;
        ViHndlr fn;
        ViAddr user;
    };
    std::mutex mutex;
    std::condition_variable arrived;
    std::map<ViEventType, ViUInt16> enabled;  // mechanisms per event type
    std::deque<EventData> queue;              // VI_QUEUE
    std::deque<EventData> suspended;          // VI_SUSPEND_HNDLR
    std::vector<Handler> handlers;            // in the order installed
    ViUInt32 max_queue = 50;
    bool overflowed = false;
    bool closed = false;
};

// Whether a session to a device of this interface type can have this event.
bool event_supported(ViUInt16 intf_type, ViEventType type);

// Posts an occurrence to every open session of the device that has its type enabled.
// For the bus: request service, triggers, VXI signals. Safe from any thread, with no
// lock of the library or of the instrument held.
void post_event(const Device* device, const EventData& event);
// Posts an occurrence to one session (I/O completion).
void post_event(ViSession vi, const EventData& event);
// Hands the session's suspended occurrences of the type to its handlers.
void release_suspended(Session& s, ViEventType type);

}  // namespace simvisa
