// VXI-11: the core channel (one thread per connection, each link its own VISA session on
// the bus), the abort channel, and the interrupt channel back to the client.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "net.hpp"
#include "oncrpc.hpp"
#include "portmapper.hpp"
#include "services.hpp"
#include "vxi11.hpp"

namespace simserver {

namespace {

namespace rpc = lanproto::rpc;
namespace vx = lanproto::vxi11;

constexpr std::uint32_t kMaxRecvSize = 1u << 20;  // device_write data, announced
constexpr std::size_t kMaxRecord = kMaxRecvSize + 4096;
constexpr std::uint32_t kMaxReadChunk = 1u << 20;  // device_read reply data
constexpr std::size_t kMaxAsyncRecord = 1024;
constexpr int kRecordTimeoutMs = 10000;  // a record begun must be whole within this
constexpr int kSendTimeoutMs = 10000;
constexpr int kIntrTimeoutMs = 2000;
constexpr std::size_t kMaxConnections = 64;
constexpr std::size_t kMaxLinks = 256;
constexpr std::size_t kMaxQueuedSrq = 64;

template <class T>
xdrproc_t proc_of(bool_t (*f)(XDR*, T*)) {
    return reinterpret_cast<xdrproc_t>(f);
}

long error_of(ViStatus st) {
    if (st >= 0) return vx::no_error;
    switch (st) {
        case VI_ERROR_TMO:
            return vx::io_timeout;
        case VI_ERROR_RSRC_LOCKED:
            return vx::device_locked_by_another_link;
        case VI_ERROR_ABORT:
            return vx::abort;
        case VI_ERROR_NSUP_OPER:
            return vx::operation_not_supported;
        default:
            return vx::io_error;
    }
}

// Sends device_intr_srq calls to a client, in order, from a thread of its own so that a
// slow client holds up no one else.
class IntrChannel {
public:
    IntrChannel(int fd, std::uint32_t prog, std::uint32_t vers)
        : fd_(fd), prog_(prog), vers_(vers) {
        thread_ = std::thread([this] { run(); });
    }
    ~IntrChannel() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        wake_.notify_all();
        shutdown(fd_, SHUT_RDWR);
        thread_.join();
        close(fd_);
    }
    void send_srq(std::string handle) {
        {
            std::lock_guard lock(mutex_);
            if (queue_.size() >= kMaxQueuedSrq) return;
            queue_.push_back(std::move(handle));
        }
        wake_.notify_all();
    }

private:
    void run() {
        std::uint32_t xid = 1;
        for (;;) {
            std::string handle;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return closing_ || !queue_.empty(); });
                if (closing_) return;
                handle = std::move(queue_.front());
                queue_.pop_front();
            }
            Device_SrqParms parms{};
            parms.handle.handle_len = static_cast<u_int>(handle.size());
            parms.handle.handle_val = handle.data();
            std::string args;
            vx::encode(args, proc_of(xdr_Device_SrqParms), &parms);
            const std::string call =
                rpc::encode_call({xid++, prog_, vers_, vx::proc_device_intr_srq}, args);
            if (!net::write_all(fd_, rpc::frame(call), kIntrTimeoutMs)) return;
            // The client may answer; what it sends is not needed.
            char sink[512];
            while (net::wait_readable(fd_, 0))
                if (recv(fd_, sink, sizeof sink, MSG_DONTWAIT) <= 0) return;
        }
    }

    int fd_;
    std::uint32_t prog_, vers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> queue_;
    bool closing_ = false;
    std::thread thread_;
};

struct Connection {
    sockaddr_storage peer{};
    std::mutex links_mutex;  // the links are also read when the peer hangs up
    std::vector<long> links;
    std::mutex intr_mutex;  // the interrupt channel is also read by service requests
    std::shared_ptr<IntrChannel> intr;
};

