// The portmapper (program 100000): version 2 mappings and the versions 3 and 4 (rpcbind)
// requests, as XDR bytes, and universal addresses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lanproto::portmap {

constexpr std::uint32_t kProgram = 100000;
constexpr int kPort = 111;
constexpr std::uint32_t kProtoTcp = 6, kProtoUdp = 17;

enum Proc : std::uint32_t {
    proc_null = 0,
    proc_set = 1,
    proc_unset = 2,
    proc_getport = 3,  // version 2; GETADDR in versions 3 and 4
    proc_dump = 4,
    proc_callit = 5,
    proc_gettime = 6,      // versions 3 and 4
    proc_getversaddr = 9,  // version 4
};

struct Mapping {  // version 2
    std::uint32_t prog = 0, vers = 0, prot = 0, port = 0;
};
std::string encode_mapping(const Mapping& m);
std::optional<Mapping> parse_mapping(std::string_view in, std::size_t& pos);

struct Rpcb {  // versions 3 and 4
    std::uint32_t prog = 0, vers = 0;
    std::string netid, addr, owner;
};
std::string encode_rpcb(const Rpcb& r);
std::optional<Rpcb> parse_rpcb(std::string_view in, std::size_t& pos);

// An XDR string, its length claim checked against the bytes there and `max`.
void put_string(std::string& out, std::string_view s);
std::optional<std::string> get_string(std::string_view in, std::size_t& pos, std::size_t max);

// "h1.h2.h3.h4.p1.p2" for IPv4, "<ipv6>.p1.p2" for IPv6.
std::string universal_address(const std::string& host, int port);
// The port of a universal address, or nullopt.
std::optional<int> universal_port(std::string_view uaddr);

}  // namespace lanproto::portmap
