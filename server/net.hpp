// Sockets for the services: listening, reading and writing with time-outs, and the
// threads of a listener's connections.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace simserver::net {

// A numeric IPv4 or IPv6 address and port; false with why in `error`.
bool make_address(const std::string& address, int port, sockaddr_storage& out, socklen_t& length,
                  std::string& error);
// A socket bound to the address (TCP listening, or UDP); -1 with why in `error`.
int listen_tcp(const std::string& address, int port, std::string& error);
int bind_udp(const std::string& address, int port, std::string& error);
int bound_port(int fd);
std::string peer_text(const sockaddr_storage& peer);

// Waits until the socket can be read; false on time-out (-1: wait without end).
bool wait_readable(int fd, int timeout_ms);
// Reads what is there, waiting up to the time-out for a first byte; 0 at end of stream or
// time-out, -1 on error.
long read_some(int fd, char* buffer, std::size_t size, int timeout_ms);
// Writes everything, each wait for room bounded by the time-out.
bool write_all(int fd, std::string_view data, int timeout_ms);
// `head` then `body`, gathered into the same writes.
bool write_all(int fd, std::string_view head, std::string_view body, int timeout_ms);
// A TCP connection to the address within the time-out; -1 on failure.
int connect_tcp(const sockaddr_storage& address, socklen_t length, int timeout_ms);

// Calls `on_hangup` once if the peer closes or resets the connection while this lives, so
// that a call blocked on a device for the peer can be ended early.
class HangupWatch {
public:
    HangupWatch(int fd, std::function<void()> on_hangup);
    ~HangupWatch();
    HangupWatch(const HangupWatch&) = delete;
    HangupWatch& operator=(const HangupWatch&) = delete;

private:
    int stop_fd_ = -1;
    std::thread thread_;
};

// Accepts connections on a listening socket and runs each in a thread of its own, at most
// `max_connections` at a time (more are closed at once). stop() shuts every connection
// down so that its reads end, and joins the threads.
class Listener {
public:
    using Handler = std::function<void(int fd, const sockaddr_storage& peer)>;
    ~Listener() { stop(); }
    void start(int listen_fd, Handler handler, std::size_t max_connections);
    void stop();

private:
    struct Connection {
        int fd;
        std::thread thread;
        std::atomic<bool> done{false};
    };
    void accept_loop();
    void reap();

    int listen_fd_ = -1;
    int wake_[2] = {-1, -1};
    Handler handler_;
    std::size_t max_ = 0;
    std::mutex mutex_;
    std::list<Connection> connections_;
    std::thread acceptor_;
};

}  // namespace simserver::net
