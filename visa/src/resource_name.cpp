#include "resource_name.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

namespace simvisa {

namespace {

constexpr std::size_t kMaxName = 255;
constexpr long kMaxBoard = 65535;
constexpr long kMaxGpibAddress = 30;  // primary and secondary
constexpr long kMaxLogicalAddress = 255;
constexpr long kMaxPort = 65535;
constexpr std::size_t kMaxHostName = 253;

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool same_text(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

bool starts_with_word(std::string_view s, std::string_view word) {
    return s.size() >= word.size() && same_text(s.substr(0, word.size()), word);
}

// Digits only (leading zeros as many as there are), up to `max`; nullopt otherwise.
std::optional<long> number(std::string_view s, long max) {
    if (s.empty()) return std::nullopt;
    while (s.size() > 1 && s.front() == '0') s.remove_prefix(1);
    if (s.size() > 10) return std::nullopt;
    long n = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n > max) return std::nullopt;
    return n;
}

// The fields between "::" separators; a bracketed IPv6 address may hold "::".
std::vector<std::string_view> fields(std::string_view name) {
    std::vector<std::string_view> out;
    std::size_t from = 0;
    bool bracket = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '[') bracket = true;
        if (name[i] == ']') bracket = false;
        if (!bracket && name.compare(i, 2, "::") == 0) {
            out.push_back(name.substr(from, i - from));
            from = i + 2;
            ++i;
        }
    }
    out.push_back(name.substr(from));
    return out;
}

bool host_name(std::string_view host) {
    if (host.empty() || host.size() > kMaxHostName) return false;
    std::size_t label = 0;
    for (std::size_t i = 0; i <= host.size(); ++i) {
        if (i == host.size() || host[i] == '.') {
            if (label == 0 || label > 63 || host[i - 1] == '-' || host[i - label] == '-')
                return false;
            label = 0;
            continue;
        }
        const char c = host[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
        ++label;
    }
    return true;
}

// A host name, a dotted IPv4 address, or an IPv6 address in brackets (with a zone after %).
bool valid_host(std::string_view host) {
    unsigned char address[16];
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        const std::string inner(host.substr(1, std::min(host.find('%'), host.size() - 1) - 1));
        return ::inet_pton(AF_INET6, inner.c_str(), address) == 1;
    }
    if (host.find_first_not_of("0123456789.") == std::string_view::npos)
        return ::inet_pton(AF_INET, std::string(host).c_str(), address) == 1;
    return host_name(host);
}

// A LAN device name: "inst<n>", "gpib<n>,<primary>[,<secondary>]" ("hpib" too),
// "hislip<n>[,<port>]" (those in lower case), or another name as given.
std::optional<std::string> lan_device(std::string_view device) {
    if (device.empty()) return std::nullopt;
    for (char c : device)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != ',' && c != '_' && c != '.' &&
            c != '-')
            return std::nullopt;
    std::string known;
    for (char c : device) known += lower(c);
    const auto comma = known.find(',');
    const std::string_view head = std::string_view(known).substr(0, comma);
    const std::string_view rest =
        comma == std::string::npos ? std::string_view{} : std::string_view(known).substr(comma + 1);
    auto board_of = [&](std::string_view prefix) {
        return head.starts_with(prefix) &&
               number(head.substr(prefix.size()), kMaxBoard).has_value();
    };
    if (board_of("inst")) return rest.empty() ? std::optional(known) : std::nullopt;
    if (board_of("hislip")) {
        if (comma != std::string::npos && !number(rest, kMaxPort)) return std::nullopt;
        return known;
    }
    if (board_of("gpib") || board_of("hpib")) {
        if (comma == std::string::npos) return known;  // the gateway's interface itself
        const auto second = rest.find(',');
        const bool ok =
            number(rest.substr(0, second), kMaxGpibAddress) &&
            (second == std::string_view::npos || number(rest.substr(second + 1), kMaxGpibAddress));
        return ok ? std::optional(known) : std::nullopt;
    }
    return std::string(device);
}

std::optional<ParsedName> parse_tcpip(ParsedName parsed, const std::vector<std::string_view>& f,
                                      bool socket) {
    if (f.empty() || !valid_host(f[0])) return std::nullopt;
    parsed.host = f[0];
    parsed.socket = socket;
    if (socket) {
        if (f.size() != 2) return std::nullopt;
        const auto port = number(f[1], kMaxPort);
        if (!port) return std::nullopt;
        parsed.port = static_cast<ViUInt16>(*port);
        return parsed;
    }
    if (f.size() > 2) return std::nullopt;
    const auto device = lan_device(f.size() == 2 ? f[1] : "inst0");
    if (!device) return std::nullopt;
    parsed.device = *device;
    return parsed;
}

}  // namespace

