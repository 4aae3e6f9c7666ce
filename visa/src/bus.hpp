// The simulated bus: the devices a bus description lists, and its parser.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/q7304.hpp"
#include "visa.h"

namespace simvisa {

enum class FaultKind { fail, timeout };

// A fault of a device: where it strikes and how.
struct Fault {
    enum class Where { write, read, after, stb, clear, close } where;
    FaultKind kind;
    std::string prefix;  // write/read: command prefix, upper case
    long after = 0;      // after: transfers before the fault starts
    long skip = 0;       // matching calls let pass before the fault strikes
    long times = -1;     // strikes before the fault is spent; -1: never spent
};

struct DeviceDesc {
    std::string name;  // resource name as given
    ViUInt16 intf_type = VI_INTF_VXI;
    ViUInt16 intf_num = 0;
    ViUInt16 manufacturer = 0;
    ViUInt16 model = 0;
    ViInt16 logical_address = -1;
    ViInt16 slot = -1;
    ViUInt16 primary_address = 0;
    ViUInt32 spec_version = 0x00300000;
    bool q7304 = false;
    std::string idn;
    sim::Q7304Input input;
    bool open_fails = false;
    std::vector<ViAttr> failing_attributes;
    std::vector<Fault> faults;
    int line = 0;  // where it was described
};

struct ParseResult {
    std::vector<DeviceDesc> devices;
    std::string error;  // "<file>:<line>: <reason>" when the description is malformed
};

// Parses a bus description. Pure: no I/O.
ParseResult parse_bus_description(std::string_view text, std::string_view file_name);

// Interface type and number of a resource name, or nullopt when it is not one we know.
struct ParsedName {
    ViUInt16 intf_type;
    ViUInt16 intf_num;
    ViUInt16 primary = 0;
    ViInt16 logical_address = -1;
};
std::optional<ParsedName> parse_resource_name(std::string_view name);

// A live device of the bus: a simulated Q7304A or a plain device answering *IDN?.
class Device {
public:
    explicit Device(DeviceDesc desc);
    ~Device();
    const DeviceDesc& desc() const { return desc_; }

    ViStatus write(std::string_view bytes, bool end, ViUInt32 timeout_ms);
    ViStatus read(std::string& out, std::size_t max, ViUInt32 timeout_ms, bool& end);
    ViStatus read_stb(ViUInt16& stb);
    ViStatus clear();
    ViStatus close();  // a session to the device is closed
    void trigger();
    // An edge on a TTL trigger line of the device's mainframe (trigger_lines.cpp).
    void line_trigger(int line, sim::Q7304::TimePoint at);

private:
    std::optional<FaultKind> fault_for(Fault::Where where, std::string_view command);
    ViStatus strike(FaultKind kind, ViUInt32 timeout_ms);

    DeviceDesc desc_;
    std::unique_ptr<sim::Q7304> instrument_;
    std::mutex mutex_;             // plain-device state and fault bookkeeping
    std::string plain_reply_;
    std::string last_command_;     // upper case, for read faults
    std::vector<long> matched_;    // calls each fault has matched so far
    long transfers_ = 0;           // writes and reads so far
};

// The bus of this process: loaded once, from $VISA_SIM_BUS or the default.
std::vector<std::unique_ptr<Device>>& bus();

}  // namespace simvisa
