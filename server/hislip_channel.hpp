// One TCP connection of the HiSLIP service: whole messages in through the codec's parser,
// bytes out under a lock (several threads send on a channel).
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

#include "hislip.hpp"

namespace simserver {

// One TCP connection: whole messages in, bytes out. Sends may come from several threads.
class HislipChannel {
public:
    HislipChannel(int fd, std::uint64_t max_payload) : fd_(fd), parser_(max_payload) {}
    ~HislipChannel() { ::close(fd_); }
    HislipChannel(const HislipChannel&) = delete;
    HislipChannel& operator=(const HislipChannel&) = delete;

    int fd() const { return fd_; }
    hislip::Parser& parser() { return parser_; }
    void shut() { ::shutdown(fd_, SHUT_RDWR); }

    bool send(std::string_view bytes) {
        std::lock_guard lock(send_mutex_);
        while (!bytes.empty()) {
            const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    bool send(hislip::Type type, std::uint8_t control, std::uint32_t parameter,
              std::string_view payload = {}) {
        return send(hislip::encode(type, control, parameter, payload));
    }
    // A header and a payload that lives elsewhere, without copying the payload.
    bool send_data(hislip::Type type, std::uint32_t message_id, const char* data,
                   std::size_t size) {
        unsigned char header[hislip::kHeaderSize];
        hislip::encode_header({static_cast<std::uint8_t>(type), 0, message_id, size}, header);
        std::lock_guard lock(send_mutex_);
        iovec parts[2] = {{header, sizeof header}, {const_cast<char*>(data), size}};
        msghdr msg{};
        msg.msg_iov = parts;
        msg.msg_iovlen = 2;
        std::size_t left = sizeof header + size;
        while (left > 0) {
            const ssize_t n = ::sendmsg(fd_, &msg, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            left -= static_cast<std::size_t>(n);
            std::size_t done = static_cast<std::size_t>(n);
            while (done > 0 && msg.msg_iovlen > 0) {
                const std::size_t take = std::min(done, msg.msg_iov->iov_len);
                msg.msg_iov->iov_base = static_cast<char*>(msg.msg_iov->iov_base) + take;
                msg.msg_iov->iov_len -= take;
                done -= take;
                if (msg.msg_iov->iov_len == 0) {
                    ++msg.msg_iov;
                    --msg.msg_iovlen;
                }
            }
        }
        return true;
    }
    bool fatal(hislip::FatalCode code, std::string_view text) {
        return send(hislip::Type::FatalError, static_cast<std::uint8_t>(code), 0, text);
    }
    bool error(hislip::ErrorCode code, std::string_view text) {
        return send(hislip::Type::Error, static_cast<std::uint8_t>(code), 0, text);
    }

    enum class Got { message, too_large, bad_header, closed, timeout, woken };
    // The next message within `timeout_ms` in all (-1: until the peer or a shutdown ends it);
    // `woken` when `wake_fd` becomes readable first.
    Got receive(hislip::Message& out, int timeout_ms, int wake_fd = -1) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
        for (;;) {
            std::string_view rest(buffer_.data() + used_, have_ - used_);
            const auto result = parser_.next(rest, out);
            used_ = have_ - rest.size();
            switch (result) {
                case hislip::Parser::Result::message:
                    return Got::message;
                case hislip::Parser::Result::too_large:
                    return Got::too_large;
                case hislip::Parser::Result::bad_header:
                    return Got::bad_header;
                case hislip::Parser::Result::need_more:
                    break;
            }
            if (timeout_ms < 0 && wake_fd < 0) {
                // Nothing else to watch: one blocking read, which a shutdown ends.
                if (!fill()) return Got::closed;
                continue;
            }
            int left = -1;
            if (timeout_ms >= 0)
                left = static_cast<int>(
                    std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(
                                                  deadline - std::chrono::steady_clock::now())
                                                  .count()));
            pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_fd, POLLIN, 0}};
            const int n = ::poll(fds, wake_fd >= 0 ? 2 : 1, left);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return Got::closed;
            if (n == 0) return Got::timeout;
            if (wake_fd >= 0 && (fds[1].revents & POLLIN) &&
                !(fds[0].revents & (POLLHUP | POLLERR)))
                return Got::woken;
            if (!fill()) return Got::closed;
        }
    }

private:
    static constexpr std::size_t kReadChunk = 64 * 1024;

    // Reads what has come (at least a byte); false when the connection is gone.
    bool fill() {
        if (buffer_.empty()) buffer_.resize(kReadChunk);
        ssize_t got;
        do got = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
        while (got < 0 && errno == EINTR);
        if (got <= 0) return false;
        have_ = static_cast<std::size_t>(got);
        used_ = 0;
        return true;
    }
    int fd_;
    hislip::Parser parser_;
    std::vector<char> buffer_;
    std::size_t have_ = 0, used_ = 0;  // bytes in the buffer, and of them parsed
    std::mutex send_mutex_;
};

}  // namespace simserver
