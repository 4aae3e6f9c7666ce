// VISA resource names: their parts, their canonical form, and which names name one resource.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "visa.h"

namespace simvisa {

// The parts of an INSTR or SOCKET resource name.
struct ParsedName {
    ViUInt16 intf_type;
    ViUInt16 intf_num;
    ViUInt16 primary = 0;
    ViUInt16 secondary = VI_NO_SEC_ADDR;
    ViInt16 logical_address = -1;
    bool primary_given = false;  // GPIB-VXI: the name holds a GPIB address before the LA
    std::string host;            // TCPIP: a host name, an IPv4 address or a bracketed IPv6 one
    std::string device;          // TCPIP INSTR: the LAN device name ("inst0" by default)
    ViUInt16 port = 0;           // TCPIP SOCKET
    bool socket = false;         // the class SOCKET, else INSTR
};

// The parts of a name, or nullopt when it is not a name (or an address is out of range).
std::optional<ParsedName> parse_resource_name(std::string_view name);
// The name in its full form: "VXI0::24::INSTR", "GPIB0::9::3::INSTR",
// "TCPIP0::192.0.2.7::inst0::INSTR", "TCPIP0::host::5025::SOCKET".
std::string canonical_name(const ParsedName& name);
// Whether a name given to viOpen names the device: the same parts, a secondary address of
// 0 also naming a device that has none, host and LAN device names in any case.
bool names_device(const ParsedName& name, const ParsedName& device);

}  // namespace simvisa
