#include "portmap.hpp"

#include <charconv>

#include "oncrpc.hpp"

namespace lanproto::portmap {

using rpc::get_u32;
using rpc::put_u32;

namespace {
constexpr std::size_t kMaxText = 255;  // netids, addresses and owners are short
}

std::string encode_mapping(const Mapping& m) {
    std::string out;
    put_u32(out, m.prog);
    put_u32(out, m.vers);
    put_u32(out, m.prot);
    put_u32(out, m.port);
    return out;
}

std::optional<Mapping> parse_mapping(std::string_view in, std::size_t& pos) {
    Mapping m;
    for (std::uint32_t* field : {&m.prog, &m.vers, &m.prot, &m.port}) {
        const auto v = get_u32(in, pos);
        if (!v) return std::nullopt;
        *field = *v;
    }
    return m;
}

void put_string(std::string& out, std::string_view s) {
    put_u32(out, static_cast<std::uint32_t>(s.size()));
    out.append(s);
    out.append((4 - s.size() % 4) % 4, '\0');
}

std::optional<std::string> get_string(std::string_view in, std::size_t& pos, std::size_t max) {
    const auto length = get_u32(in, pos);
    if (!length || *length > max) return std::nullopt;
    const std::size_t padded = (*length + 3u) & ~std::size_t{3};
    if (in.size() - pos < padded) return std::nullopt;
    std::string s(in.substr(pos, *length));
    pos += padded;
    return s;
}

std::string encode_rpcb(const Rpcb& r) {
    std::string out;
    put_u32(out, r.prog);
    put_u32(out, r.vers);
    put_string(out, r.netid);
    put_string(out, r.addr);
    put_string(out, r.owner);
    return out;
}

std::optional<Rpcb> parse_rpcb(std::string_view in, std::size_t& pos) {
    Rpcb r;
    const auto prog = get_u32(in, pos), vers = get_u32(in, pos);
    if (!prog || !vers) return std::nullopt;
    r.prog = *prog;
    r.vers = *vers;
    for (std::string* field : {&r.netid, &r.addr, &r.owner}) {
        auto s = get_string(in, pos, kMaxText);
        if (!s) return std::nullopt;
        *field = std::move(*s);
    }
    return r;
}

std::string universal_address(const std::string& host, int port) {
    return host + "." + std::to_string((port >> 8) & 0xFF) + "." + std::to_string(port & 0xFF);
}

std::optional<int> universal_port(std::string_view uaddr) {
    const auto low_dot = uaddr.rfind('.');
    if (low_dot == std::string_view::npos || low_dot == 0) return std::nullopt;
    const auto high_dot = uaddr.rfind('.', low_dot - 1);
    if (high_dot == std::string_view::npos) return std::nullopt;
    int high = -1, low = -1;
    const auto h = uaddr.substr(high_dot + 1, low_dot - high_dot - 1),
               l = uaddr.substr(low_dot + 1);
    if (std::from_chars(h.data(), h.data() + h.size(), high).ptr != h.data() + h.size() ||
        std::from_chars(l.data(), l.data() + l.size(), low).ptr != l.data() + l.size() ||
        high < 0 || high > 255 || low < 0 || low > 255)
        return std::nullopt;
    return high << 8 | low;
}

}  // namespace lanproto::portmap
