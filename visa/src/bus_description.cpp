#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <string>
#include <utility>

#include "bus.hpp"
#include "instrument_keys.hpp"

namespace simvisa {

namespace {

std::string trim(std::string_view s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::optional<long long> integer(const std::string& v) {
    if (v.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long n = std::strtoll(v.c_str(), &end, 0);
    if (errno != 0 || end == v.c_str() || *end != '\0') return std::nullopt;
    return n;
}

std::optional<FaultKind> fault_kind(const std::string& v) {
    if (v == "fail") return FaultKind::fail;
    if (v == "timeout") return FaultKind::timeout;
    return std::nullopt;
}

// Applies one key of a device; an error text when the key or value is bad.
std::string apply(DeviceDesc& d, const std::string& key, const std::string& value) {
    auto in_range = [&](long long lo, long long hi, auto& field) -> std::string {
        const auto n = integer(value);
        if (!n || *n < lo || *n > hi) return "bad value for " + key + ": " + value;
        field = static_cast<std::remove_reference_t<decltype(field)>>(*n);
        return {};
    };
    if (key == "interface") {
        if (value == "vxi") d.intf_type = VI_INTF_VXI;
        else if (value == "gpib") d.intf_type = VI_INTF_GPIB;
        else if (value == "gpib-vxi") d.intf_type = VI_INTF_GPIB_VXI;
        else return "bad interface: " + value;
        return {};
    }
    if (key == "manufacturer") return in_range(0, 0xFFFF, d.manufacturer);
    if (key == "model") return in_range(0, 0xFFFF, d.model);
    if (key == "logical_address") return in_range(-1, 0xFFFF, d.logical_address);
    if (key == "slot") return in_range(-1, 0x7FFF, d.slot);
    if (key == "spec_version") return in_range(0, 0xFFFFFFFFLL, d.spec_version);
    if (key == "q7304") {
        if (value == "yes") d.q7304 = true;
        else if (value == "no") d.q7304 = false;
        else return "bad value for q7304: " + value;
        return {};
    }
    if (key == "loopback") {
        if (value != "yes" && value != "no") return "bad value for loopback: " + value;
        d.loopback = value == "yes";
        return {};
    }
    if (key == "idn") {
        d.idn = value;
        return {};
    }
    if (key == "lan.device") {
        // Letters, digits, ',' and '_' as a LAN device name has them.
        if (value.empty() || value.size() > 64 ||
            value.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,_") !=
                std::string::npos)
            return "bad value for " + key + ": " + value;
        d.lan_device.clear();
        for (char c : value) d.lan_device += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return {};
    }
    if (key == "lan.socket_port") return in_range(1, 65535, d.lan_socket_port);
    if (auto err = apply_instrument_key(d.input, key, value)) return *err;
    if (key == "fault.open") {
        if (value != "fail") return "bad value for " + key + ": " + value;
        d.open_fails = true;
        return {};
    }
    struct CallKey {
        const char* key;
        Fault::Where where;
    };
    constexpr CallKey call_keys[] = {
        {"fault.stb", Fault::Where::stb},
        {"fault.clear", Fault::Where::clear},
        {"fault.close", Fault::Where::close},
    };
    for (const auto& ck : call_keys) {
        if (key != ck.key) continue;
        if (value != "fail") return "bad value for " + key + ": " + value;
        d.faults.push_back({ck.where, FaultKind::fail, {}, 0});
        return {};
    }
    if (key == "fault.skip" || key == "fault.times") {
        const bool skip = key == "fault.skip";
        const auto n = integer(value);
        if (!n || *n < (skip ? 0 : 1) || *n > 0x7FFFFFFF) return "bad value for " + key + ": " + value;
        if (d.faults.empty()) return key + " without a fault before it";
        (skip ? d.faults.back().skip : d.faults.back().times) = static_cast<long>(*n);
        return {};
    }
    if (key == "fault.attr") {
        const auto n = integer(value);
        if (!n || *n < 0 || *n > 0xFFFFFFFFLL) return "bad attribute id: " + value;
        d.failing_attributes.push_back(static_cast<ViAttr>(*n));
        return {};
    }
    struct PrefixKey {
        const char* key;
        Fault::Where where;
        FaultKind kind;
    };
    constexpr PrefixKey prefix_keys[] = {
        {"fault.write.fail", Fault::Where::write, FaultKind::fail},
        {"fault.write.timeout", Fault::Where::write, FaultKind::timeout},
        {"fault.read.fail", Fault::Where::read, FaultKind::fail},
        {"fault.read.timeout", Fault::Where::read, FaultKind::timeout},
    };
    for (const auto& pk : prefix_keys) {
        if (key != pk.key) continue;
        if (value.empty()) return "missing command prefix for " + key;
        d.faults.push_back({pk.where, pk.kind, upper(value), 0});
        return {};
    }
    if (key == "fault.after") {
        const auto space = value.find(' ');
        const auto n = integer(trim(value.substr(0, space)));
        const auto kind = space == std::string::npos ? std::nullopt
                                                     : fault_kind(trim(value.substr(space + 1)));
        if (!n || *n < 0 || !kind) return "bad value for fault.after: " + value;
        d.faults.push_back({Fault::Where::after, *kind, {}, static_cast<long>(*n)});
        return {};
    }
    return "unknown key: " + key;
}

constexpr const char* kLoopbackIdn = "VISA-SIM,LOOPBACK,0,1.0";

}  // namespace

ParseResult parse_bus_description(std::string_view text, std::string_view file_name) {
    ParseResult result;
    auto fail = [&](int line, const std::string& reason) {
        result.devices.clear();
        result.error = std::string(file_name) + ":" + std::to_string(line) + ": " + reason;
        return result;
    };
    std::vector<bool> interface_given;
    std::vector<ParsedName> parsed_names;
    bool in_lan = false;  // the [lan] section: settings of LAN resources
    int line_no = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const auto nl = text.find('\n', pos);
        std::string_view raw = text.substr(pos, nl == std::string_view::npos ? text.npos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
        ++line_no;
        const std::string line = trim(raw);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return fail(line_no, "unterminated device name");
            const std::string name = trim(std::string_view(line).substr(1, line.size() - 2));
            in_lan = name == "lan";
            if (in_lan) continue;
            const auto parsed = parse_resource_name(name);
            if (!parsed) return fail(line_no, "bad resource name: " + name);
            for (const auto& p : parsed_names)
                if (names_device(*parsed, p) || names_device(p, *parsed))
                    return fail(line_no, "duplicate device: " + name);
            parsed_names.push_back(*parsed);
            DeviceDesc d;
            d.name = canonical_name(*parsed);
            d.intf_type = parsed->intf_type;
            d.intf_num = parsed->intf_num;
            d.primary_address = parsed->primary;
            d.secondary_address = parsed->secondary;
            d.logical_address = parsed->logical_address;
            d.line = line_no;
            result.devices.push_back(std::move(d));
            interface_given.push_back(false);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) return fail(line_no, "expected key = value");
        if (result.devices.empty() && !in_lan) return fail(line_no, "key outside a device");
        const std::string key = trim(std::string_view(line).substr(0, eq));
        const std::string value = trim(std::string_view(line).substr(eq + 1));
        if (in_lan) {
            if (key != "discover") return fail(line_no, "unknown key in [lan]: " + key);
            if (value != "yes" && value != "no") return fail(line_no, "bad value for discover: " + value);
            result.discover = value == "yes";
            continue;
        }
        if (const std::string err = apply(result.devices.back(), key, value); !err.empty())
            return fail(line_no, err);
    }
    for (auto& d : result.devices) {
        if (d.q7304 && d.intf_type != VI_INTF_GPIB && d.manufacturer == 0 && d.model == 0) {
            d.manufacturer = 3674;
            d.model = 705;
        }
        if (d.q7304 && d.loopback) return fail(d.line, "a device is a Q7304A or the loopback device");
        if (d.loopback && d.idn.empty()) d.idn = kLoopbackIdn;
        // A LAN resource is reached over the network: nothing simulated answers there.
        const bool lan = d.name.starts_with("TCPIP");
        if (lan && (d.intf_type != VI_INTF_TCPIP || d.q7304 || d.loopback || !d.idn.empty()))
            return fail(d.line, "a LAN resource has no simulated device: " + d.name);
    }
    return result;
}

}  // namespace simvisa
