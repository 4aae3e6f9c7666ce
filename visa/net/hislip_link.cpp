// HiSLIP sessions: the synchronous channel carries data, triggers and the end of a device
// clear; the asynchronous one locks, the status byte, remote/local and service requests.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stop_token>
#include <thread>

#include "hislip.hpp"
#include "link.hpp"

namespace simvisa::net {

namespace {

constexpr std::uint64_t kOurMaxMessage = 1u << 20;  // payloads we take; more is refused unread
constexpr std::uint16_t kVendor = 0x5153;           // "QS"
constexpr ViUInt32 kControlTimeoutMs = 2000;

// One channel: a connection and the messages it brings.
class Channel {
public:
    Conn conn;
    hislip::Parser parser{kOurMaxMessage};

    ViStatus send(hislip::Type type, std::uint8_t control, std::uint32_t parameter,
                  std::string_view payload, std::optional<Clock::time_point> deadline, Stop stop = {}) {
        return conn.send(hislip::encode(type, control, parameter, payload), deadline, stop);
    }

    ViStatus receive(hislip::Message& m, std::optional<Clock::time_point> deadline, Stop stop = {}) {
        for (;;) {
            std::string_view in(pending_);
            const auto r = parser.next(in, m);
            pending_.erase(0, pending_.size() - in.size());
            if (r == hislip::Parser::Result::message) return VI_SUCCESS;
            if (r == hislip::Parser::Result::bad_header || r == hislip::Parser::Result::too_large) {
                conn.fail();
                return VI_ERROR_CONN_LOST;
            }
            if (const ViStatus st = conn.receive(pending_, 1u << 16, deadline, stop); st != VI_SUCCESS) {
                return st;
            }
        }
    }

    void drop() {
        pending_.clear();
        parser = hislip::Parser(kOurMaxMessage);
    }

private:
    std::string pending_;
};

// "hislip0" or "hislip0,4881": the sub-address and the port.
bool split_device(const std::string& device, std::string& sub, int& port) {
    sub = device;
    port = hislip::kDefaultPort;
    const auto comma = device.find(',');
    if (comma == std::string::npos) return true;
    sub = device.substr(0, comma);
    const char* b = device.data() + comma + 1;
    const char* e = device.data() + device.size();
    return std::from_chars(b, e, port).ptr == e && port > 0 && port < 65536;
}

class HislipLink : public Link {
public:
    ~HislipLink() override { stop_reader(); }

    ViStatus open(const ParsedName& name, ViUInt32 timeout_ms) {
        std::string sub;
        int port = 0;
        if (!split_device(name.device, sub, port)) return VI_ERROR_RSRC_NFOUND;
        const auto deadline = deadline_after(timeout_ms);
        if (ViStatus st = sync_.conn.connect(name.host, port, timeout_ms); st != VI_SUCCESS) return st;
        hislip::Message m;
        if (sync_.send(hislip::Type::Initialize, 0,
                       hislip::initialize_parameter(hislip::kVersion1_0, kVendor), sub, deadline) != VI_SUCCESS ||
            sync_.receive(m, deadline) != VI_SUCCESS || m.type() != hislip::Type::InitializeResponse)
            return VI_ERROR_RSRC_NFOUND;
        hislip_version = hislip::high_half(m.header.parameter);
        overlap = m.header.control & hislip::kPreferOverlap;
        const std::uint16_t session = hislip::low_half(m.header.parameter);
        if (async_.conn.connect(name.host, port, timeout_ms) != VI_SUCCESS ||
            async_.send(hislip::Type::AsyncInitialize, 0, session, {}, deadline) != VI_SUCCESS ||
            async_.receive(m, deadline) != VI_SUCCESS || m.type() != hislip::Type::AsyncInitializeResponse)
            return VI_ERROR_RSRC_NFOUND;
        if (ask(hislip::Type::AsyncMaximumMessageSize, 0, 0, hislip::encode_size(kOurMaxMessage),
                hislip::Type::AsyncMaximumMessageSizeResponse, m, timeout_ms) != VI_SUCCESS)
            return VI_ERROR_RSRC_NFOUND;
        const auto size = hislip::decode_size(m.payload);
        // The server's limit counts the whole message; our pieces stay within it.
        server_max_ = size && *size > hislip::kHeaderSize + 1 ? *size - hislip::kHeaderSize : 256;
        server_max_ = std::min<std::uint64_t>(server_max_, kOurMaxMessage);
        max_message_kb = static_cast<ViUInt32>(std::min<std::uint64_t>((server_max_ + hislip::kHeaderSize) / 1024, 0xFFFFFFFFu));
        hislip = true;
        address = sync_.conn.address();
        main = &sync_.conn;
        return VI_SUCCESS;
    }

