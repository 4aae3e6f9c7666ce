// A TCP connection of a network session: connecting within the open time-out, and sends and
// receives that end at a deadline or when the pending call is to end.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "locks.hpp"
#include "visa.h"

namespace simvisa::net {

using Clock = std::chrono::steady_clock;

// The moment `timeout_ms` from now; none for VI_TMO_INFINITE.
std::optional<Clock::time_point> deadline_after(ViUInt32 timeout_ms);

class Conn {
public:
    Conn() = default;
    ~Conn() { close(); }
    Conn(const Conn&) = delete;
    Conn& operator=(const Conn&) = delete;

    // host: a name, an IPv4 address or a bracketed IPv6 one. VI_ERROR_RSRC_NFOUND when the
    // host is unknown, refuses or does not answer within the time-out.
    ViStatus connect(const std::string& host, int port, ViUInt32 timeout_ms);
    // VI_ERROR_TMO at the deadline, VI_ERROR_ABORT when stopped, VI_ERROR_CONN_LOST.
    ViStatus send(std::string_view bytes, std::optional<Clock::time_point> deadline, Stop stop = {});
    // Appends what has come (at least one byte, at most `max`).
    ViStatus receive(std::string& out, std::size_t max, std::optional<Clock::time_point> deadline,
                     Stop stop = {});
    // Drops whatever has come and not been read.
    void discard_input();
    void close();
    // Marks the connection lost; its socket stays until close(), so that another thread
    // using it meanwhile never reaches a reused descriptor.
    void fail() { broken_ = true; }
    bool open() const { return fd_ >= 0 && !broken_; }
    void set_option(int level, int name, bool on);
    bool option(int level, int name) const;
    int fd() const { return fd_; }
    // Takes an accepted socket.
    void adopt(int fd);
    // The numeric address of the peer.
    const std::string& address() const { return address_; }

private:
    ViStatus wait(short events, std::optional<Clock::time_point> deadline, Stop stop);
    int fd_ = -1;
    std::atomic<bool> broken_{false};
    std::string address_;
};

}  // namespace simvisa::net