struct Link {
    long id = 0;
    ViSession vi = VI_NULL;
    std::weak_ptr<Connection> connection;
    const Connection* owner = nullptr;
    bool locked = false;
    std::mutex srq_mutex;
    std::string srq_handle;
    // Attributes as last set, so that each call sets only what changed.
    ViUInt32 timeout = ~0u;
    int termchar = -2;
    int send_end = -1;
};

class Vxi11Service;
std::mutex g_service_mutex;
Vxi11Service* g_service = nullptr;  // the one whose links service requests are for

class Vxi11Service : public Service {
public:
    explicit Vxi11Service(const ServerContext& context) : context_(context) {}
    ~Vxi11Service() override { stop(); }
    bool start(std::string& description, std::string& error) override;
    void stop() override;

    void service_request(long lid);

private:
    void serve(int fd, const sockaddr_storage& peer, bool core);
    std::string call(Connection& c, const std::shared_ptr<Connection>& self,
                     const rpc::CallHeader& h, std::string_view args, rpc::AcceptStat& stat);
    std::string call_abort(const rpc::CallHeader& h, std::string_view args, rpc::AcceptStat& stat);
    std::shared_ptr<Link> find(long lid, const Connection* owner);
    void destroy(long lid);

    std::string create_link(const std::shared_ptr<Connection>& c, const Create_LinkParms& p);
    std::string device_write(Link& l, const Device_WriteParms& p);
    std::string device_read(Link& l, const Device_ReadParms& p);
    long create_intr_chan(Connection& c, const Device_RemoteFunc& f);

    const ServerContext& context_;
    std::mutex mutex_;
    std::map<long, std::shared_ptr<Link>> links_;
    long next_link_ = 1;
    std::atomic<bool> stopping_{false};
    bool started_ = false;
    net::Listener core_, abort_;
    Portmapper portmapper_;
    int abort_port_ = 0;
};

ViStatus on_service_request(ViSession, ViEventType, ViEvent, ViAddr user) {
    std::lock_guard lock(g_service_mutex);
    if (g_service)
        g_service->service_request(static_cast<long>(reinterpret_cast<std::intptr_t>(user)));
    return VI_SUCCESS;
}

void set_timeout(Link& l, ViUInt32 ms) {
    if (l.timeout != ms) viSetAttribute(l.vi, VI_ATTR_TMO_VALUE, l.timeout = ms);
}

// Runs an I/O call; with waitlock, a lock another link holds is waited for up to the lock
// time-out by holding the lock for this one call.
template <class Op>
ViStatus with_lock_wait(Link& l, long flags, ViUInt32 lock_timeout, Op op) {
    ViStatus st = op();
    if (st != VI_ERROR_RSRC_LOCKED || !(flags & vx::kFlagWaitLock)) return st;
    const ViStatus locked = viLock(l.vi, VI_EXCLUSIVE_LOCK, lock_timeout, VI_NULL, VI_NULL);
    if (locked < 0) return locked == VI_ERROR_TMO ? VI_ERROR_RSRC_LOCKED : locked;
    st = op();
    viUnlock(l.vi);
    return st;
}

bool Vxi11Service::start(std::string& description, std::string& error) {
    const int core_fd = net::listen_tcp(context_.listen_address, 0, error);
    if (core_fd < 0) return false;
    const int abort_fd = net::listen_tcp(context_.listen_address, 0, error);
    if (abort_fd < 0) {
        close(core_fd);
        return false;
    }
    const int core_port = net::bound_port(core_fd);
    abort_port_ = net::bound_port(abort_fd);
    std::string how;
    if (!portmapper_.start(context_.listen_address, core_port, how, error)) {
        close(core_fd);
        close(abort_fd);
        return false;
    }
    {
        std::lock_guard lock(g_service_mutex);
        g_service = this;
    }
    core_.start(
        core_fd, [this](int fd, const sockaddr_storage& peer) { serve(fd, peer, true); },
        kMaxConnections);
    abort_.start(
        abort_fd, [this](int fd, const sockaddr_storage& peer) { serve(fd, peer, false); },
        kMaxConnections);
    started_ = true;
    description = "vxi11 " + context_.listen_address + ":" + std::to_string(core_port) +
                  " (abort " + std::to_string(abort_port_) + ", " + how + ")";
    return true;
}

