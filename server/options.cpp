// Command-line options and the LAN names of the bus's devices.
#include <charconv>
#include <set>

#include "services.hpp"

namespace simserver {

const char* const kUsage =
    "usage: visa-sim-server [--bus FILE] [--listen ADDRESS] [--hislip-port N] [--no-vxi11]\n"
    "       visa-sim-server --version\n";

namespace {

std::optional<int> port_number(const std::string& text) {
    int n = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > 65535)
        return std::nullopt;
    return n;
}

}  // namespace

std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&]() -> const std::string* {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return nullptr;
            }
            return &args[++i];
        };
        if (a == "--bus") {
            const std::string* v = value();
            if (!v) return std::nullopt;
            o.bus_file = *v;
        } else if (a == "--listen") {
            const std::string* v = value();
            if (!v) return std::nullopt;
            o.listen_address = *v;
        } else if (a == "--hislip-port") {
            const std::string* v = value();
            if (!v) return std::nullopt;
            const auto port = port_number(*v);
            if (!port) {
                error = "bad port for --hislip-port: " + *v;
                return std::nullopt;
            }
            o.hislip_port = *port;
        } else if (a == "--no-vxi11") {
            o.vxi11 = false;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else {
            error = "unknown option: " + a;
            return std::nullopt;
        }
    }
    return o;
}

std::optional<std::vector<ServedDevice>> served_devices(const std::vector<simvisa::DeviceDesc>& bus,
                                                        std::string& error) {
    std::vector<ServedDevice> out;
    std::set<std::string> names;
    std::set<int> ports;
    for (std::size_t i = 0; i < bus.size(); ++i) {
        const simvisa::DeviceDesc& d = bus[i];
        const auto parsed = simvisa::parse_resource_name(d.name);
        ServedDevice s;
        s.resource = parsed ? simvisa::canonical_name(*parsed) : d.name;
        const std::string own = d.lan_device.empty() ? "inst" + std::to_string(i) : d.lan_device;
        if (!names.insert(own).second) {
            error = d.name + ": the LAN device name " + own + " is taken by another device";
            return std::nullopt;
        }
        s.names.push_back(own);
        // A gateway's names; behind a GPIB-VXI interface a card is the secondary address of
        // its logical address divided by 8. A name two devices would share goes to the first.
        const std::string board = "gpib" + std::to_string(d.intf_num) + ",";
        std::string gpib;
        if (d.intf_type == VI_INTF_GPIB)
            gpib =
                board + std::to_string(d.primary_address) +
                (d.secondary_address == VI_NO_SEC_ADDR ? ""
                                                       : "," + std::to_string(d.secondary_address));
        else if (d.intf_type == VI_INTF_GPIB_VXI && parsed && parsed->primary_given)
            gpib = board + std::to_string(d.primary_address) + "," +
                   std::to_string(d.logical_address / 8);
        if (!gpib.empty() && names.insert(gpib).second) s.names.push_back(gpib);
        s.socket_port = d.lan_socket_port;
        if (s.socket_port != 0 && !ports.insert(s.socket_port).second) {
            error = d.name + ": socket port " + std::to_string(s.socket_port) +
                    " is taken by another device";
            return std::nullopt;
        }
        out.push_back(std::move(s));
    }
    return out;
}

}  // namespace simserver
