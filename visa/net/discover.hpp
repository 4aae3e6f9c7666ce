// Instruments on the local network: a VXI-11 portmapper GETPORT broadcast on each interface.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace simvisa::net {

// The hosts whose portmapper knows a VXI-11 core channel, as "TCPIP0::<address>::inst0::INSTR",
// answered within `wait`.
std::vector<std::string> discover_vxi11(std::chrono::milliseconds wait);

}  // namespace simvisa::net