// VXI[n]::<la>[::INSTR], GPIB-VXI[n]::[<primary>::]<la>[::INSTR],
// GPIB[n]::<primary>[::<secondary>][::INSTR], TCPIP[n]::<host>[::<device>][::INSTR],
// TCPIP[n]::<host>::<port>::SOCKET; a board number left out is 0.
std::optional<ParsedName> parse_resource_name(std::string_view name) {
    if (name.size() > kMaxName) return std::nullopt;
    static constexpr std::pair<std::string_view, ViUInt16> kinds[] = {
        {"GPIB-VXI", VI_INTF_GPIB_VXI},
        {"GPIB", VI_INTF_GPIB},
        {"VXI", VI_INTF_VXI},
        {"TCPIP", VI_INTF_TCPIP}};
    std::vector<std::string_view> f = fields(name);
    for (const auto& [prefix, type] : kinds) {
        if (!starts_with_word(f[0], prefix)) continue;
        const std::string_view board_text = f[0].substr(prefix.size());
        const auto board =
            board_text.empty() ? std::optional<long>(0) : number(board_text, kMaxBoard);
        if (!board) return std::nullopt;
        f.erase(f.begin());
        const bool socket = !f.empty() && same_text(f.back(), "SOCKET");
        if (socket || (!f.empty() && same_text(f.back(), "INSTR"))) f.pop_back();
        ParsedName parsed{type, static_cast<ViUInt16>(*board)};
        if (type == VI_INTF_TCPIP) return parse_tcpip(std::move(parsed), f, socket);
        // One or two addresses: GPIB primary and secondary, or GPIB-VXI primary and LA.
        if (socket || f.empty() || f.size() > (type == VI_INTF_VXI ? 1u : 2u)) return std::nullopt;
        const bool gpib = type == VI_INTF_GPIB;
        const auto first =
            number(f[0], gpib || f.size() == 2 ? kMaxGpibAddress : kMaxLogicalAddress);
        const auto second = f.size() == 2
                                ? number(f[1], gpib ? kMaxGpibAddress : kMaxLogicalAddress)
                                : std::optional<long>(-1);
        if (!first || !second) return std::nullopt;
        if (gpib) {
            parsed.primary = static_cast<ViUInt16>(*first);
            if (*second >= 0) parsed.secondary = static_cast<ViUInt16>(*second);
        } else if (*second >= 0) {
            parsed.primary = static_cast<ViUInt16>(*first);
            parsed.primary_given = true;
            parsed.logical_address = static_cast<ViInt16>(*second);
        } else {
            parsed.logical_address = static_cast<ViInt16>(*first);
        }
        return parsed;
    }
    return std::nullopt;
}

std::string canonical_name(const ParsedName& n) {
    const std::string board = std::to_string(n.intf_num);
    switch (n.intf_type) {
        case VI_INTF_GPIB:
            return "GPIB" + board + "::" + std::to_string(n.primary) +
                   (n.secondary == VI_NO_SEC_ADDR ? "" : "::" + std::to_string(n.secondary)) +
                   "::INSTR";
        case VI_INTF_GPIB_VXI:
            return "GPIB-VXI" + board +
                   "::" + (n.primary_given ? std::to_string(n.primary) + "::" : "") +
                   std::to_string(n.logical_address) + "::INSTR";
        case VI_INTF_TCPIP:
            return "TCPIP" + board + "::" + n.host +
                   "::" + (n.socket ? std::to_string(n.port) + "::SOCKET" : n.device + "::INSTR");
        default:
            return "VXI" + board + "::" + std::to_string(n.logical_address) + "::INSTR";
    }
}

bool names_device(const ParsedName& n, const ParsedName& d) {
    if (n.intf_type != d.intf_type || n.intf_num != d.intf_num) return false;
    switch (n.intf_type) {
        case VI_INTF_GPIB:
            return n.primary == d.primary && (n.secondary == d.secondary ||
                                              (n.secondary == 0 && d.secondary == VI_NO_SEC_ADDR));
        case VI_INTF_GPIB_VXI:
            return n.logical_address == d.logical_address &&
                   (!n.primary_given || !d.primary_given || n.primary == d.primary);
        case VI_INTF_TCPIP:
            return n.socket == d.socket && same_text(n.host, d.host) &&
                   (n.socket ? n.port == d.port : same_text(n.device, d.device));
        default:
            return n.logical_address == d.logical_address;
    }
}

}  // namespace simvisa
