#include "net.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace simserver::net {

bool make_address(const std::string& address, int port, sockaddr_storage& out, socklen_t& length,
                  std::string& error) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    hints.ai_family = AF_UNSPEC;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = getaddrinfo(address.c_str(), service.c_str(), &hints, &found); rc != 0) {
        error = "not a numeric address: " + address;
        return false;
    }
    std::memcpy(&out, found->ai_addr, found->ai_addrlen);
    length = found->ai_addrlen;
    freeaddrinfo(found);
    return true;
}

namespace {

int bound_socket(const std::string& address, int port, int type, std::string& error) {
    sockaddr_storage where{};
    socklen_t length = 0;
    if (!make_address(address, port, where, length, error)) return -1;
    const int fd = socket(where.ss_family, type | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, reinterpret_cast<sockaddr*>(&where), length) != 0 ||
        (type == SOCK_STREAM && listen(fd, 64) != 0)) {
        error = std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

int listen_tcp(const std::string& address, int port, std::string& error) {
    return bound_socket(address, port, SOCK_STREAM, error);
}

int bind_udp(const std::string& address, int port, std::string& error) {
    return bound_socket(address, port, SOCK_DGRAM, error);
}

int bound_port(int fd) {
    sockaddr_storage where{};
    socklen_t length = sizeof where;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length) != 0) return 0;
    if (where.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in&>(where).sin_port);
    return ntohs(reinterpret_cast<sockaddr_in6&>(where).sin6_port);
}

std::string peer_text(const sockaddr_storage& peer) {
    char text[INET6_ADDRSTRLEN] = {};
    if (peer.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(peer).sin_addr, text, sizeof text);
    else
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(peer).sin6_addr, text,
                  sizeof text);
    return text;
}

bool wait_readable(int fd, int timeout_ms) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int rc = poll(&p, 1, timeout_ms);
        if (rc < 0 && errno == EINTR) continue;
        return rc > 0;
    }
}

long read_some(int fd, char* buffer, std::size_t size, int timeout_ms) {
    // Without a time-out the read itself waits: one system call less for each request.
    if (timeout_ms >= 0 && !wait_readable(fd, timeout_ms)) return 0;
    for (;;) {
        const ssize_t n = recv(fd, buffer, size, 0);
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

bool write_all(int fd, std::string_view data, int timeout_ms) {
    return write_all(fd, {}, data, timeout_ms);
}

bool write_all(int fd, std::string_view head, std::string_view body, int timeout_ms) {
    while (!head.empty() || !body.empty()) {
        iovec parts[2] = {{const_cast<char*>(head.data()), head.size()},
                          {const_cast<char*>(body.data()), body.size()}};
        msghdr msg{};
        msg.msg_iov = head.empty() ? parts + 1 : parts;
        msg.msg_iovlen = head.empty() ? 1 : 2;
        const ssize_t n = sendmsg(fd, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            const std::size_t from_head = std::min(head.size(), static_cast<std::size_t>(n));
            head.remove_prefix(from_head);
            body.remove_prefix(static_cast<std::size_t>(n) - from_head);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, timeout_ms) <= 0 || (p.revents & (POLLERR | POLLHUP))) return false;
    }
    return true;
}

int connect_tcp(const sockaddr_storage& address, socklen_t length, int timeout_ms) {
    const int fd = socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        pollfd p{fd, POLLOUT, 0};
        int err = 0;
        socklen_t len = sizeof err;
        if (errno != EINPROGRESS || poll(&p, 1, timeout_ms) <= 0 ||
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) {
            close(fd);
            return -1;
        }
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

HangupWatch::HangupWatch(int fd, std::function<void()> on_hangup)
    : stop_fd_(eventfd(0, EFD_CLOEXEC)) {
    thread_ = std::thread([this, fd, on_hangup = std::move(on_hangup)] {
        pollfd p[2] = {{fd, POLLRDHUP, 0}, {stop_fd_, POLLIN, 0}};
        while (poll(p, 2, -1) < 0 && errno == EINTR) {
        }
        if (!p[1].revents && (p[0].revents & (POLLRDHUP | POLLHUP | POLLERR))) on_hangup();
    });
}

HangupWatch::~HangupWatch() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = write(stop_fd_, &one, sizeof one);
    thread_.join();
    close(stop_fd_);
}

void Listener::start(int listen_fd, Handler handler, std::size_t max_connections) {
    listen_fd_ = listen_fd;
    handler_ = std::move(handler);
    max_ = max_connections;
    if (pipe2(wake_, O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
    acceptor_ = std::thread([this] { accept_loop(); });
}

void Listener::accept_loop() {
    for (;;) {
        pollfd p[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (p[1].revents) return;
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int fd =
            accept4(listen_fd_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of descriptors or memory: the pending connection waits rather than the
            // loop spinning on it.
            if (errno != EINTR && errno != ECONNABORTED)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard lock(mutex_);
        reap();
        if (connections_.size() >= max_) {
            close(fd);
            continue;
        }
        Connection& c = connections_.emplace_back();
        c.fd = fd;
        c.thread = std::thread([this, &c, peer] {
            handler_(c.fd, peer);
            std::lock_guard done_lock(mutex_);
            close(c.fd);
            c.fd = -1;
            c.done = true;
        });
    }
}

// Joins the threads of connections that have ended; called with the mutex held.
void Listener::reap() {
    for (auto it = connections_.begin(); it != connections_.end();) {
        if (it->done) {
            it->thread.join();
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
}

void Listener::stop() {
    if (!acceptor_.joinable()) return;
    if (wake_[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const auto n = write(wake_[1], &byte, 1);
    }
    acceptor_.join();
    std::list<Connection> ending;
    {
        std::lock_guard lock(mutex_);
        for (Connection& c : connections_)
            if (c.fd >= 0) shutdown(c.fd, SHUT_RDWR);
        ending.splice(ending.end(), connections_);
    }
    for (Connection& c : ending) c.thread.join();
    close(listen_fd_);
    for (int& fd : wake_)
        if (fd >= 0) close(std::exchange(fd, -1));
}

}  // namespace simserver::net
