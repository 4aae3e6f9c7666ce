#include "discover.hpp"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "oncrpc.hpp"
#include "portmap.hpp"
#include "vxi11.hpp"

namespace simvisa::net {

std::vector<std::string> discover_vxi11(std::chrono::milliseconds wait) {
    using namespace lanproto;
    std::vector<std::string> found;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return found;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const std::uint32_t xid = 0x5A5A0000u ^ static_cast<std::uint32_t>(::getpid());
    const std::string call = rpc::encode_call(
        {xid, portmap::kProgram, 2, portmap::proc_getport},
        portmap::encode_mapping({vxi11::kCoreProgram, vxi11::kCoreVersion, portmap::kProtoTcp, 0}));
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
        for (ifaddrs* i = list; i; i = i->ifa_next) {
            if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP) ||
                !(i->ifa_flags & IFF_BROADCAST) || !i->ifa_broadaddr)
                continue;
            sockaddr_in to = *reinterpret_cast<sockaddr_in*>(i->ifa_broadaddr);
            to.sin_port = htons(portmap::kPort);
            ::sendto(fd, call.data(), call.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
        ::freeifaddrs(list);
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        char buf[512];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n <= 0) continue;
        const std::string_view reply(buf, static_cast<std::size_t>(n));
        rpc::ReplyHeader h;
        std::size_t body = 0;
        if (!rpc::parse_reply(reply, h, body) || h.xid != xid || !h.accepted || h.stat != rpc::AcceptStat::success)
            continue;
        const auto port = rpc::get_u32(reply, body);
        if (!port || *port == 0) continue;
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        const std::string name = "TCPIP0::" + std::string(text) + "::inst0::INSTR";
        if (std::find(found.begin(), found.end(), name) == found.end()) found.push_back(name);
    }
    ::close(fd);
    return found;
}

}  // namespace simvisa::net
