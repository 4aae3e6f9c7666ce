// VXI-11 links: the portmapper asked for the core channel, then create_link and the core
// calls on it; the abort channel ends a call in progress.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stop_token>
#include <thread>

#include "link.hpp"
#include "oncrpc.hpp"
#include "portmap.hpp"
#include "vxi11.hpp"

namespace simvisa::net {

namespace {

using namespace lanproto;
constexpr std::size_t kMaxReply = 16u << 20;  // records beyond this are refused unread
constexpr std::uint32_t kReadChunk = 1u << 20;
// How long past the device's own time-out the client waits for a reply.
constexpr ViUInt32 kReplyMarginMs = 1000;

std::atomic<std::uint32_t> next_xid{0x5A000000u};

ViStatus status_of(long error) {
    switch (error) {
        case vxi11::no_error: return VI_SUCCESS;
        case vxi11::device_locked_by_another_link: return VI_ERROR_RSRC_LOCKED;
        case vxi11::no_lock_held_by_this_link: return VI_ERROR_SESN_NLOCKED;
        case vxi11::io_timeout: return VI_ERROR_TMO;
        case vxi11::abort: return VI_ERROR_ABORT;
        case vxi11::operation_not_supported: return VI_ERROR_NSUP_OPER;
        case vxi11::device_not_accessible:
        case vxi11::invalid_address: return VI_ERROR_RSRC_NFOUND;
        case vxi11::parameter_error: return VI_ERROR_INV_PARAMETER;
        default: return VI_ERROR_IO;
    }
}

// One RPC client on a TCP connection: calls and their replies, matched by xid.
class RpcClient {
public:
    Conn conn;
    std::uint32_t prog = 0, vers = 0;

    // Sends the call and waits for its reply's results.
    ViStatus call(std::uint32_t proc, std::string_view args, std::string& results,
                  std::optional<Clock::time_point> deadline, Stop stop = {}) {
        const std::uint32_t xid = next_xid++;
        if (ViStatus st = conn.send(rpc::frame(rpc::encode_call({xid, prog, vers, proc}, args)), deadline, stop);
            st != VI_SUCCESS)
            return st;
        for (;;) {
            std::string record;
            if (const ViStatus st = receive_record(record, deadline, stop); st != VI_SUCCESS) return st;
            rpc::ReplyHeader h;
            std::size_t body = 0;
            if (!rpc::parse_reply(record, h, body)) return VI_ERROR_IO;
            if (h.xid != xid) continue;  // the late reply of a call given up on
            if (!h.accepted || h.stat != rpc::AcceptStat::success) return VI_ERROR_IO;
            results = record.substr(body);
            return VI_SUCCESS;
        }
    }

    template <class Args, class Result>
    ViStatus call(std::uint32_t proc, xdrproc_t in, const Args& args, xdrproc_t out,
                  std::optional<vxi11::Decoded<Result>>& result, std::optional<Clock::time_point> deadline,
                  Stop stop = {}) {
        std::string bytes, reply;
        if (!vxi11::encode(bytes, in, &args)) return VI_ERROR_IO;
        if (const ViStatus st = call(proc, bytes, reply, deadline, stop); st != VI_SUCCESS) return st;
        result.emplace(reply, out);
        return result->ok ? VI_SUCCESS : VI_ERROR_IO;
    }

private:
    ViStatus receive_record(std::string& record, std::optional<Clock::time_point> deadline, Stop stop) {
        for (;;) {
            if (!pending_.empty()) {
                rpc::RecordAssembler::Status status;
                const std::size_t used = assembler_.feed(pending_.data(), pending_.size(), status);
                pending_.erase(0, used);
                if (status == rpc::RecordAssembler::Status::too_long) {
                    conn.fail();
                    return VI_ERROR_CONN_LOST;
                }
                if (status == rpc::RecordAssembler::Status::record) {
                    record.swap(assembler_.record());
                    return VI_SUCCESS;
                }
            }
            if (const ViStatus st = conn.receive(pending_, 1u << 16, deadline, stop); st != VI_SUCCESS) return st;
        }
    }
    rpc::RecordAssembler assembler_{kMaxReply};
    std::string pending_;
};

// The core channel's port from the portmapper on the host.
ViStatus core_port(const std::string& host, ViUInt32 timeout_ms, int& port) {
    RpcClient pm;
    pm.prog = portmap::kProgram;
    pm.vers = 2;
    if (const ViStatus st = pm.conn.connect(host, portmap::kPort, timeout_ms); st != VI_SUCCESS) return st;
    std::string reply;
    const std::string args = portmap::encode_mapping({vxi11::kCoreProgram, vxi11::kCoreVersion, portmap::kProtoTcp, 0});
    if (pm.call(portmap::proc_getport, args, reply, deadline_after(timeout_ms)) != VI_SUCCESS)
        return VI_ERROR_RSRC_NFOUND;
    std::size_t pos = 0;
    const auto p = rpc::get_u32(reply, pos);
    if (!p || *p == 0 || *p > 65535) return VI_ERROR_RSRC_NFOUND;
    port = static_cast<int>(*p);
    return VI_SUCCESS;
}

#define XDR(f) reinterpret_cast<xdrproc_t>(f)

class Vxi11Link : public Link {
public:
    ~Vxi11Link() override { stop_intr(); }

