// Sessions of the resource manager, of devices and of find lists, by handle.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bus.hpp"

namespace simvisa {

struct Session {
    enum class Kind { resource_manager, instrument, find_list } kind;
    ViObject owner = 0;        // the resource manager of an instrument session or find list
    Device* device = nullptr;  // instrument sessions
    ViUInt32 timeout_ms = 2000;
    ViUInt8 termchar = '\n';
    bool termchar_enabled = false;
    bool send_end = true;
    ViInt16 trig_id = VI_TRIG_SW;  // VI_ATTR_TRIG_ID: what viAssertTrigger asserts
    std::vector<std::string> found;  // find lists
    std::size_t next = 0;
    std::string unread;       // bytes past a termchar, for the next read
    bool unread_end = false;  // they end the reply
    std::mutex io;  // one transfer at a time on a session
};

ViObject add_session(std::shared_ptr<Session> session);
std::shared_ptr<Session> find_session(ViObject handle);
// Removes the session and, for a resource manager, everything it opened.
bool remove_session(ViObject handle);

}  // namespace simvisa
