// The HiSLIP service: each client's synchronous and asynchronous channel pair is one VISA
// session on the served device of the in-process bus, so locks, triggers and service
// requests are the bus's own. One thread per channel; the device work of a session is done
// on its synchronous channel's thread, in message order.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "bus.hpp"
#include "hislip.hpp"
#include "hislip_channel.hpp"
#include "service.hpp"

namespace simserver {

namespace {

using hislip::Type;

constexpr std::uint64_t kMaxPayload = 1u << 20;   // the largest payload accepted in one message
constexpr std::uint64_t kMinClientPayload = 256;  // floor for a client's announced maximum
constexpr std::uint64_t kMaxSubAddress = 256;
constexpr std::size_t kMaxLockKey = 255;
constexpr int kInitTimeoutMs = 5000;   // for the first message and for the second channel
constexpr int kSendTimeoutMs = 10000;  // a peer that reads nothing for this long is dropped
constexpr int kDeviceSliceMs = 20;     // a wait for a reply, between looks at the channel
constexpr int kLateReplyPollMs = 50;
constexpr std::uint32_t kOrderWindow = 256;  // how far ahead of the last id taken a named id may be
constexpr std::size_t kMaxSessions = 256;
constexpr std::uint16_t kServerVendor = ('S' << 8) | 'V';
constexpr ViUInt16 kStbMav = 0x10, kStbRqs = 0x40;
constexpr ViBusAddress kResponseRegister = 0x0A;
constexpr ViUInt16 kDataOutReady = 1u << 13;

// Where a service request of a VISA session is delivered: the session's queue of status
// bytes and the pipe that wakes its asynchronous channel. Kept in a process-wide table so
// that a handler of the bus never reaches a session that is gone.
struct SrqTarget {
    std::deque<std::uint8_t> status_bytes;
    int wake_write = -1;
    bool rqs_taken = false;  // a poll of ours saw RQS (and so cleared it): owed to the client
};
std::mutex srq_mutex;
std::map<ViSession, SrqTarget*> srq_targets;

ViStatus on_service_request(ViSession vi, ViEventType, ViEvent, ViAddr) {
    // The serial poll a controller answers a service request with; its byte goes to the
    // client, with RQS even when the condition has passed since (a reply already taken).
    ViUInt16 stb = 0;
    if (viReadSTB(vi, &stb) < VI_SUCCESS) return VI_SUCCESS;
    std::lock_guard lock(srq_mutex);
    const auto it = srq_targets.find(vi);
    if (it == srq_targets.end()) return VI_SUCCESS;
    if (stb & kStbRqs) it->second->rqs_taken = true;
    if (it->second->status_bytes.size() < 64)
        it->second->status_bytes.push_back(static_cast<std::uint8_t>(stb | kStbRqs));
    const char wake = 1;
    [[maybe_unused]] const ssize_t n = ::write(it->second->wake_write, &wake, 1);
    return VI_SUCCESS;
}

// The device has one output queue. The HiSLIP sessions of a device take turns at it: a
// session writes a message and reads its reply only in its turn, and a turn is held for a
// whole exchange only while the reply comes at once; a reply still to come (a FETCh? waiting
// for its trigger) is awaited in short turns, so that others (a trigger) get in between.
// The reply the device owes belongs to its owner: the session whose message made it, so that
// no session reads another's.
struct Exchange {
    std::mutex mutex;
    std::condition_variable turn_free;
    bool turn_taken = false;
    std::atomic<std::uint16_t> owner{0};  // a session id; 0: none
};
std::mutex exchanges_mutex;
std::map<std::string, std::weak_ptr<Exchange>> exchanges;

std::shared_ptr<Exchange> exchange_of(const std::string& resource) {
    std::lock_guard lock(exchanges_mutex);
    auto exchange = exchanges[resource].lock();
    if (!exchange) {
        exchange = std::make_shared<Exchange>();
        exchanges[resource] = exchange;
    }
    return exchange;
}

struct Session {
    std::uint16_t id = 0;
    ViSession vi = VI_NULL;
    bool has_registers = false;  // VXI and GPIB-VXI: the response register shows a reply owed
    std::string device_resource;
    std::shared_ptr<HislipChannel> sync, async;

    std::mutex mutex;  // async attach
    std::condition_variable attached;