    // The interrupt channel: our own small RPC server, to which the device connects and
    // sends device_intr_srq.
    ViStatus enable_srq(ViUInt32 tmo) override {
        if (intr_.joinable()) return VI_SUCCESS;
        sockaddr_in local{};
        socklen_t len = sizeof local;
        if (::getsockname(core_.conn.fd(), reinterpret_cast<sockaddr*>(&local), &len) != 0 ||
            local.sin_family != AF_INET)
            return VI_ERROR_NSUP_OPER;  // the channel's address is IPv4 only
        local.sin_port = 0;
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        len = sizeof local;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || ::listen(fd, 1) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0) {
            if (fd >= 0) ::close(fd);
            return VI_ERROR_SYSTEM_ERROR;
        }
        intr_ = std::thread([this, fd] { serve_intr(fd); });
        Device_RemoteFunc f{};
        f.hostAddr = ntohl(local.sin_addr.s_addr);
        f.hostPort = ntohs(local.sin_port);
        f.progNum = vxi11::kIntrProgram;
        f.progVers = vxi11::kIntrVersion;
        f.progFamily = DEVICE_TCP;
        std::optional<vxi11::Decoded<Device_Error>> r;
        ViStatus st = call(vxi11::proc_create_intr_chan, XDR(xdr_Device_RemoteFunc), f, XDR(xdr_Device_Error), r, tmo);
        if (st == VI_SUCCESS && r->value.error != vxi11::channel_already_established) st = status_of(r->value.error);
        if (st == VI_SUCCESS) {
            char handle[] = "srq";
            Device_EnableSrqParms p{};
            p.lid = lid_;
            p.enable = 1;
            p.handle.handle_len = 3;
            p.handle.handle_val = handle;
            r.reset();
            st = call(vxi11::proc_device_enable_srq, XDR(xdr_Device_EnableSrqParms), p, XDR(xdr_Device_Error), r, tmo);
            if (st == VI_SUCCESS) st = status_of(r->value.error);
        }
        if (st != VI_SUCCESS) stop_intr();
        return st;
    }

    ViStatus open(const ParsedName& name, ViUInt32 timeout_ms) {
        host_ = name.host;
        int port = 0;
        if (const ViStatus st = core_port(name.host, timeout_ms, port); st != VI_SUCCESS) return st;
        core_.prog = vxi11::kCoreProgram;
        core_.vers = vxi11::kCoreVersion;
        if (const ViStatus st = core_.conn.connect(name.host, port, timeout_ms); st != VI_SUCCESS) return st;
        Create_LinkParms p{};
        p.clientId = static_cast<long>(next_xid.load() & 0x7FFFFFFF);
        std::string device = name.device.empty() ? "inst0" : name.device;
        p.device = device.data();
        std::optional<vxi11::Decoded<Create_LinkResp>> r;
        if (core_.call(vxi11::proc_create_link, XDR(xdr_Create_LinkParms), p, XDR(xdr_Create_LinkResp), r,
                       deadline_after(timeout_ms)) != VI_SUCCESS)
            return VI_ERROR_RSRC_NFOUND;
        if (r->value.error != vxi11::no_error) return VI_ERROR_RSRC_NFOUND;
        lid_ = r->value.lid;
        abort_port_ = r->value.abortPort;
        // A write piece never exceeds what the device takes, nor what we would send at once.
        max_recv_ = std::clamp<std::uint32_t>(static_cast<std::uint32_t>(r->value.maxRecvSize), 1, 1u << 20);
        address = core_.conn.address();
        main = &core_.conn;
        return VI_SUCCESS;
    }

    void adopt(int fd, long lid, std::uint32_t max_recv) {
        core_.prog = vxi11::kCoreProgram;
        core_.vers = vxi11::kCoreVersion;
        core_.conn.adopt(fd);
        lid_ = lid;
        max_recv_ = std::clamp<std::uint32_t>(max_recv, 1, 1u << 20);
        main = &core_.conn;
    }