    void adopt(int sync_fd, int async_fd, std::uint64_t server_max) {
        sync_.conn.adopt(sync_fd);
        async_.conn.adopt(async_fd);
        server_max_ = std::clamp<std::uint64_t>(server_max, 1, kOurMaxMessage);
        hislip = true;
        main = &sync_.conn;
    }

    ViStatus write(std::string_view bytes, bool end, ViUInt32 tmo, Stop stop) override {
        const auto deadline = deadline_after(tmo);
        do {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), server_max_));
            const bool last = n == bytes.size();
            const auto type = last && end ? hislip::Type::DataEnd : hislip::Type::Data;
            if (ViStatus st = sync_.send(type, take_rmt(), message_id_, bytes.substr(0, n), deadline, stop);
                st != VI_SUCCESS)
                return st;
            last_sent_ = message_id_;
            message_id_ += 2;
            bytes.remove_prefix(n);
        } while (!bytes.empty());
        return VI_SUCCESS;
    }

    ViStatus read(std::string& out, std::size_t max, ViUInt32 tmo, bool& end, int term, Stop stop) override {
        out.clear();
        end = false;
        const auto deadline = deadline_after(tmo);
        for (;;) {
            // What came before and was not read yet goes first.
            if (!held_.empty()) {
                std::size_t n = std::min(held_.size(), max - out.size());
                if (term >= 0) {
                    const auto at = held_.find(static_cast<char>(term));
                    if (at != std::string::npos && at < n) n = at + 1;
                }
                out.append(held_, 0, n);
                held_.erase(0, n);
                const bool at_term = term >= 0 && n > 0 && out.back() == static_cast<char>(term);
                if (held_.empty() && held_end_) {
                    end = true;
                    held_end_ = false;
                    rmt_ = true;
                    return VI_SUCCESS;
                }
                if (at_term || out.size() == max) return VI_SUCCESS;
            }
            if (held_end_) {  // an empty reply
                held_end_ = false;
                end = true;
                rmt_ = true;
                return VI_SUCCESS;
            }
            hislip::Message m;
            if (const ViStatus st = sync_.receive(m, deadline, stop); st != VI_SUCCESS) {
                // The reply of a read given up on is dropped when it comes.
                if (st == VI_ERROR_ABORT || st == VI_ERROR_TMO) stale_ = true;
                return st;
            }
            switch (m.type()) {
                case hislip::Type::Data:
                case hislip::Type::DataEnd:
                    // A reply to a query given up on before the last clear is not ours.
                    if (m.header.parameter != last_sent_ && m.header.parameter != hislip::kUnknownMessageId &&
                        stale_)
                        break;
                    stale_ = false;
                    held_ += m.payload;
                    held_end_ = m.type() == hislip::Type::DataEnd;
                    break;
                case hislip::Type::FatalError: sync_.conn.fail(); return VI_ERROR_CONN_LOST;
                case hislip::Type::Error: return VI_ERROR_IO;
                default: break;  // Interrupted and the like
            }
        }
    }

    ViStatus read_stb(ViUInt16& stb, ViUInt32 tmo) override {
        hislip::Message m;
        if (ViStatus st = ask(hislip::Type::AsyncStatusQuery, take_rmt(), last_sent_, {},
                              hislip::Type::AsyncStatusResponse, m, tmo);
            st != VI_SUCCESS)
            return st;
        stb = m.header.control;
        return VI_SUCCESS;
    }

    ViStatus trigger(ViUInt32 tmo) override {
        const ViStatus st = sync_.send(hislip::Type::Trigger, take_rmt(), message_id_, {}, deadline_after(tmo));
        if (st == VI_SUCCESS) {
            last_sent_ = message_id_;
            message_id_ += 2;
        }
        return st;
    }

    ViStatus clear(ViUInt32 tmo) override {
        hislip::Message m;
        if (ViStatus st = ask(hislip::Type::AsyncDeviceClear, 0, 0, {}, hislip::Type::AsyncDeviceClearAcknowledge,
                              m, tmo);
            st != VI_SUCCESS)
            return st;
        const std::uint8_t features = m.header.control;
        const auto deadline = deadline_after(tmo);
        if (ViStatus st = sync_.send(hislip::Type::DeviceClearComplete, features, 0, {}, deadline); st != VI_SUCCESS)
            return st;
        // Data still under way is dropped up to the acknowledgement.
        for (;;) {
            if (ViStatus st = sync_.receive(m, deadline); st != VI_SUCCESS) return st;
            if (m.type() == hislip::Type::DeviceClearAcknowledge) break;
        }
        overlap = m.header.control & hislip::kPreferOverlap;
        message_id_ = hislip::kFirstMessageId;
        last_sent_ = hislip::kUnknownMessageId;
        held_.clear();
        held_end_ = false;
        rmt_ = false;
        stale_ = false;
        return VI_SUCCESS;
    }

    ViStatus lock(const std::string& key, ViUInt32 timeout_ms) override {
        hislip::Message m;
        if (ViStatus st = ask(hislip::Type::AsyncLock, hislip::kLockRequest, timeout_ms, key,
                              hislip::Type::AsyncLockResponse, m, timeout_ms + kControlTimeoutMs);
            st != VI_SUCCESS)
            return st;
        switch (static_cast<hislip::LockResult>(m.header.control)) {
            case hislip::LockResult::success:
            case hislip::LockResult::success_shared: return VI_SUCCESS;
            case hislip::LockResult::failure: return VI_ERROR_TMO;
            default: return VI_ERROR_IO;
        }
    }

    ViStatus unlock() override {
        hislip::Message m;
        if (ViStatus st = ask(hislip::Type::AsyncLock, hislip::kLockRelease, last_sent_, {},
                              hislip::Type::AsyncLockResponse, m, kControlTimeoutMs);
            st != VI_SUCCESS)
            return st;
        const auto r = static_cast<hislip::LockResult>(m.header.control);
        return r == hislip::LockResult::success || r == hislip::LockResult::success_shared ? VI_SUCCESS
                                                                                           : VI_ERROR_SESN_NLOCKED;
    }

    ViStatus remote_local(ViUInt16 mode, ViUInt32 tmo) override {
        // viGpibControlREN's modes are the request codes of AsyncRemoteLocalControl.
        if (mode > VI_GPIB_REN_ADDRESS_GTL) return VI_ERROR_INV_MODE;
        hislip::Message m;
        return ask(hislip::Type::AsyncRemoteLocalControl, static_cast<std::uint8_t>(mode), last_sent_, {},
                   hislip::Type::AsyncRemoteLocalResponse, m, tmo);
    }

    void close(ViUInt32) override {
        stop_reader();
        sync_.conn.close();
        async_.conn.close();
    }

    bool lost() const override { return !sync_.conn.open() || !async_.conn.open(); }

    // Service requests come on the asynchronous channel at any time: from now on a thread
    // reads it, and requests wait for their responses from that thread.
    ViStatus enable_srq(ViUInt32) override {
        if (reader_.joinable()) return VI_SUCCESS;
        if (!async_.conn.open()) return VI_ERROR_CONN_LOST;
        reader_ = std::thread([this] { read_async(); });
        return VI_SUCCESS;
    }

