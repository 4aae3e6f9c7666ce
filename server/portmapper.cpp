#include "portmapper.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <rpc/pmap_clnt.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "oncrpc.hpp"
#include "portmap.hpp"
#include "vxi11.hpp"

namespace simserver {

namespace pm = lanproto::portmap;
namespace rpc = lanproto::rpc;

namespace {

constexpr std::size_t kMaxCall = 1024;  // portmapper calls are small
constexpr int kProbeMs = 500;
constexpr int kReplyTimeoutMs = 2000;
constexpr std::size_t kMaxPortmapperConnections = 16;

// Whether something answers on the portmapper's TCP port of this machine.
bool rpcbind_runs() {
    sockaddr_storage where{};
    socklen_t length = 0;
    std::string error;
    if (!net::make_address("127.0.0.1", pm::kPort, where, length, error)) return false;
    const int fd = net::connect_tcp(where, length, kProbeMs);
    if (fd < 0) return false;
    close(fd);
    return true;
}

}  // namespace

namespace {

// What the portmapper knows: the core channel and itself.
std::vector<pm::Mapping> mappings(int core_port) {
    std::vector<pm::Mapping> out = {{lanproto::vxi11::kCoreProgram, lanproto::vxi11::kCoreVersion,
                                     pm::kProtoTcp, static_cast<std::uint32_t>(core_port)}};
    for (std::uint32_t vers : {2u, 3u, 4u})
        for (std::uint32_t prot : {pm::kProtoTcp, pm::kProtoUdp})
            out.push_back({pm::kProgram, vers, prot, static_cast<std::uint32_t>(pm::kPort)});
    return out;
}

std::string netid_of(const pm::Mapping& m, const std::string& host) {
    return std::string(m.prot == pm::kProtoTcp ? "tcp" : "udp") +
           (host.find(':') == std::string::npos ? "" : "6");
}

}  // namespace

std::string Portmapper::answer(std::string_view call, const std::string& host, int core_port,
                               bool datagram) {
    rpc::CallHeader h;
    std::size_t pos = 0;
    switch (rpc::parse_call(call, h, pos)) {
        case rpc::CallParse::ok:
            break;
        case rpc::CallParse::rpc_mismatch:
            return rpc::encode_rpc_mismatch(h.xid);
        default:
            return {};
    }
    if (h.prog != pm::kProgram) return rpc::encode_reply(h.xid, rpc::AcceptStat::prog_unavail);
    if (h.vers < 2 || h.vers > 4)
        return rpc::encode_reply(h.xid, rpc::AcceptStat::prog_mismatch, {}, 2, 4);
    const std::vector<pm::Mapping> known = mappings(core_port);
    std::string results;
    switch (h.proc) {
        case pm::proc_null:
            break;
        case pm::proc_set:
        case pm::proc_unset:
            rpc::put_u32(results, 0);  // registrations are refused
            break;
        case pm::proc_getport:
        case pm::proc_getversaddr: {
            if (h.proc == pm::proc_getversaddr && h.vers != 4)
                return rpc::encode_reply(h.xid, rpc::AcceptStat::proc_unavail);
            if (h.vers == 2) {
                const auto m = pm::parse_mapping(call, pos);
                if (!m) return rpc::encode_reply(h.xid, rpc::AcceptStat::garbage_args);
                // Another version of the program where the one asked for is not known, as
                // portmappers do: its server then tells which versions it has.
                std::uint32_t port = 0;
                for (const pm::Mapping& k : known)
                    if (k.prog == m->prog && k.prot == m->prot && (port == 0 || k.vers == m->vers))
                        port = k.port;
                rpc::put_u32(results, port);
                break;
            }
            const auto r = pm::parse_rpcb(call, pos);
            if (!r) return rpc::encode_reply(h.xid, rpc::AcceptStat::garbage_args);
            std::string uaddr;
            bool exact = false;
            for (const pm::Mapping& k : known)
                if (k.prog == r->prog && (r->netid.empty() || r->netid == netid_of(k, host)) &&
                    !exact && (uaddr.empty() || k.vers == r->vers)) {
                    uaddr = pm::universal_address(host, static_cast<int>(k.port));
                    exact = k.vers == r->vers;
                }
            pm::put_string(results, uaddr);
            break;
        }
        case pm::proc_dump:
            for (const pm::Mapping& k : known) {
                rpc::put_u32(results, 1);
                results +=
                    h.vers == 2
                        ? pm::encode_mapping(k)
                        : pm::encode_rpcb({k.prog, k.vers, netid_of(k, host),
                                           pm::universal_address(host, static_cast<int>(k.port)),
                                           "superuser"});
            }
            rpc::put_u32(results, 0);
            break;
        case pm::proc_callit:
            if (datagram) return {};  // a broadcast CALLIT that fails stays unanswered
            return rpc::encode_reply(h.xid, rpc::AcceptStat::proc_unavail);
        case pm::proc_gettime:
            if (h.vers == 2) return rpc::encode_reply(h.xid, rpc::AcceptStat::proc_unavail);
            rpc::put_u32(results, static_cast<std::uint32_t>(time(nullptr)));
            break;
        default:
            return rpc::encode_reply(h.xid, rpc::AcceptStat::proc_unavail);
    }
    return rpc::encode_reply(h.xid, rpc::AcceptStat::success, results);
}

bool Portmapper::start(const std::string& address, int core_port, std::string& how,
                       std::string& error) {
    host_ = address;
    core_port_ = core_port;
    if (rpcbind_runs()) {
        if (!pmap_set(lanproto::vxi11::kCoreProgram, lanproto::vxi11::kCoreVersion, IPPROTO_TCP,
                      static_cast<unsigned short>(core_port))) {
            error =
                "the portmapper on port 111 (rpcbind, or another server's own) refused the "
                "registration";
            return false;
        }
        registered_ = true;
        how = "rpcbind";
        return true;
    }
    std::string tcp_error, udp_error;
    const int tcp_fd = net::listen_tcp(address, pm::kPort, tcp_error);
    udp_fd_ = tcp_fd < 0 ? -1 : net::bind_udp(address, pm::kPort, udp_error);
    if (tcp_fd < 0 || udp_fd_ < 0) {
        if (tcp_fd >= 0) close(tcp_fd);
        error = "no portmapper (rpcbind) runs and port 111 cannot be bound (" +
                (tcp_error.empty() ? udp_error : tcp_error) + ")";
        return false;
    }
    const int on = 1;
    setsockopt(udp_fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    tcp_.start(
        tcp_fd,
        [this](int fd, const sockaddr_storage&) {
            // The address the client reached, also when listening on every address.
            sockaddr_storage local{};
            socklen_t local_length = sizeof local;
            getsockname(fd, reinterpret_cast<sockaddr*>(&local), &local_length);
            const std::string host = net::peer_text(local);
            rpc::RecordAssembler records(kMaxCall);
            char buffer[2048];
            for (;;) {
                // A client that falls silent mid-call is let go.
                const long n = net::read_some(fd, buffer, sizeof buffer,
                                              records.idle() ? -1 : kReplyTimeoutMs);
                if (n <= 0) return;
                std::size_t at = 0;
                while (at < static_cast<std::size_t>(n)) {
                    rpc::RecordAssembler::Status status;
                    at += records.feed(buffer + at, static_cast<std::size_t>(n) - at, status);
                    if (status == rpc::RecordAssembler::Status::too_long) return;
                    if (status != rpc::RecordAssembler::Status::record) continue;
                    const std::string reply = answer(records.record(), host, core_port_, false);
                    if (reply.empty() || !net::write_all(fd, rpc::frame(reply), kReplyTimeoutMs))
                        return;
                }
            }
        },
        kMaxPortmapperConnections);
    if (pipe2(wake_, O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
    udp_thread_ = std::thread([this] { serve_udp(); });
    how = "portmapper on port 111";
    return true;
}

void Portmapper::serve_udp() {
    char buffer[kMaxCall];
    for (;;) {
        pollfd p[2] = {{udp_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (p[1].revents) return;
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const ssize_t n = recvfrom(udp_fd_, buffer, sizeof buffer, MSG_TRUNC,
                                   reinterpret_cast<sockaddr*>(&peer), &length);
        if (n <= 0 || static_cast<std::size_t>(n) > sizeof buffer) continue;
        const std::string reply =
            answer(std::string_view(buffer, static_cast<std::size_t>(n)), host_, core_port_, true);
        if (!reply.empty())
            sendto(udp_fd_, reply.data(), reply.size(), MSG_DONTWAIT,
                   reinterpret_cast<sockaddr*>(&peer), length);
    }
}

void Portmapper::stop() {
    if (registered_) {
        pmap_unset(lanproto::vxi11::kCoreProgram, lanproto::vxi11::kCoreVersion);
        registered_ = false;
    }
    if (udp_thread_.joinable()) {
        const char byte = 0;
        [[maybe_unused]] const auto n = write(wake_[1], &byte, 1);
        udp_thread_.join();
    }
    tcp_.stop();
    for (int* fd : {&udp_fd_, &wake_[0], &wake_[1]})
        if (*fd >= 0) close(std::exchange(*fd, -1));
}

}  // namespace simserver