    std::atomic<bool> dead{false};
    std::atomic<bool> clearing{false};  // from AsyncDeviceClear to DeviceClearComplete
    std::atomic<bool> overlapped{false};
    std::atomic<bool> response_unread{false};  // reply data sent that the client has not confirmed
    std::atomic<std::uint64_t> client_payload{kMaxPayload};
    std::atomic<bool> exclusive_lock{false}, shared_lock{false};

    SrqTarget srq;
    int wake_read = -1;

    // Of the synchronous channel's thread: a message taken while a reply was awaited, and
    // the buffer replies are read into.
    std::optional<hislip::Message> held;
    std::vector<char> buffer;
    std::string pending;    // Data pieces of a message not yet ended
    bool streamed = false;  // part of the message already went to the device
    int send_end = -1;      // VI_ATTR_SEND_END_EN as last set
    // Without registers: a query whose reply was not ready when it was taken; the status
    // byte is polled for it while the channel is quiet.
    std::optional<std::uint32_t> late_reply;
    std::uint32_t last_id = hislip::kFirstMessageId;  // of the latest Data, DataEnd or Trigger
    std::shared_ptr<Exchange> exchange;
    bool has_turn = false;

    // The MessageID of the last Data, DataEnd or Trigger the device has been given or that
    // was refused (at the start and after a clear: the one before the first): a lock release
    // or remote/local control naming a later one waits for it, however long that takes, until
    // the session ends.
    static constexpr std::uint32_t kBeforeFirst = hislip::kFirstMessageId - 2;
    std::mutex progress_mutex;
    std::condition_variable progress;
    std::uint32_t processed = kBeforeFirst;

    void mark_processed(std::uint32_t id) {
        {
            std::lock_guard lock(progress_mutex);
            processed = id;
        }
        progress.notify_all();
    }
    void wait_processed(std::uint32_t id) {
        std::unique_lock lock(progress_mutex);
        progress.wait(lock, [&] {
            if (dead || clearing) return true;
            const std::uint32_t ahead = id - processed;  // message ids wrap around
            return ahead == 0 || ahead > kOrderWindow;
        });
    }

    // Waits for this session's turn at the device; false when the session ends or is cleared.
    bool take_turn() {
        if (has_turn) return true;
        std::unique_lock lock(exchange->mutex);
        while (!dead && !clearing) {
            if (!exchange->turn_taken) {
                exchange->turn_taken = has_turn = true;
                return true;
            }
            exchange->turn_free.wait_for(lock, std::chrono::milliseconds(kDeviceSliceMs));
        }
        return false;
    }
    void give_turn() {
        if (!has_turn) return;
        {
            std::lock_guard lock(exchange->mutex);
            exchange->turn_taken = has_turn = false;
        }
        exchange->turn_free.notify_one();
    }

    // A reply being awaited and whether a device clear cut it short (overlapped mode
    // names it on both channels).
    std::mutex reply_mutex;
    std::optional<std::uint32_t> awaiting, interrupted;

    ~Session() {
        give_turn();
        {
            std::lock_guard lock(srq_mutex);
            srq_targets.erase(vi);
        }
        if (vi != VI_NULL) viClose(vi);
        if (wake_read >= 0) ::close(wake_read);
        if (srq.wake_write >= 0) ::close(srq.wake_write);
    }

    void end() {
        dead = true;
        {
            std::lock_guard lock(progress_mutex);  // a waiter between its look and its wait
        }
        progress.notify_all();
        std::uint16_t self = id;
        if (exchange) exchange->owner.compare_exchange_strong(self, 0);
        if (auto s = sync) s->shut();
        std::shared_ptr<HislipChannel> a;
        {
            std::lock_guard lock(mutex);
            a = async;
        }
        if (a) a->shut();
        attached.notify_all();
        if (vi != VI_NULL) viTerminate(vi, VI_NULL, VI_NULL);
    }
};

class HislipService final : public Service {
public:
    explicit HislipService(const ServerContext& context) : context_(context) {}
    ~HislipService() override { stop(); }

