// What every LAN service of the server shares: the devices it serves and how it is started.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "visa.h"

namespace simserver {

// One device of the bus as the LAN sees it.
struct ServedDevice {
    std::string resource;            // its VISA resource on the simulated bus ("VXI0::24::INSTR")
    std::vector<std::string> names;  // LAN device names, lower case: "inst0", "gpib0,9", ...
    int socket_port = 0;             // raw SCPI socket port; 0: none
};

struct ServerContext {
    std::string listen_address = "127.0.0.1";
    int hislip_port = 4880;
    ViSession resource_manager = VI_NULL;  // of the in-process bus
    std::vector<ServedDevice> devices;
};

// The served device a LAN device name reaches (case-insensitive, "hpib" as "gpib"), or null.
const ServedDevice* find_served_device(const ServerContext& context, std::string_view name);

// A listening service. start() binds and spawns its threads; stop() closes every
// connection and joins them. Both are called from the main thread only.
class Service {
public:
    virtual ~Service() = default;
    // On success: a short text for the "listening" line ("hislip 127.0.0.1:4880");
    // on failure: false, and why in error.
    virtual bool start(std::string& description, std::string& error) = 0;
    virtual void stop() = 0;
};

std::unique_ptr<Service> make_hislip_service(const ServerContext& context);

}  // namespace simserver