private:
    // A request on the asynchronous channel and its response; service requests that come
    // in between are noted.
    ViStatus ask(hislip::Type type, std::uint8_t control, std::uint32_t parameter, std::string_view payload,
                 hislip::Type response, hislip::Message& m, ViUInt32 tmo) {
        const auto deadline = deadline_after(tmo);
        if (ViStatus st = async_.send(type, control, parameter, payload, deadline); st != VI_SUCCESS) return st;
        for (;;) {
            if (ViStatus st = next_async(m, deadline); st != VI_SUCCESS)
                return st == VI_ERROR_TMO && !async_.conn.open() ? VI_ERROR_CONN_LOST : st;
            if (m.type() == response) return VI_SUCCESS;
            if (m.type() == hislip::Type::FatalError) {
                async_.conn.fail();
                return VI_ERROR_CONN_LOST;
            }
            if (m.type() == hislip::Type::Error) return VI_ERROR_IO;
        }
    }

    ViStatus next_async(hislip::Message& m, std::optional<Clock::time_point> deadline) {
        if (!reader_.joinable()) {
            for (;;) {
                if (ViStatus st = async_.receive(m, deadline); st != VI_SUCCESS) return st;
                if (m.type() != hislip::Type::AsyncServiceRequest) return VI_SUCCESS;
                if (on_srq) on_srq();
            }
        }
        std::unique_lock lock(mutex_);
        const auto ready = [&] { return !responses_.empty() || async_lost_; };
        if (deadline) {
            if (!arrived_.wait_until(lock, *deadline, ready)) return VI_ERROR_TMO;
        } else {
            arrived_.wait(lock, ready);
        }
        if (responses_.empty()) return VI_ERROR_CONN_LOST;
        m = std::move(responses_.front());
        responses_.pop_front();
        return VI_SUCCESS;
    }

    void read_async() {
        for (;;) {
            hislip::Message m;
            if (async_.receive(m, std::nullopt, Stop{reader_stop_.get_token()}) != VI_SUCCESS) break;
            if (m.type() == hislip::Type::AsyncServiceRequest) {
                if (on_srq) on_srq();
                continue;
            }
            std::lock_guard lock(mutex_);
            if (responses_.size() < 64) responses_.push_back(std::move(m));
            arrived_.notify_all();
        }
        std::lock_guard lock(mutex_);
        async_lost_ = true;
        arrived_.notify_all();
    }

    void stop_reader() {
        if (!reader_.joinable()) return;
        reader_stop_.request_stop();
        reader_.join();
    }

    // The RMT-delivered bit: set on the first message after a whole reply was read.
    std::uint8_t take_rmt() {
        const std::uint8_t bit = rmt_ ? hislip::kRmtDelivered : 0;
        rmt_ = false;
        return bit;
    }

    Channel sync_, async_;
    std::uint64_t server_max_ = 256;
    std::uint32_t message_id_ = hislip::kFirstMessageId;
    std::uint32_t last_sent_ = hislip::kUnknownMessageId;
    std::string held_;
    bool held_end_ = false;
    bool rmt_ = false;
    bool stale_ = false;
    std::thread reader_;
    std::stop_source reader_stop_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<hislip::Message> responses_;
    bool async_lost_ = false;
};

}  // namespace

std::unique_ptr<Link> hislip_on(int sync_fd, int async_fd, std::uint64_t server_max) {
    auto link = std::make_unique<HislipLink>();
    link->adopt(sync_fd, async_fd, server_max);
    return link;
}

ViStatus open_hislip(const ParsedName& name, ViUInt32 timeout_ms, std::unique_ptr<Link>& out) {
    auto link = std::make_unique<HislipLink>();
    if (const ViStatus st = link->open(name, timeout_ms); st != VI_SUCCESS) return st;
    out = std::move(link);
    return VI_SUCCESS;
}

}  // namespace simvisa::net