    bool start(std::string& description, std::string& error) override;
    void stop() override;

private:
    void accept_loop();
    void serve(std::shared_ptr<HislipChannel> channel);
    void serve_sync(std::shared_ptr<HislipChannel> channel, const hislip::Message& init);
    void serve_async(std::shared_ptr<HislipChannel> channel, const hislip::Message& init);
    void sync_loop(Session& s);
    void async_loop(Session& s);
    void on_data(Session& s, const hislip::Message& m);
    void deliver_reply(Session& s, std::uint32_t message_id, bool written);
    bool take_interjection(Session& s);
    void on_lock(Session& s, const hislip::Message& m);
    void on_lock_info(Session& s);
    void on_status_query(Session& s, const hislip::Message& m);
    void on_device_clear(Session& s);
    std::shared_ptr<Session> open_session(const ServedDevice& device, std::string& why);
    void forget(const Session& s);
    int reply_owed(Session& s);

    ServerContext context_;
    int listen_fd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread acceptor_;
    std::atomic<bool> stopping_{false};

    std::mutex mutex_;  // the tables below
    std::map<std::uint16_t, std::shared_ptr<Session>> sessions_;
    std::uint16_t next_id_ = 1;
    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
        std::shared_ptr<HislipChannel> channel;
    };
    std::list<Connection> connections_;
};

bool HislipService::start(std::string& description, std::string& error) {
    sockaddr_storage address{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    const auto port = static_cast<std::uint16_t>(context_.hislip_port);
    if (::inet_pton(AF_INET, context_.listen_address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof *v4;
    } else if (::inet_pton(AF_INET6, context_.listen_address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof *v6;
    } else {
        error = "HiSLIP: not an IP address: " + context_.listen_address;
        return false;
    }
    listen_fd_ = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (listen_fd_ < 0 || ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listen_fd_, 64) != 0 || ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = "HiSLIP: cannot listen on " + context_.listen_address + ":" + std::to_string(port) +
                ": " + std::strerror(errno);
        if (listen_fd_ >= 0) ::close(listen_fd_);
        listen_fd_ = -1;
        return false;
    }
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length);
    const int bound = ntohs(address.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    const bool v6_address = address.ss_family == AF_INET6;
    description = "hislip " +
                  (v6_address ? "[" + context_.listen_address + "]" : context_.listen_address) +
                  ":" + std::to_string(bound);
    stopping_ = false;
    acceptor_ = std::thread([this] { accept_loop(); });
    return true;
}

void HislipService::stop() {
    if (listen_fd_ < 0) return;
    stopping_ = true;
    const char wake = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_[1], &wake, 1);
    if (acceptor_.joinable()) acceptor_.join();
    std::list<Connection> connections;
    std::map<std::uint16_t, std::shared_ptr<Session>> sessions;
    {
        std::lock_guard lock(mutex_);
        for (auto& c : connections_) c.channel->shut();
        connections.swap(connections_);
        sessions.swap(sessions_);
    }
    for (auto& [id, s] : sessions) s->end();
    for (auto& c : connections) c.thread.join();
    sessions.clear();  // the last references: their VISA sessions close here
    ::close(listen_fd_);
    ::close(wake_[0]);
    ::close(wake_[1]);
    listen_fd_ = -1;
}

void HislipService::accept_loop() {
    while (!stopping_) {
        pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, 1000) < 0 && errno != EINTR) break;
        {
            std::lock_guard lock(mutex_);
            for (auto it = connections_.begin(); it != connections_.end();) {
                if (*it->done) {
                    it->thread.join();
                    it = connections_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        if (stopping_ || !(fds[0].revents & POLLIN)) continue;
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        if (connections_.size() >= 2 * kMaxSessions + 16) {
            ::close(fd);
            continue;
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        auto channel = std::make_shared<HislipChannel>(fd, kMaxSubAddress);
        connections_.push_back({std::thread([this, channel, done] {
                                    serve(channel);
                                    *done = true;
                                }),
                                done, channel});
    }
}

void HislipService::serve(std::shared_ptr<HislipChannel> channel) {
    const int fd = channel->fd();
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    const timeval send_timeout{kSendTimeoutMs / 1000, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &send_timeout, sizeof send_timeout);
    hislip::Message first;
    switch (channel->receive(first, kInitTimeoutMs)) {
        case HislipChannel::Got::message:
            if (first.type() == Type::Initialize) return serve_sync(std::move(channel), first);
            if (first.type() == Type::AsyncInitialize)
                return serve_async(std::move(channel), first);
            channel->fatal(hislip::FatalCode::invalid_initialization,
                           "expected Initialize or AsyncInitialize");
            return;
        case HislipChannel::Got::bad_header:
            channel->fatal(hislip::FatalCode::bad_header, "not a HiSLIP message header");
            return;
        case HislipChannel::Got::too_large:
            channel->fatal(hislip::FatalCode::invalid_initialization,
                           "initialization message too long");
            return;
        default:
            return;  // closed, or silent past the time-out
    }
}

std::shared_ptr<Session> HislipService::open_session(const ServedDevice& device, std::string& why) {
    auto s = std::make_shared<Session>();
    s->device_resource = device.resource;
    s->exchange = exchange_of(device.resource);
    if (viOpen(context_.resource_manager, device.resource.c_str(), VI_NULL, 2000, &s->vi) <
        VI_SUCCESS) {
        s->vi = VI_NULL;
        why = "the device does not answer";
        return nullptr;
    }
    ViUInt16 intf = 0;
    viGetAttribute(s->vi, VI_ATTR_INTF_TYPE, &intf);
    s->has_registers = intf == VI_INTF_VXI || intf == VI_INTF_GPIB_VXI;
    viSetAttribute(s->vi, VI_ATTR_TMO_VALUE, kDeviceSliceMs);
    viSetAttribute(s->vi, VI_ATTR_TERMCHAR_EN, VI_FALSE);
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        why = "out of file descriptors";
        return nullptr;
    }
    s->wake_read = pipe_fds[0];
    s->srq.wake_write = pipe_fds[1];
    std::lock_guard lock(mutex_);
    if (stopping_) {
        why = "the server is stopping";
        return nullptr;
    }
    if (sessions_.size() >= kMaxSessions) {
        why = "too many sessions";
        return nullptr;
    }
    while (next_id_ == 0 || sessions_.count(next_id_)) ++next_id_;
    s->id = next_id_++;
    sessions_[s->id] = s;
    return s;
}

void HislipService::forget(const Session& s) {
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(s.id);
    if (it != sessions_.end() && it->second.get() == &s) sessions_.erase(it);
}

void HislipService::serve_sync(std::shared_ptr<HislipChannel> channel,
                               const hislip::Message& init) {
    // No sub-address names the first device.
    const ServedDevice* device =
        find_served_device(context_, init.payload.empty() ? "hislip0" : init.payload);
    if (!device) {
        channel->fatal(hislip::FatalCode::unidentified, "no device named " + init.payload);
        return;
    }
    std::string why;
    const std::shared_ptr<Session> s = open_session(*device, why);
    if (!s) {
        channel->fatal(why == "too many sessions" ? hislip::FatalCode::too_many_clients
                                                  : hislip::FatalCode::unidentified,
                       why);
        return;
    }
    s->sync = channel;
    channel->parser().set_max_payload(kMaxPayload);
    const std::uint16_t version =
        std::min(hislip::high_half(init.header.parameter), hislip::kVersion1_0);
    channel->send(Type::InitializeResponse, 0,
                  hislip::initialize_response_parameter(version, s->id));
    {
        std::unique_lock lock(s->mutex);
        s->attached.wait_for(lock, std::chrono::milliseconds(kInitTimeoutMs),
                             [&] { return s->async != nullptr || s->dead; });
    }
    if (!s->dead && s->async)
        sync_loop(*s);
    else if (!s->dead)
        channel->fatal(hislip::FatalCode::channels_not_established, "no asynchronous channel");
    s->end();
    // The start of a message that will never end is dropped from the device.
    if (s->streamed) viClear(s->vi);
    forget(*s);
}

void HislipService::serve_async(std::shared_ptr<HislipChannel> channel,
                                const hislip::Message& init) {
    std::shared_ptr<Session> s;
    {
        std::lock_guard lock(mutex_);
        const auto it = sessions_.find(hislip::low_half(init.header.parameter));
        if (it != sessions_.end()) s = it->second;
    }
    if (s) {
        std::lock_guard lock(s->mutex);
        if (s->async || s->dead)
            s = nullptr;
        else
            s->async = channel;
    }
    if (!s) {
        channel->fatal(hislip::FatalCode::invalid_initialization, "no such session");
        return;
    }
    channel->parser().set_max_payload(kMaxPayload);
    channel->send(Type::AsyncInitializeResponse, 0, kServerVendor);
    {
        std::lock_guard lock(srq_mutex);
        srq_targets[s->vi] = &s->srq;
    }
    viInstallHandler(s->vi, VI_EVENT_SERVICE_REQ, on_service_request, nullptr);
    viEnableEvent(s->vi, VI_EVENT_SERVICE_REQ, VI_HNDLR, VI_NULL);
    s->attached.notify_all();
    async_loop(*s);
    s->end();
    forget(*s);
}

// Runs a device call again while another session's lock keeps it out, until the session
// ends or is cleared.
template <class Call>
ViStatus past_locks(Session& s, Call call) {
    for (;;) {
        const ViStatus st = call();
        if (st != VI_ERROR_RSRC_LOCKED || s.dead || s.clearing) return st;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// A message too long for us is refused, and so done with: a lock release or remote/local
// control waiting for it goes on.
void refuse_too_large(Session& s, const hislip::Message& m) {
    s.sync->error(hislip::ErrorCode::message_too_large,
                  "message longer than the maximum message size");
    if (!s.clearing &&
        (m.type() == Type::Data || m.type() == Type::DataEnd || m.type() == Type::Trigger))
        s.mark_processed(m.header.parameter);
}

void HislipService::sync_loop(Session& s) {
    HislipChannel& ch = *s.sync;
    hislip::Message m;
    while (!s.dead) {
        const int wait = s.late_reply ? kLateReplyPollMs : -1;
        const auto got = s.held ? HislipChannel::Got::message : ch.receive(m, wait);
        if (got == HislipChannel::Got::timeout) {
            if (s.exchange->owner != s.id)
                s.late_reply.reset();  // another session's query came
            else if (!s.clearing && reply_owed(s) > 0) {
                const std::uint32_t id = *s.late_reply;
                {
                    std::lock_guard lock(s.reply_mutex);
                    if (s.clearing) continue;
                    s.awaiting = id;
                }
                deliver_reply(s, id, true);
            }
            continue;
        }
        if (s.held) {
            m = std::move(*s.held);
            s.held.reset();
        }
        switch (got) {
            case HislipChannel::Got::message:
                break;
            case HislipChannel::Got::too_large:
                refuse_too_large(s, m);
                continue;
            case HislipChannel::Got::bad_header:
                ch.fatal(hislip::FatalCode::bad_header, "not a HiSLIP message header");
                if (s.async)
                    s.async->fatal(hislip::FatalCode::bad_header, "not a HiSLIP message header");
                return;
            default:
                return;
        }
        switch (m.type()) {
            case Type::Data:
            case Type::DataEnd:
            case Type::Trigger:
                on_data(s, m);
                break;
            case Type::DeviceClearComplete: {
                s.overlapped = (m.header.control & hislip::kPreferOverlap) != 0;
                s.response_unread = false;
                s.pending.clear();
                s.streamed = false;
                s.late_reply.reset();
                s.mark_processed(Session::kBeforeFirst);
                s.clearing = false;
                ch.send(Type::DeviceClearAcknowledge, s.overlapped ? hislip::kPreferOverlap : 0, 0);
                break;
            }
            case Type::FatalError:
                return;
            case Type::Error:
                break;
            default:
                if (m.header.type >= hislip::kFirstVendorType)
                    ch.error(hislip::ErrorCode::unrecognized_vendor_message,
                             "vendor message not known");
                else
                    ch.error(hislip::ErrorCode::unrecognized_type,
                             "not a synchronous channel message");
        }
    }
}

void HislipService::on_data(Session& s, const hislip::Message& m) {
    const std::uint32_t id = m.header.parameter;
    if (s.clearing) return;  // discarded until the client completes the clear
    // Any new message supersedes a reply the client has or has abandoned.
    s.response_unread = false;
    s.last_id = id;
    if (m.type() == Type::Trigger) {
        past_locks(s, [&] { return viAssertTrigger(s.vi, VI_TRIG_PROT_DEFAULT); });
        s.mark_processed(id);
        return;
    }
    // Pieces wait here for the end of their message, so that a client that dies in the
    // middle of one leaves nothing in the device; only a very long message is passed on early.
    const bool end = m.type() == Type::DataEnd;
    if (!end && s.pending.size() + m.payload.size() < kMaxPayload) {
        s.pending += m.payload;
        s.mark_processed(id);
        return;
    }
    if (end) {
        std::lock_guard lock(s.reply_mutex);
        if (s.clearing) return;
        s.awaiting = id;  // from before the device sees the message: a clear finds it
    }
    const std::string* bytes = &m.payload;
    if (!s.pending.empty()) {
        s.pending += m.payload;
        bytes = &s.pending;
    }
    if (s.send_end != end) {
        viSetAttribute(s.vi, VI_ATTR_SEND_END_EN, end ? VI_TRUE : VI_FALSE);
        s.send_end = end;
    }
    ViUInt32 written = 0;
    ViStatus st = VI_ERROR_ABORT;
    while (s.take_turn()) {
        // A reply another session awaits stays its own unless this message is a query too
        // (the device then drops the old one as interrupted).
        const bool others_reply =
            end && s.exchange->owner != s.id && s.exchange->owner != 0 && reply_owed(s) > 0;
        st = viWrite(s.vi, reinterpret_cast<ViConstBuf>(bytes->data()),
                     static_cast<ViUInt32>(bytes->size()), &written);
        if (st >= VI_SUCCESS && end && (!others_reply || bytes->find('?') != std::string::npos))
            s.exchange->owner = s.id;
        if (st != VI_ERROR_RSRC_LOCKED) break;
        // Another session's lock keeps us out: never hold the turn while waiting for it.
        s.give_turn();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    s.pending.clear();
    s.streamed = !end;
    s.mark_processed(id);
    if (!end) {
        s.give_turn();
        return;
    }
    s.late_reply.reset();
    deliver_reply(s, id, st >= VI_SUCCESS);
    // A reply that a device without registers still owes and has not made ready yet.
    if (!s.has_registers && st >= VI_SUCCESS && !s.response_unread && reply_owed(s) > 0)
        s.late_reply = id;
}

// 1 when the device owes a reply, 0 when not, -1 when another session's lock keeps us out.
int HislipService::reply_owed(Session& s) {
    if (s.has_registers) {
        ViUInt16 response = 0;
        const ViStatus st = viIn16(s.vi, VI_A16_SPACE, kResponseRegister, &response);
        if (st == VI_ERROR_RSRC_LOCKED) return -1;
        return st >= VI_SUCCESS && (response & kDataOutReady) ? 1 : 0;
    }
    // Without registers: asked of the bus, so no serial poll takes a service request, and a
    // reply to a message without a '?' (the loopback device's SEND) is seen too.
    return simvisa::session_reply_pending(s.vi) ? 1 : 0;
}

// Sends the reply the message owes, if any, in pieces of the client's maximum size.
void HislipService::deliver_reply(Session& s, std::uint32_t message_id, bool written) {
    struct GiveTurn {
        Session& s;
        ~GiveTurn() { s.give_turn(); }
    } give_turn_at_exit{s};
    while (written && !s.dead && !s.clearing) {
        if (!s.take_turn()) break;
        if (s.exchange->owner != s.id) break;  // another session's query took the device over
        const int owed = reply_owed(s);
        if (owed == 0) break;
        if (owed < 0) {
            s.give_turn();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        const std::size_t piece = static_cast<std::size_t>(s.client_payload.load());
        if (s.buffer.size() != piece) s.buffer.resize(piece);
        ViUInt32 got = 0;
        const ViStatus st = viRead(s.vi, reinterpret_cast<ViBuf>(s.buffer.data()),
                                   static_cast<ViUInt32>(piece), &got);
        if (st == VI_ERROR_TMO || st == VI_ERROR_RSRC_LOCKED) {
            s.give_turn();
            if (!take_interjection(s)) break;
            continue;
        }
        if (st < VI_SUCCESS) break;
        const bool end = st == VI_SUCCESS;
        // The last piece goes out unless a clear came first: then the reply was interrupted.
        std::unique_lock last(s.reply_mutex, std::defer_lock);
        if (end) {
            last.lock();
            if (s.clearing) break;
            s.awaiting.reset();
        }
        s.response_unread = true;
        // Synchronized mode tags a reply with the client's latest message (a trigger may
        // have followed the query); overlapped mode with the query's own.
        const std::uint32_t tag = s.overlapped ? message_id : s.last_id;
        if (!s.sync->send_data(end ? Type::DataEnd : Type::Data, tag, s.buffer.data(), got)) {
            s.end();
            break;
        }
        if (end) {
            s.late_reply.reset();
            return;
        }
    }
    std::lock_guard lock(s.reply_mutex);
    s.awaiting.reset();
    if (s.interrupted && !s.dead) s.sync->send(Type::Interrupted, 0, *s.interrupted);
    s.interrupted.reset();
}

// While a reply is still to come (a FETCh? waiting for its trigger): a Trigger that arrives
// is done at once. Another message is held; in synchronized mode it ends the wait (the
// device then reports the query interrupted), in overlapped mode it waits its turn.
// False when the wait for the reply is to end.
bool HislipService::take_interjection(Session& s) {
    if (s.held) return s.overlapped;
    hislip::Message m;
    switch (s.sync->receive(m, 0)) {
        case HislipChannel::Got::message:
            break;
        case HislipChannel::Got::timeout:
            return true;
        case HislipChannel::Got::too_large:
            refuse_too_large(s, m);
            return true;
        case HislipChannel::Got::bad_header:
            s.sync->fatal(hislip::FatalCode::bad_header, "not a HiSLIP message header");
            s.end();
            return false;
        default:
            s.end();
            return false;
    }
    if (m.type() == Type::Trigger) {
        on_data(s, m);
        return true;
    }
    s.held = std::move(m);
    return s.overlapped;
}

void HislipService::async_loop(Session& s) {
    HislipChannel& ch = *s.async;
    hislip::Message m;
    while (!s.dead) {
        switch (ch.receive(m, -1, s.wake_read)) {
            case HislipChannel::Got::message:
                break;
            case HislipChannel::Got::woken: {
                char drain[64];
                while (::read(s.wake_read, drain, sizeof drain) > 0) {
                }
                std::deque<std::uint8_t> bytes;
                {
                    std::lock_guard lock(srq_mutex);
                    bytes.swap(s.srq.status_bytes);
                }
                for (const std::uint8_t stb : bytes) ch.send(Type::AsyncServiceRequest, stb, 0);
                continue;
            }
            case HislipChannel::Got::too_large:
                ch.error(hislip::ErrorCode::message_too_large,
                         "message longer than the maximum message size");
                continue;
            case HislipChannel::Got::bad_header:
                ch.fatal(hislip::FatalCode::bad_header, "not a HiSLIP message header");
                s.sync->fatal(hislip::FatalCode::bad_header, "not a HiSLIP message header");
                return;
            default:
                return;
        }
        switch (m.type()) {
            case Type::AsyncMaximumMessageSize: {
                const auto size = hislip::decode_size(m.payload);
                if (!size) {
                    ch.error(hislip::ErrorCode::unidentified, "maximum message size is 8 bytes");
                    break;
                }
                // The client's size counts the header; what we send it never exceeds our own limit.
                const std::uint64_t payload =
                    *size > hislip::kHeaderSize ? *size - hislip::kHeaderSize : 0;
                s.client_payload = std::clamp(payload, kMinClientPayload, kMaxPayload);
                ch.send(Type::AsyncMaximumMessageSizeResponse, 0, 0,
                        hislip::encode_size(kMaxPayload + hislip::kHeaderSize));
                break;
            }
            case Type::AsyncLock:
                on_lock(s, m);
                break;
            case Type::AsyncLockInfo:
                on_lock_info(s);
                break;
            case Type::AsyncRemoteLocalControl: {
                if (m.header.control > VI_GPIB_REN_ADDRESS_GTL) {
                    ch.error(hislip::ErrorCode::unrecognized_control,
                             "remote/local code not known");
                    break;
                }
                // After the messages sent before it. Only GPIB has a REN line; elsewhere there
                // is nothing to change.
                s.wait_processed(m.header.parameter);
                viGpibControlREN(s.vi, m.header.control);
                ch.send(Type::AsyncRemoteLocalResponse, 0, 0);
                break;
            }
            case Type::AsyncDeviceClear:
                on_device_clear(s);
                break;
            case Type::AsyncStatusQuery:
                on_status_query(s, m);
                break;
            case Type::FatalError:
                return;
            case Type::Error:
                break;
            default:
                if (m.header.type >= hislip::kFirstVendorType)
                    ch.error(hislip::ErrorCode::unrecognized_vendor_message,
                             "vendor message not known");
                else
                    ch.error(hislip::ErrorCode::unrecognized_type,
                             "not an asynchronous channel message");
        }
    }
}

void HislipService::on_lock(Session& s, const hislip::Message& m) {
    HislipChannel& ch = *s.async;
    auto reply = [&](hislip::LockResult r) {
        ch.send(Type::AsyncLockResponse, static_cast<std::uint8_t>(r), 0);
    };
    if (m.header.control == hislip::kLockRelease) {
        s.wait_processed(m.header.parameter);  // the messages sent under the lock go first
        if (s.exclusive_lock && viUnlock(s.vi) >= VI_SUCCESS) {
            s.exclusive_lock = false;
            return reply(hislip::LockResult::success);
        }
        if (s.shared_lock && viUnlock(s.vi) >= VI_SUCCESS) {
            s.shared_lock = false;
            return reply(hislip::LockResult::success_shared);
        }
        return reply(hislip::LockResult::error);
    }
    if (m.header.control != hislip::kLockRequest) {
        ch.error(hislip::ErrorCode::unrecognized_control, "lock code not known");
        return;
    }
    const bool shared = !m.payload.empty();
    // One lock of each kind at a time; the client counts nested requests itself.
    if ((shared ? s.shared_lock : s.exclusive_lock) || m.payload.size() > kMaxLockKey ||
        m.payload.find('\0') != std::string::npos)
        return reply(hislip::LockResult::error);
    ViChar granted[VI_FIND_BUFLEN] = {};
    const ViStatus st =
        viLock(s.vi, shared ? VI_SHARED_LOCK : VI_EXCLUSIVE_LOCK, m.header.parameter,
               shared ? m.payload.c_str() : VI_NULL, shared ? granted : VI_NULL);
    if (st < VI_SUCCESS)
        return reply(st == VI_ERROR_TMO || st == VI_ERROR_RSRC_LOCKED ? hislip::LockResult::failure
                                                                      : hislip::LockResult::error);
    (shared ? s.shared_lock : s.exclusive_lock) = true;
    reply(hislip::LockResult::success);
}

void HislipService::on_lock_info(Session& s) {
    ViAccessMode state = VI_NO_LOCK;
    viGetAttribute(s.vi, VI_ATTR_RSRC_LOCK_STATE, &state);
    std::uint32_t holders = 0;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, other] : sessions_)
            if (other->device_resource == s.device_resource &&
                (other->exclusive_lock || other->shared_lock))
                ++holders;
    }
    s.async->send(Type::AsyncLockInfoResponse, state == VI_EXCLUSIVE_LOCK ? 1 : 0, holders);
}

// MAV is the device's, or set while reply data the client has not confirmed is on its way.
void HislipService::on_status_query(Session& s, const hislip::Message& m) {
    if (m.header.control & hislip::kRmtDelivered) s.response_unread = false;
    ViUInt16 stb = 0;
    if (viReadSTB(s.vi, &stb) < VI_SUCCESS) stb = 0;
    {
        std::lock_guard lock(srq_mutex);
        if (s.srq.rqs_taken) stb |= kStbRqs;
        s.srq.rqs_taken = false;
    }
    if (s.response_unread) stb |= kStbMav;
    s.async->send(Type::AsyncStatusResponse, static_cast<std::uint8_t>(stb), 0);
}

// The first half of the clear handshake: a reply being read ends, the device is cleared, and
// the synchronous channel discards what comes until DeviceClearComplete.
void HislipService::on_device_clear(Session& s) {
    {
        std::lock_guard lock(s.reply_mutex);
        s.clearing = true;
        if (s.awaiting && s.overlapped) {
            s.interrupted = s.awaiting;
            s.async->send(Type::AsyncInterrupted, 0, *s.awaiting);
        }
    }
    viClear(s.vi);
    s.response_unread = false;
    s.async->send(Type::AsyncDeviceClearAcknowledge, 0, 0);
}

}  // namespace

std::unique_ptr<Service> make_hislip_service(const ServerContext& context) {
    return std::make_unique<HislipService>(context);
}

}  // namespace simserver