void Vxi11Service::stop() {
    if (!started_) return;
    started_ = false;
    stopping_ = true;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, l] : links_) viTerminate(l->vi, VI_NULL, VI_NULL);
    }
    portmapper_.stop();
    abort_.stop();
    core_.stop();
    std::lock_guard lock(g_service_mutex);
    if (g_service == this) g_service = nullptr;
}

void Vxi11Service::serve(int fd, const sockaddr_storage& peer, bool core) {
    auto c = std::make_shared<Connection>();
    c->peer = peer;
    // A client that goes away while a call of its waits on a device ends that call.
    std::optional<net::HangupWatch> watch;
    if (core)
        watch.emplace(fd, [this, c] {
            std::lock_guard lock(c->links_mutex);
            for (long lid : c->links)
                if (const auto l = find(lid, nullptr)) viTerminate(l->vi, VI_NULL, VI_NULL);
        });
    rpc::RecordAssembler records(core ? kMaxRecord : kMaxAsyncRecord);
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const long n = net::read_some(fd, buffer.data(), buffer.size(),
                                      records.idle() ? -1 : kRecordTimeoutMs);
        if (n <= 0 || stopping_) break;
        std::size_t at = 0;
        bool broken = false;
        while (at < static_cast<std::size_t>(n) && !broken) {
            rpc::RecordAssembler::Status status;
            at += records.feed(buffer.data() + at, static_cast<std::size_t>(n) - at, status);
            if (status == rpc::RecordAssembler::Status::too_long) {
                broken = true;
                break;
            }
            if (status != rpc::RecordAssembler::Status::record) continue;
            const std::string& record = records.record();
            rpc::CallHeader h;
            std::size_t body = 0;
            std::string reply, results;  // the reply's header, and what follows it
            switch (rpc::parse_call(record, h, body)) {
                case rpc::CallParse::ok: {
                    rpc::AcceptStat stat = rpc::AcceptStat::success;
                    const std::string_view args = std::string_view(record).substr(body);
                    results = core ? call(*c, c, h, args, stat) : call_abort(h, args, stat);
                    reply = stat == rpc::AcceptStat::prog_mismatch
                                ? rpc::encode_reply(h.xid, stat, {}, 1, 1)
                                : rpc::encode_reply(h.xid, stat, {});
                    if (stat != rpc::AcceptStat::success) results.clear();
                    break;
                }
                case rpc::CallParse::rpc_mismatch:
                    reply = rpc::encode_rpc_mismatch(h.xid);
                    break;
                default:
                    broken = true;
                    continue;  // not RPC: the connection is given up
            }
            // The record mark, the header and the results in one write, without copying the
            // results (a block of readings) behind the header.
            std::string head;
            rpc::put_u32(head, rpc::kLastFragment |
                                   static_cast<std::uint32_t>(reply.size() + results.size()));
            head += reply;
            if (!net::write_all(fd, head, results, kSendTimeoutMs)) broken = true;
        }
        if (broken) break;
    }
    // A connection that ends takes its links, their locks and its interrupt channel along.
    watch.reset();
    for (long lid : c->links) destroy(lid);
    std::lock_guard lock(c->intr_mutex);
    c->intr.reset();
}

std::shared_ptr<Link> Vxi11Service::find(long lid, const Connection* owner) {
    std::lock_guard lock(mutex_);
    const auto it = links_.find(lid);
    if (it == links_.end() || (owner && it->second->owner != owner)) return nullptr;
    return it->second;
}

