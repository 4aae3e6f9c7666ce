// The server's own services beside HiSLIP, its options and the devices it serves.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bus.hpp"
#include "service.hpp"

namespace simserver {

struct Options {
    std::string bus_file;  // empty: the built-in bus
    std::string listen_address = "127.0.0.1";
    int hislip_port = 4880;
    bool vxi11 = true;
    bool version = false;
    bool help = false;
};

// The options of the command line (without the program name); why not in `error`.
std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error);
extern const char* const kUsage;

// The LAN names and socket ports of the bus's devices, in bus order; why not in `error`
// (two devices of one name or one port).
std::optional<std::vector<ServedDevice>> served_devices(const std::vector<simvisa::DeviceDesc>& bus,
                                                        std::string& error);

// VXI-11: core and abort channels, the interrupt channel to clients, and the portmapper
// (rpcbind's when one runs, else its own on port 111).
std::unique_ptr<Service> make_vxi11_service(const ServerContext& context);
// Raw SCPI sockets of the devices that have a socket port.
std::unique_ptr<Service> make_socket_service(const ServerContext& context);

}  // namespace simserver
