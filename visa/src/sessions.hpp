// Sessions of the resource manager, of devices, of find lists and of events, by handle.
#pragma once

#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "bus.hpp"
#include "events.hpp"
#include "format_buffers.hpp"

namespace simvisa {

namespace net {
class Link;
}

struct Session {
    enum class Kind { resource_manager, instrument, find_list, event } kind;
    ViObject owner = 0;        // the resource manager of an instrument session or find list;
                               // the session an event came to
    Device* device = nullptr;  // instrument sessions
    std::shared_ptr<net::Link> link;  // sessions of LAN resources: their own link to the device
    unsigned device_locks = 0;        // locks this session holds on the LAN device itself
    ViSession handle = 0;
    // Attributes of an instrument session.
    ViUInt32 timeout_ms = 2000;
    ViUInt8 termchar = '\n';
    bool termchar_enabled = false;
    bool send_end = true;
    bool suppress_end = false;
    bool file_append = false;
    ViUInt16 io_prot = VI_PROT_NORMAL;
    ViUInt64 user_data = 0;
    ViUInt16 src_increment = 1, dest_increment = 1;
    ViInt16 trig_id = VI_TRIG_SW;  // VI_ATTR_TRIG_ID: what viAssertTrigger asserts
    // Find lists.
    std::vector<std::string> found;
    std::size_t next = 0;
    // Formatted I/O buffers.
    FormatBuffers fmt;
    // A mapped window of A16 space (offset into the device's registers), or none.
    bool mapped = false;
    ViBusAddress map_offset = 0;
    ViBusSize map_size = 0;
    // Events: those enabled, queued, and the handlers installed.
    EventState events;
    // Event objects.
    EventData event;
    // Calls pending on this session end with VI_ERROR_ABORT when their source is stopped;
    // each stop puts a fresh source in place for the calls that follow (call_support.hpp).
    std::stop_source aborts;
    std::mutex aborts_mutex;
    std::mutex io;  // one transfer at a time on a session
};

ViObject add_session(std::shared_ptr<Session> session);
std::shared_ptr<Session> find_session(ViObject handle);
// Removes the session and, for a resource manager, everything it opened; the sessions
// removed, so their locks and events can be let go.
std::vector<std::shared_ptr<Session>> remove_session(ViObject handle);
// Every open instrument session of the device.
std::vector<std::shared_ptr<Session>> sessions_of(const Device* device);

}  // namespace simvisa
