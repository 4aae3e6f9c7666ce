// Looking up a served device by its LAN device name.
#include <algorithm>
#include <cctype>

#include "service.hpp"

namespace simserver {

namespace {

std::string normalised(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (out.starts_with("hpib")) out.replace(0, 4, "gpib");
    return out;
}

}  // namespace

const ServedDevice* find_served_device(const ServerContext& context, std::string_view name) {
    const std::string wanted = normalised(name);
    for (const ServedDevice& device : context.devices) {
        if (std::ranges::find(device.names, wanted) != device.names.end()) return &device;
    }
    // hislip<n>: the n-th device in bus order.
    if (wanted.starts_with("hislip") && wanted.size() > 6 && wanted.size() <= 9 &&
        std::ranges::all_of(wanted.substr(6), [](char c) { return c >= '0' && c <= '9'; })) {
        const std::size_t index = std::stoul(wanted.substr(6));
        if (index < context.devices.size()) return &context.devices[index];
    }
    return nullptr;
}

}  // namespace simserver