    ViStatus write(std::string_view bytes, bool end, ViUInt32 tmo, Stop stop) override {
        do {
            const std::size_t n = std::min<std::size_t>(bytes.size(), max_recv_);
            const bool last = n == bytes.size();
            Device_WriteParms p{};
            p.lid = lid_;
            p.io_timeout = tmo;
            p.flags = last && end ? vxi11::kFlagEnd : 0;
            p.data.data_len = static_cast<u_int>(n);
            p.data.data_val = const_cast<char*>(bytes.data());
            std::optional<vxi11::Decoded<Device_WriteResp>> r;
            if (const ViStatus st = call(vxi11::proc_device_write, XDR(xdr_Device_WriteParms), p,
                                         XDR(xdr_Device_WriteResp), r, tmo, stop);
                st != VI_SUCCESS)
                return st;
            if (r->value.error) return status_of(r->value.error);
            const std::size_t took = std::min<std::size_t>(r->value.size, n);
            if (took == 0 && n > 0) return VI_ERROR_IO;
            bytes.remove_prefix(took);
        } while (!bytes.empty());
        return VI_SUCCESS;
    }

    ViStatus read(std::string& out, std::size_t max, ViUInt32 tmo, bool& end, int term, Stop stop) override {
        out.clear();
        end = false;
        while (out.size() < max) {
            Device_ReadParms p{};
            p.lid = lid_;
            p.requestSize = static_cast<u_long>(std::min<std::size_t>(max - out.size(), kReadChunk));
            p.io_timeout = tmo;
            p.flags = term >= 0 ? vxi11::kFlagTermCharSet : 0;
            p.termChar = static_cast<char>(term >= 0 ? term : 0);
            std::optional<vxi11::Decoded<Device_ReadResp>> r;
            if (const ViStatus st = call(vxi11::proc_device_read, XDR(xdr_Device_ReadParms), p,
                                         XDR(xdr_Device_ReadResp), r, tmo, stop);
                st != VI_SUCCESS)
                return st;
            const auto& v = r->value;
            const std::size_t n = std::min<std::size_t>(v.data.data_len, max - out.size());
            out.append(v.data.data_val, n);
            if (v.error) return status_of(v.error);
            if (v.reason & vxi11::kReasonEnd) {
                end = true;
                break;
            }
            if (v.reason & vxi11::kReasonTermChar) break;
        }
        return VI_SUCCESS;
    }

    ViStatus generic(std::uint32_t proc, ViUInt32 tmo, ViUInt8* stb = nullptr) {
        Device_GenericParms p{};
        p.lid = lid_;
        p.io_timeout = tmo;
        if (stb) {
            std::optional<vxi11::Decoded<Device_ReadStbResp>> r;
            if (const ViStatus st = call(proc, XDR(xdr_Device_GenericParms), p, XDR(xdr_Device_ReadStbResp), r, tmo);
                st != VI_SUCCESS)
                return st;
            *stb = r->value.stb;
            return status_of(r->value.error);
        }
        std::optional<vxi11::Decoded<Device_Error>> r;
        if (const ViStatus st = call(proc, XDR(xdr_Device_GenericParms), p, XDR(xdr_Device_Error), r, tmo);
            st != VI_SUCCESS)
            return st;
        return status_of(r->value.error);
    }

    ViStatus read_stb(ViUInt16& stb, ViUInt32 tmo) override {
        ViUInt8 b = 0;
        const ViStatus st = generic(vxi11::proc_device_readstb, tmo, &b);
        if (st == VI_SUCCESS) stb = b;
        return st;
    }
    ViStatus trigger(ViUInt32 tmo) override { return generic(vxi11::proc_device_trigger, tmo); }
    ViStatus clear(ViUInt32 tmo) override { return generic(vxi11::proc_device_clear, tmo); }

    ViStatus lock(const std::string&, ViUInt32 timeout_ms) override {
        Device_LockParms p{};
        p.lid = lid_;
        p.flags = vxi11::kFlagWaitLock;
        p.lock_timeout = timeout_ms;
        std::optional<vxi11::Decoded<Device_Error>> r;
        if (const ViStatus st = call(vxi11::proc_device_lock, XDR(xdr_Device_LockParms), p, XDR(xdr_Device_Error), r,
                                     timeout_ms);
            st != VI_SUCCESS)
            return st;
        return r->value.error == vxi11::device_locked_by_another_link ? VI_ERROR_TMO : status_of(r->value.error);
    }

    ViStatus unlock() override { return link_call(vxi11::proc_device_unlock, 2000); }

