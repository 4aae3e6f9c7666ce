// One-line label of a VISA resource name for the Instrument Select list.
#include <cstdio>
#include <string_view>

#include "widgets.hpp"

namespace gu {

namespace {

constexpr std::string_view SEPARATOR = "::";

// The text up to the first ':' (a field of the rest of a resource name).
std::string_view first_field(std::string_view rest) {
    return rest.substr(0, rest.find(':'));
}

// "TCPIP0::host::device::INSTR" or "TCPIP0::host::port::SOCKET"; a bracketed IPv6 host
// holds separators of its own.
void describe_lan(std::string_view intf, std::string_view rest, char* label, std::size_t size) {
    const std::size_t host_end = rest.starts_with("[") ? rest.find(']') + 1 : rest.find(SEPARATOR);
    const std::string_view host = rest.substr(0, host_end);
    std::string_view tail = host_end < rest.size() ? rest.substr(host_end) : std::string_view{};
    if (tail.starts_with(SEPARATOR)) tail.remove_prefix(SEPARATOR.size());
    const auto end = tail.find(SEPARATOR);
    const bool socket = end != std::string_view::npos && tail.substr(end + SEPARATOR.size()) == "SOCKET";
    const std::string_view what = end == std::string_view::npos ? std::string_view("inst0") : tail.substr(0, end);
    std::snprintf(label, size, "Interface: %.*s  Host %.*s  %s %.*s", static_cast<int>(intf.size()), intf.data(),
                  static_cast<int>(host.size()), host.data(), socket ? "Port" : "Device",
                  static_cast<int>(what.size()), what.data());
}

}  // namespace

const char* describe_rsrc(const char* rsrc) {
    static char label[512];
    const std::string_view name = rsrc ? rsrc : "";
    const auto first = name.find(SEPARATOR);
    if (first == std::string_view::npos) {
        std::snprintf(label, sizeof label, "Interface: %.*s", static_cast<int>(name.size()),
                      name.data());
        return label;
    }
    const std::string_view intf = name.substr(0, first);
    std::string_view rest = name.substr(first + SEPARATOR.size());
    if (intf.starts_with("TCPIP")) {
        describe_lan(intf, rest, label, sizeof label);
        return label;
    }
    std::string_view prim;
    bool has_prim = false;
    if (name.find("GPIB") != std::string_view::npos) {
        const auto further = rest.find(SEPARATOR);
        if (further != std::string_view::npos &&
            !rest.substr(further + SEPARATOR.size()).starts_with("INSTR")) {
            prim = first_field(rest);
            has_prim = true;
            rest = rest.substr(further + SEPARATOR.size());
        }
    }
    if (rest.find(SEPARATOR) != std::string_view::npos) rest = first_field(rest);
    int n = std::snprintf(label, sizeof label, "Interface: %.*s", static_cast<int>(intf.size()),
                          intf.data());
    if (has_prim && n < static_cast<int>(sizeof label))
        n += std::snprintf(label + n, sizeof label - n, "  Prim Addr %.*s",
                           static_cast<int>(prim.size()), prim.data());
    if (n < static_cast<int>(sizeof label))
        std::snprintf(label + n, sizeof label - n, "  Log Addr %.*s", static_cast<int>(rest.size()),
                      rest.data());
    return label;
}

}  // namespace gu