void Vxi11Service::destroy(long lid) {
    std::shared_ptr<Link> l;
    {
        std::lock_guard lock(mutex_);
        const auto it = links_.find(lid);
        if (it == links_.end()) return;
        l = it->second;
        links_.erase(it);
    }
    viClose(l->vi);  // its locks and its service requests end with it
}

void Vxi11Service::service_request(long lid) {
    const auto l = find(lid, nullptr);
    if (!l) return;
    std::string handle;
    {
        std::lock_guard lock(l->srq_mutex);
        handle = l->srq_handle;
    }
    const auto c = l->connection.lock();
    if (!c) return;
    std::lock_guard lock(c->intr_mutex);
    if (c->intr) c->intr->send_srq(std::move(handle));
}

std::string Vxi11Service::create_link(const std::shared_ptr<Connection>& c,
                                      const Create_LinkParms& p) {
    Create_LinkResp resp{};
    resp.abortPort = static_cast<u_short>(abort_port_);
    resp.maxRecvSize = kMaxRecvSize;
    const auto encoded = [&] {
        std::string out;
        vx::encode(out, proc_of(xdr_Create_LinkResp), &resp);
        return out;
    };
    const ServedDevice* device = p.device ? find_served_device(context_, p.device) : nullptr;
    if (!device) {
        resp.error = vx::device_not_accessible;
        return encoded();
    }
    {
        std::lock_guard lock(mutex_);
        if (links_.size() >= kMaxLinks) {
            resp.error = vx::out_of_resources;
            return encoded();
        }
    }
    auto l = std::make_shared<Link>();
    if (viOpen(context_.resource_manager, device->resource.c_str(), VI_NULL, 0, &l->vi) < 0) {
        resp.error = vx::device_not_accessible;
        return encoded();
    }
    if (p.lockDevice) {
        const ViStatus st = viLock(l->vi, VI_EXCLUSIVE_LOCK, static_cast<ViUInt32>(p.lock_timeout),
                                   VI_NULL, VI_NULL);
        if (st < 0) {
            viClose(l->vi);
            resp.error = st == VI_ERROR_ABORT ? vx::abort : vx::device_locked_by_another_link;
            return encoded();
        }
        l->locked = true;
    }
    l->connection = c;
    l->owner = c.get();
    {
        std::lock_guard lock(mutex_);
        l->id = next_link_++;
        links_[l->id] = l;
    }
    viInstallHandler(l->vi, VI_EVENT_SERVICE_REQ, on_service_request,
                     reinterpret_cast<ViAddr>(static_cast<std::intptr_t>(l->id)));
    {
        std::lock_guard lock(c->links_mutex);
        c->links.push_back(l->id);
    }
    resp.lid = l->id;
    return encoded();
}

std::string Vxi11Service::device_write(Link& l, const Device_WriteParms& p) {
    Device_WriteResp resp{};
    if (p.data.data_len > kMaxRecvSize) {
        resp.error = vx::parameter_error;
    } else {
        set_timeout(l, static_cast<ViUInt32>(p.io_timeout));
        const int end = (p.flags & vx::kFlagEnd) ? 1 : 0;
        if (l.send_end != end) viSetAttribute(l.vi, VI_ATTR_SEND_END_EN, l.send_end = end);
        ViUInt32 written = 0;
        const ViStatus st = with_lock_wait(l, p.flags, static_cast<ViUInt32>(p.lock_timeout), [&] {
            return viWrite(l.vi, reinterpret_cast<ViConstBuf>(p.data.data_val), p.data.data_len,
                           &written);
        });
        resp.error = error_of(st);
        resp.size = written;
    }
    std::string out;
    vx::encode(out, proc_of(xdr_Device_WriteResp), &resp);
    return out;
}

