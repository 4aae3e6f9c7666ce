#include "conn.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace simvisa::net {

namespace {
// How often a wait looks whether its call is to end.
constexpr int kSliceMs = 10;
}

std::optional<Clock::time_point> deadline_after(ViUInt32 timeout_ms) {
    if (timeout_ms == VI_TMO_INFINITE) return std::nullopt;
    return Clock::now() + std::chrono::milliseconds(timeout_ms);
}

ViStatus Conn::wait(short events, std::optional<Clock::time_point> deadline, Stop stop) {
    for (;;) {
        if (stop.requested()) return VI_ERROR_ABORT;
        int slice = kSliceMs;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            if (left <= 0) return VI_ERROR_TMO;
            if (left < slice) slice = static_cast<int>(left);
        }
        pollfd p{fd_, events, 0};
        const int n = ::poll(&p, 1, slice);
        if (n < 0 && errno != EINTR) return VI_ERROR_CONN_LOST;
        if (n > 0) return VI_SUCCESS;
    }
}

ViStatus Conn::connect(const std::string& host_in, int port, ViUInt32 timeout_ms) {
    close();
    std::string host = host_in;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_family = AF_UNSPEC;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return VI_ERROR_RSRC_NFOUND;
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> list(found, ::freeaddrinfo);
    const auto deadline = deadline_after(timeout_ms);
    for (addrinfo* a = found; a; a = a->ai_next) {
        fd_ = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd_ < 0) continue;
        int r = ::connect(fd_, a->ai_addr, a->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS && wait(POLLOUT, deadline, {}) == VI_SUCCESS) {
            int err = 0;
            socklen_t len = sizeof err;
            ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
            r = err == 0 ? 0 : -1;
        }
        if (r == 0) {
            char text[INET6_ADDRSTRLEN] = {};
            const void* where = a->ai_family == AF_INET6
                                    ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(a->ai_addr)->sin6_addr)
                                    : static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr);
            ::inet_ntop(a->ai_family, where, text, sizeof text);
            address_ = text;
            set_option(IPPROTO_TCP, TCP_NODELAY, true);
            return VI_SUCCESS;
        }
        close();
    }
    return VI_ERROR_RSRC_NFOUND;
}

ViStatus Conn::send(std::string_view bytes, std::optional<Clock::time_point> deadline, Stop stop) {
    if (!open()) return VI_ERROR_CONN_LOST;
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (const ViStatus st = wait(POLLOUT, deadline, stop); st != VI_SUCCESS) return st;
            continue;
        }
        fail();
        return VI_ERROR_CONN_LOST;
    }
    return VI_SUCCESS;
}

ViStatus Conn::receive(std::string& out, std::size_t max, std::optional<Clock::time_point> deadline,
                       Stop stop) {
    if (!open()) return VI_ERROR_CONN_LOST;
    char chunk[65536];
    for (;;) {
        // Waiting first saves a call when the reply has not come yet, as is usual.
        if (const ViStatus st = wait(POLLIN, deadline, stop); st != VI_SUCCESS) return st;
        const ssize_t n = ::recv(fd_, chunk, std::min(max, sizeof chunk), 0);
        if (n > 0) {
            out.append(chunk, static_cast<std::size_t>(n));
            return VI_SUCCESS;
        }
        if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            close();
            return VI_ERROR_CONN_LOST;
        }
    }
}

void Conn::discard_input() {
    char chunk[4096];
    while (fd_ >= 0 && ::recv(fd_, chunk, sizeof chunk, 0) > 0) {
    }
}

void Conn::adopt(int fd) {
    close();
    fd_ = fd;
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

void Conn::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    broken_ = false;
}

void Conn::set_option(int level, int name, bool on) {
    const int v = on ? 1 : 0;
    if (fd_ >= 0) ::setsockopt(fd_, level, name, &v, sizeof v);
}

bool Conn::option(int level, int name) const {
    int v = 0;
    socklen_t len = sizeof v;
    return fd_ >= 0 && ::getsockopt(fd_, level, name, &v, &len) == 0 && v != 0;
}

}  // namespace simvisa::net
