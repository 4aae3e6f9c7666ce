// A small blocking HiSLIP client for the tests: both channels to 127.0.0.1, messages through
// the shared codec, every wait bounded.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hislip.hpp"

namespace hislip_test {

using hislip::Message;
using hislip::Type;

class Link {
public:
    Link() = default;
    ~Link() { close(); }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    bool connect(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool send_bytes(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    bool send(Type type, std::uint8_t control, std::uint32_t parameter,
              std::string_view payload = {}) {
        return send_bytes(hislip::encode(type, control, parameter, payload));
    }
    // The next message within the time, or nullopt (time-out, closed, malformed).
    std::optional<Message> receive(int timeout_ms = 5000) {
        Message m;
        for (;;) {
            std::string_view rest(buffer_.data() + used_, have_ - used_);
            const auto r = parser_.next(rest, m);
            used_ = have_ - rest.size();
            if (r == hislip::Parser::Result::message) return m;
            if (r != hislip::Parser::Result::need_more) return std::nullopt;
            if (timeout_ms != timeout_set_) {
                const timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
                ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
                timeout_set_ = timeout_ms;
            }
            const ssize_t n = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
            have_ = used_ = 0;
            if (n <= 0) return std::nullopt;
            have_ = static_cast<std::size_t>(n);
        }
    }
    // Whether the peer closed the connection within the time.
    bool closed_by_peer(int timeout_ms) {
        pollfd p{fd_, POLLIN, 0};
        char c;
        while (::poll(&p, 1, timeout_ms) > 0) {
            const ssize_t n = ::recv(fd_, &c, 1, 0);
            if (n <= 0) return true;
        }
        return false;
    }
    int fd() const { return fd_; }

private:
    int fd_ = -1;
    hislip::Parser parser_{1u << 24};
    std::vector<char> buffer_ = std::vector<char>(65536);
    std::size_t have_ = 0, used_ = 0;
    int timeout_set_ = -1;
};

// A session: both channels, message ids as a client keeps them.
class Client {
public:
    bool open(int port, std::string_view sub_address = "hislip0") {
        if (!sync.connect(port)) return false;
        sync.send(Type::Initialize, 0,
                  hislip::initialize_parameter(hislip::kVersion1_0, ('T' << 8) | 'C'), sub_address);
        const auto r = sync.receive();
        if (!r || r->type() != Type::InitializeResponse) return false;
        session_id = hislip::low_half(r->header.parameter);
        server_version = hislip::high_half(r->header.parameter);
        if (!async.connect(port)) return false;
        async.send(Type::AsyncInitialize, 0, session_id);
        const auto a = async.receive();
        return a && a->type() == Type::AsyncInitializeResponse;
    }
    std::uint32_t write(std::string_view text, Type type = Type::DataEnd) {
        const std::uint32_t id = next_id;
        sync.send(type, rmt, id, text);
        rmt = 0;
        next_id += 2;
        return id;
    }
    std::uint32_t trigger() {
        const std::uint32_t id = next_id;
        sync.send(Type::Trigger, rmt, id);
        rmt = 0;
        next_id += 2;
        return id;
    }
    // A whole reply: Data pieces then DataEnd, each with the message id of `id`.
    std::optional<std::string> read(std::uint32_t id, int timeout_ms = 5000,
                                    int* pieces = nullptr) {
        std::string out;
        for (;;) {
            const auto m = sync.receive(timeout_ms);
            if (!m || (m->type() != Type::Data && m->type() != Type::DataEnd) ||
                m->header.parameter != id)
                return std::nullopt;
            out += m->payload;
            if (pieces) ++*pieces;
            if (m->type() == Type::DataEnd) {
                rmt = hislip::kRmtDelivered;
                return out;
            }
        }
    }
    std::optional<std::string> query(std::string_view text) { return read(write(text)); }
    // An asynchronous request and the response of the given type.
    std::optional<Message> ask(Type type, std::uint8_t control, std::uint32_t parameter,
                               Type response, std::string_view payload = {},
                               int timeout_ms = 5000) {
        async.send(type, control, parameter, payload);
        for (;;) {
            auto m = async.receive(timeout_ms);
            if (!m || m->type() == response) return m;
        }
    }
    int status() {
        const auto m = ask(Type::AsyncStatusQuery, rmt, next_id, Type::AsyncStatusResponse);
        rmt = 0;
        return m ? m->header.control : -1;
    }

    Link sync, async;
    std::uint16_t session_id = 0;
    std::uint16_t server_version = 0;
    std::uint32_t next_id = hislip::kFirstMessageId;
    std::uint8_t rmt = 0;
};

}  // namespace hislip_test