std::string Vxi11Service::device_read(Link& l, const Device_ReadParms& p) {
    Device_ReadResp resp{};
    const ViUInt32 size =
        static_cast<ViUInt32>(std::min<unsigned long>(p.requestSize, kMaxReadChunk));
    // Kept by the connection's thread from read to read: no fresh megabyte for each one.
    thread_local std::vector<char> data;
    if (data.size() < size) data.resize(size);
    ViUInt32 got = 0;
    if (size == 0) {
        resp.reason = vx::kReasonRequestCount;
    } else {
        set_timeout(l, static_cast<ViUInt32>(p.io_timeout));
        const bool term_set = p.flags & vx::kFlagTermCharSet;
        const int term = term_set ? static_cast<unsigned char>(p.termChar) : -1;
        if (l.termchar != term) {
            if (term_set) viSetAttribute(l.vi, VI_ATTR_TERMCHAR, static_cast<ViAttrState>(term));
            viSetAttribute(l.vi, VI_ATTR_TERMCHAR_EN, term_set ? VI_TRUE : VI_FALSE);
            l.termchar = term;
        }
        const ViStatus st = with_lock_wait(l, p.flags, static_cast<ViUInt32>(p.lock_timeout), [&] {
            return viRead(l.vi, reinterpret_cast<ViBuf>(data.data()), size, &got);
        });
        resp.error = error_of(st);
        if (st >= 0) {
            if (got == p.requestSize) resp.reason |= vx::kReasonRequestCount;
            if (term_set && got > 0 && data[got - 1] == p.termChar)
                resp.reason |= vx::kReasonTermChar;
            if (st == VI_SUCCESS) resp.reason |= vx::kReasonEnd;
        }
    }
    resp.data.data_len = got;
    resp.data.data_val = data.data();
    std::string out;
    vx::encode(out, proc_of(xdr_Device_ReadResp), &resp);
    return out;
}

long Vxi11Service::create_intr_chan(Connection& c, const Device_RemoteFunc& f) {
    std::lock_guard lock(c.intr_mutex);
    if (c.intr) return vx::channel_already_established;
    if (f.progFamily != DEVICE_TCP) return vx::operation_not_supported;
    // Service requests go back only to the host the link came from.
    if (c.peer.ss_family != AF_INET ||
        reinterpret_cast<const sockaddr_in&>(c.peer).sin_addr.s_addr !=
            htonl(static_cast<uint32_t>(f.hostAddr)))
        return vx::parameter_error;
    sockaddr_storage where = c.peer;
    reinterpret_cast<sockaddr_in&>(where).sin_port = htons(f.hostPort);
    const int fd = net::connect_tcp(where, sizeof(sockaddr_in), kIntrTimeoutMs);
    if (fd < 0) return vx::channel_not_established;
    c.intr = std::make_shared<IntrChannel>(fd, static_cast<std::uint32_t>(f.progNum),
                                           static_cast<std::uint32_t>(f.progVers));
    return vx::no_error;
}

