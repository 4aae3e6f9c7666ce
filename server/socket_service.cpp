// Raw SCPI sockets: line-terminated commands in, each reply out in one write.
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>

#include "bus.hpp"
#include "net.hpp"
#include "services.hpp"

namespace simserver {

namespace {

constexpr std::size_t kMaxPending = 64 * 1024;  // a longer line goes on to the device in pieces
constexpr std::size_t kMaxReply = 1u << 20;     // read at a time
constexpr ViUInt32 kReplyTimeoutMs = 60000;
constexpr int kSendTimeoutMs = 10000;
constexpr std::size_t kMaxConnections = 16;

class SocketService : public Service {
public:
    explicit SocketService(const ServerContext& context) : context_(context) {}
    ~SocketService() override { stop(); }

    bool start(std::string& description, std::string& error) override {
        for (const ServedDevice& d : context_.devices) {
            if (d.socket_port == 0) continue;
            std::string why;
            const int fd = net::listen_tcp(context_.listen_address, d.socket_port, why);
            if (fd < 0) {
                error = "socket port " + std::to_string(d.socket_port) + " of " + d.names.front() +
                        ": " + why;
                stop();
                return false;
            }
            auto& listener = listeners_.emplace_back(std::make_unique<net::Listener>());
            listener->start(
                fd, [this, &d](int cfd, const sockaddr_storage&) { serve(cfd, d); },
                kMaxConnections);
            description += (description.empty() ? "socket " : ", ") + d.names.front() + " " +
                           context_.listen_address + ":" + std::to_string(d.socket_port);
        }
        return true;
    }

    void stop() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            for (ViSession vi : sessions_) viTerminate(vi, VI_NULL, VI_NULL);
        }
        for (auto& l : listeners_) l->stop();
        listeners_.clear();
    }

private:
    void serve(int fd, const ServedDevice& device) {
        ViSession vi = VI_NULL;
        struct Closer {
            ViSession& vi;
            ~Closer() { viClose(vi); }
        } closer{vi};
        {
            std::lock_guard lock(mutex_);
            if (stopping_ ||
                viOpen(context_.resource_manager, device.resource.c_str(), VI_NULL, 0, &vi) < 0)
                return;
            sessions_.insert(vi);
        }
        viSetAttribute(vi, VI_ATTR_TMO_VALUE, kReplyTimeoutMs);
        // A client that goes away while its reply is awaited ends the wait.
        net::HangupWatch watch(fd, [vi] { viTerminate(vi, VI_NULL, VI_NULL); });
        std::string pending;
        std::vector<char> buffer(64 * 1024), reply(kMaxReply);
        for (bool open = true; open;) {
            const long n = net::read_some(fd, buffer.data(), buffer.size(), -1);
            if (n <= 0 || stopping_) break;
            pending.append(buffer.data(), static_cast<std::size_t>(n));
            std::size_t from = 0;
            for (std::size_t nl; open && (nl = pending.find('\n', from)) != std::string::npos;
                 from = nl + 1) {
                const std::string_view line(pending.data() + from, nl + 1 - from);
                viWrite(vi, reinterpret_cast<ViConstBuf>(line.data()),
                        static_cast<ViUInt32>(line.size()), nullptr);
                // Whatever the device holds or owes after the line goes back: the reply to
                // a query, and a message without a '?' may have one too (the loopback's SEND).
                if (simvisa::session_reply_pending(vi))
                    open = send_reply(fd, vi, reply);
            }
            pending.erase(0, from);
            // A line without its end so far goes to the device, which keeps or refuses it.
            if (pending.size() > kMaxPending) {
                viSetAttribute(vi, VI_ATTR_SEND_END_EN, VI_FALSE);
                viWrite(vi, reinterpret_cast<ViConstBuf>(pending.data()),
                        static_cast<ViUInt32>(pending.size()), nullptr);
                viSetAttribute(vi, VI_ATTR_SEND_END_EN, VI_TRUE);
                pending.clear();
            }
        }
        std::lock_guard lock(mutex_);
        sessions_.erase(vi);
    }

    // The reply, read to its END and sent in one write; false when the client is gone.
    static bool send_reply(int fd, ViSession vi, std::vector<char>& buffer) {
        std::string message;
        for (;;) {
            ViUInt32 got = 0;
            const ViStatus st = viRead(vi, reinterpret_cast<ViBuf>(buffer.data()),
                                       static_cast<ViUInt32>(buffer.size()), &got);
            // A reply in one read goes out from the buffer, without a copy.
            if (st != VI_SUCCESS_MAX_CNT && message.empty())
                return got == 0 || net::write_all(fd, std::string_view(buffer.data(), got),
                                                  kSendTimeoutMs);
            message.append(buffer.data(), got);
            if (st != VI_SUCCESS_MAX_CNT) break;
        }
        return message.empty() || net::write_all(fd, message, kSendTimeoutMs);
    }

    const ServerContext& context_;
    std::mutex mutex_;
    std::set<ViSession> sessions_;
    std::atomic<bool> stopping_{false};
    std::vector<std::unique_ptr<net::Listener>> listeners_;
};

}  // namespace

std::unique_ptr<Service> make_socket_service(const ServerContext& context) {
    return std::make_unique<SocketService>(context);
}

}  // namespace simserver
