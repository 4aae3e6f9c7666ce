// A network session's link to its LAN device: VXI-11, HiSLIP or a raw socket. One per
// session; its calls are made with the session's transfer lock held, except abort().
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "conn.hpp"
#include "resource_name.hpp"

namespace simvisa::net {

class Link {
public:
    virtual ~Link() = default;
    virtual ViStatus write(std::string_view bytes, bool end, ViUInt32 timeout_ms, Stop stop) = 0;
    // As Device::read: up to `max` bytes, ending at END or after `term` (0..255).
    virtual ViStatus read(std::string& out, std::size_t max, ViUInt32 timeout_ms, bool& end,
                          int term, Stop stop) = 0;
    virtual ViStatus read_stb(ViUInt16& stb, ViUInt32 timeout_ms) = 0;
    virtual ViStatus trigger(ViUInt32 timeout_ms) = 0;
    virtual ViStatus clear(ViUInt32 timeout_ms) = 0;
    // A lock on the device itself, held against other machines; `key` empty: exclusive.
    virtual ViStatus lock(const std::string& key, ViUInt32 timeout_ms) = 0;
    virtual ViStatus unlock() = 0;
    // viGpibControlREN's modes.
    virtual ViStatus remote_local(ViUInt16 mode, ViUInt32 timeout_ms) = 0;
    virtual void close(ViUInt32 timeout_ms) = 0;
    // Whether the connection to the device is gone (the session may be opened again).
    virtual bool lost() const = 0;
    // From now on the device's service requests call on_srq, from a thread of the link.
    virtual ViStatus enable_srq(ViUInt32 timeout_ms) = 0;
    std::function<void()> on_srq;

    // What the TCPIP attributes show.
    bool hislip = false;
    ViUInt16 hislip_version = 0;
    bool overlap = false;
    ViUInt32 max_message_kb = 0;
    std::string address;  // the peer's numeric address
    Conn* main = nullptr;  // the connection whose options NODELAY and KEEPALIVE set
    // Raw sockets: VI_PROT_4882_STRS.
    bool strs = false;
};

// Reaches the device the name gives; VI_ERROR_RSRC_NFOUND within `timeout_ms` when it
// cannot be reached.
ViStatus open_link(const ParsedName& name, ViUInt32 timeout_ms, std::unique_ptr<Link>& out);

// Links on connections already made, for tests and fuzzing: a VXI-11 link `lid` on its core
// channel, a HiSLIP session on its two channels.
std::unique_ptr<Link> vxi11_on(int core_fd, long lid, std::uint32_t max_recv);
std::unique_ptr<Link> hislip_on(int sync_fd, int async_fd, std::uint64_t server_max);

ViStatus open_vxi11(const ParsedName& name, ViUInt32 timeout_ms, std::unique_ptr<Link>& out);
ViStatus open_hislip(const ParsedName& name, ViUInt32 timeout_ms, std::unique_ptr<Link>& out);
ViStatus open_socket(const ParsedName& name, ViUInt32 timeout_ms, std::unique_ptr<Link>& out);

}  // namespace simvisa::net