std::string Vxi11Service::call(Connection& c, const std::shared_ptr<Connection>& self,
                               const rpc::CallHeader& h, std::string_view args,
                               rpc::AcceptStat& stat) {
    if (h.prog != vx::kCoreProgram) {
        stat = rpc::AcceptStat::prog_unavail;
        return {};
    }
    if (h.vers != vx::kCoreVersion) {
        stat = rpc::AcceptStat::prog_mismatch;
        return {};
    }
    std::string out;
    const auto error_reply = [&](long error) {
        Device_Error e{error};
        vx::encode(out, proc_of(xdr_Device_Error), &e);
        return out;
    };
    const auto garbage = [&] {
        stat = rpc::AcceptStat::garbage_args;
        return std::string();
    };
    // The link a call names, of this connection.
    const auto link = [&](long lid) { return find(lid, &c); };
    switch (h.proc) {
        case vx::proc_null:
            return out;
        case vx::proc_create_link: {
            vx::Decoded<Create_LinkParms> p(args, proc_of(xdr_Create_LinkParms));
            return p.ok ? create_link(self, p.value) : garbage();
        }
        case vx::proc_device_write: {
            vx::Decoded<Device_WriteParms> p(args, proc_of(xdr_Device_WriteParms));
            if (!p.ok) return garbage();
            const auto l = link(p.value.lid);
            if (!l) {
                Device_WriteResp resp{vx::invalid_link_identifier, 0};
                vx::encode(out, proc_of(xdr_Device_WriteResp), &resp);
                return out;
            }
            return device_write(*l, p.value);
        }
        case vx::proc_device_read: {
            vx::Decoded<Device_ReadParms> p(args, proc_of(xdr_Device_ReadParms));
            if (!p.ok) return garbage();
            const auto l = link(p.value.lid);
            if (!l) {
                Device_ReadResp resp{};
                resp.error = vx::invalid_link_identifier;
                vx::encode(out, proc_of(xdr_Device_ReadResp), &resp);
                return out;
            }
            return device_read(*l, p.value);
        }
        case vx::proc_device_readstb:
        case vx::proc_device_trigger:
        case vx::proc_device_clear:
        case vx::proc_device_remote:
        case vx::proc_device_local: {
            vx::Decoded<Device_GenericParms> p(args, proc_of(xdr_Device_GenericParms));
            if (!p.ok) return garbage();
            const auto l = link(p.value.lid);
            ViUInt16 stb = 0;
            long error = vx::invalid_link_identifier;
            if (l) {
                set_timeout(*l, static_cast<ViUInt32>(p.value.io_timeout));
                const ViStatus st = with_lock_wait(
                    *l, p.value.flags, static_cast<ViUInt32>(p.value.lock_timeout),
                    [&]() -> ViStatus {
                        switch (h.proc) {
                            case vx::proc_device_readstb:
                                return viReadSTB(l->vi, &stb);
                            case vx::proc_device_trigger:
                                return viAssertTrigger(l->vi, VI_TRIG_PROT_DEFAULT);
                            case vx::proc_device_clear:
                                return viClear(l->vi);
                            default: {
                                // Remote and local mean nothing to a device without REN.
                                const ViStatus s =
                                    viGpibControlREN(l->vi, h.proc == vx::proc_device_remote
                                                                ? VI_GPIB_REN_ASSERT_ADDRESS
                                                                : VI_GPIB_REN_ADDRESS_GTL);
                                return s == VI_ERROR_NSUP_OPER ? ViStatus{VI_SUCCESS} : s;
                            }
                        }
                    });
                error = error_of(st);
            }
            if (h.proc != vx::proc_device_readstb) return error_reply(error);
            Device_ReadStbResp resp{error, static_cast<u_char>(stb & 0xFF)};
            vx::encode(out, proc_of(xdr_Device_ReadStbResp), &resp);
            return out;
        }
        case vx::proc_device_lock: {
            vx::Decoded<Device_LockParms> p(args, proc_of(xdr_Device_LockParms));
            if (!p.ok) return garbage();
            const auto l = link(p.value.lid);
            if (!l) return error_reply(vx::invalid_link_identifier);
            if (l->locked) return error_reply(vx::no_error);
            const ViUInt32 wait = (p.value.flags & vx::kFlagWaitLock)
                                      ? static_cast<ViUInt32>(p.value.lock_timeout)
                                      : 0;
            const ViStatus st = viLock(l->vi, VI_EXCLUSIVE_LOCK, wait, VI_NULL, VI_NULL);
            l->locked = st >= 0;
            return error_reply(st >= 0                ? vx::no_error
                               : st == VI_ERROR_ABORT ? vx::abort
                                                      : vx::device_locked_by_another_link);
        }
        case vx::proc_device_unlock: {
            Device_Link lid = 0;
            if (!vx::decode(args, proc_of(xdr_Device_Link), &lid)) return garbage();
            const auto l = link(lid);
            if (!l) return error_reply(vx::invalid_link_identifier);
            if (!l->locked) return error_reply(vx::no_lock_held_by_this_link);
            viUnlock(l->vi);
            l->locked = false;
            return error_reply(vx::no_error);
        }
        case vx::proc_device_enable_srq: {
            vx::Decoded<Device_EnableSrqParms> p(args, proc_of(xdr_Device_EnableSrqParms));
            if (!p.ok) return garbage();
            const auto l = link(p.value.lid);
            if (!l) return error_reply(vx::invalid_link_identifier);
            {
                std::lock_guard lock(l->srq_mutex);
                l->srq_handle.assign(p.value.handle.handle_val, p.value.handle.handle_len);
            }
            if (p.value.enable)
                viEnableEvent(l->vi, VI_EVENT_SERVICE_REQ, VI_HNDLR, VI_NULL);
            else
                viDisableEvent(l->vi, VI_EVENT_SERVICE_REQ, VI_ALL_MECH);
            return error_reply(vx::no_error);
        }
        case vx::proc_device_docmd: {
            vx::Decoded<Device_DocmdParms> p(args, proc_of(xdr_Device_DocmdParms));
            if (!p.ok) return garbage();
            Device_DocmdResp resp{};
            resp.error =
                link(p.value.lid) ? vx::operation_not_supported : vx::invalid_link_identifier;
            vx::encode(out, proc_of(xdr_Device_DocmdResp), &resp);
            return out;
        }
        case vx::proc_destroy_link: {
            Device_Link lid = 0;
            if (!vx::decode(args, proc_of(xdr_Device_Link), &lid)) return garbage();
            if (!link(lid)) return error_reply(vx::invalid_link_identifier);
            {
                std::lock_guard lock(c.links_mutex);
                std::erase(c.links, lid);
            }
            destroy(lid);
            return error_reply(vx::no_error);
        }
        case vx::proc_create_intr_chan: {
            Device_RemoteFunc f{};
            if (!vx::decode(args, proc_of(xdr_Device_RemoteFunc), &f)) return garbage();
            return error_reply(create_intr_chan(c, f));
        }
        case vx::proc_destroy_intr_chan: {
            std::shared_ptr<IntrChannel> ending;
            {
                std::lock_guard lock(c.intr_mutex);
                ending = std::move(c.intr);
            }
            return error_reply(ending ? vx::no_error : vx::channel_not_established);
        }
        default:
            stat = rpc::AcceptStat::proc_unavail;
            return {};
    }
}