    ViStatus remote_local(ViUInt16 mode, ViUInt32 tmo) override {
        switch (mode) {
            case VI_GPIB_REN_DEASSERT:
            case VI_GPIB_REN_DEASSERT_GTL:
            case VI_GPIB_REN_ADDRESS_GTL: return generic(vxi11::proc_device_local, tmo);
            case VI_GPIB_REN_ASSERT:
            case VI_GPIB_REN_ASSERT_ADDRESS:
            case VI_GPIB_REN_ASSERT_LLO:
            case VI_GPIB_REN_ASSERT_ADDRESS_LLO: return generic(vxi11::proc_device_remote, tmo);
            default: return VI_ERROR_INV_MODE;
        }
    }

    // Never waits longer than the session's time-out.
    void close(ViUInt32 tmo) override {
        stop_intr();
        if (core_.conn.open()) {
            Device_Link l = lid_;
            std::optional<vxi11::Decoded<Device_Error>> r;
            core_.call(vxi11::proc_destroy_link, XDR(xdr_Device_Link), l, XDR(xdr_Device_Error), r,
                       deadline_after(std::min<ViUInt32>(tmo, 2000)));
        }
        core_.conn.close();
    }

    bool lost() const override { return !core_.conn.open(); }

private:
    // Calls taking only the link id.
    ViStatus link_call(std::uint32_t proc, ViUInt32 tmo) {
        Device_Link l = lid_;
        std::optional<vxi11::Decoded<Device_Error>> r;
        if (const ViStatus st = call(proc, XDR(xdr_Device_Link), l, XDR(xdr_Device_Error), r, tmo); st != VI_SUCCESS)
            return st;
        return status_of(r->value.error);
    }

    // A core call; a call ended by its session is ended on the device too, by device_abort.
    template <class Args, class Result>
    ViStatus call(std::uint32_t proc, xdrproc_t in, const Args& args, xdrproc_t out,
                  std::optional<vxi11::Decoded<Result>>& result, ViUInt32 tmo, Stop stop = {}) {
        const auto deadline =
            tmo == VI_TMO_INFINITE ? std::nullopt : deadline_after(tmo + kReplyMarginMs);
        const ViStatus st = core_.call(proc, in, args, out, result, deadline, stop);
        if (st == VI_ERROR_ABORT) send_abort();
        if (st == VI_ERROR_TMO) return core_.conn.open() ? VI_ERROR_TMO : VI_ERROR_CONN_LOST;
        return st;
    }

    void serve_intr(int listener) {
        const Stop stop{intr_stop_.get_token()};
        int fd = -1;
        while (!stop.requested() && fd < 0) {
            pollfd p{listener, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        }
        ::close(listener);
        if (fd < 0) return;
        Conn conn;
        conn.adopt(fd);
        rpc::RecordAssembler assembler(4096);
        std::string pending;
        while (conn.receive(pending, 4096, std::nullopt, stop) == VI_SUCCESS) {
            for (;;) {
                rpc::RecordAssembler::Status status;
                pending.erase(0, assembler.feed(pending.data(), pending.size(), status));
                if (status == rpc::RecordAssembler::Status::too_long) return;
                if (status != rpc::RecordAssembler::Status::record) break;
                rpc::CallHeader h;
                std::size_t body = 0;
                if (rpc::parse_call(assembler.record(), h, body) == rpc::CallParse::ok &&
                    h.prog == vxi11::kIntrProgram && h.proc == vxi11::proc_device_intr_srq && on_srq)
                    on_srq();
            }
        }
    }

    void stop_intr() {
        if (!intr_.joinable()) return;
        intr_stop_.request_stop();
        intr_.join();
    }

    void send_abort() {
        RpcClient a;
        a.prog = vxi11::kAsyncProgram;
        a.vers = vxi11::kAsyncVersion;
        if (abort_port_ == 0 || a.conn.connect(host_, abort_port_, 500) != VI_SUCCESS) return;
        Device_Link l = lid_;
        std::optional<vxi11::Decoded<Device_Error>> r;
        a.call(vxi11::proc_device_abort, XDR(xdr_Device_Link), l, XDR(xdr_Device_Error), r, deadline_after(500));
    }

    RpcClient core_;
    std::string host_;
    Device_Link lid_ = 0;
    int abort_port_ = 0;
    std::uint32_t max_recv_ = 1024;
    std::thread intr_;
    std::stop_source intr_stop_;
};

}  // namespace

std::unique_ptr<Link> vxi11_on(int core_fd, long lid, std::uint32_t max_recv) {
    auto link = std::make_unique<Vxi11Link>();
    link->adopt(core_fd, lid, max_recv);
    return link;
}

ViStatus open_vxi11(const ParsedName& name, ViUInt32 timeout_ms, std::unique_ptr<Link>& out) {
    auto link = std::make_unique<Vxi11Link>();
    if (const ViStatus st = link->open(name, timeout_ms); st != VI_SUCCESS) return st;
    out = std::move(link);
    return VI_SUCCESS;
}

}  // namespace simvisa::net