std::string Vxi11Service::call_abort(const rpc::CallHeader& h, std::string_view args,
                                     rpc::AcceptStat& stat) {
    if (h.prog != vx::kAsyncProgram) {
        stat = rpc::AcceptStat::prog_unavail;
        return {};
    }
    if (h.vers != vx::kAsyncVersion) {
        stat = rpc::AcceptStat::prog_mismatch;
        return {};
    }
    if (h.proc == vx::proc_null) return {};
    if (h.proc != vx::proc_device_abort) {
        stat = rpc::AcceptStat::proc_unavail;
        return {};
    }
    Device_Link lid = 0;
    if (!vx::decode(args, proc_of(xdr_Device_Link), &lid)) {
        stat = rpc::AcceptStat::garbage_args;
        return {};
    }
    Device_Error e{vx::invalid_link_identifier};
    if (const auto l = find(lid, nullptr)) {
        viTerminate(l->vi, VI_NULL, VI_NULL);  // its call in progress ends with VI_ERROR_ABORT
        e.error = vx::no_error;
    }
    std::string out;
    vx::encode(out, proc_of(xdr_Device_Error), &e);
    return out;
}

}  // namespace

std::unique_ptr<Service> make_vxi11_service(const ServerContext& context) {
    return std::make_unique<Vxi11Service>(context);
}

}  // namespace simserver
