// The simulated bus: the devices a bus description lists, and its parser.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "locks.hpp"
#include "loopback.hpp"
#include "resource_name.hpp"
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
    std::string name;  // resource name in its canonical form
    ViUInt16 intf_type = VI_INTF_VXI;
    ViUInt16 intf_num = 0;
    ViUInt16 manufacturer = 0;
    ViUInt16 model = 0;
    ViInt16 logical_address = -1;
    ViInt16 slot = -1;
    ViUInt16 primary_address = 0;
    ViUInt16 secondary_address = VI_NO_SEC_ADDR;
    ViUInt32 spec_version = 0x00300000;
    bool q7304 = false;
    bool loopback = false;  // the loopback test device answers here
    std::string idn;
    sim::Q7304Input input;
    bool open_fails = false;
    std::vector<ViAttr> failing_attributes;
    std::vector<Fault> faults;
    std::string lan_device;   // lan.device: its name on the LAN server (lower case)
    int lan_socket_port = 0;  // lan.socket_port: its raw SCPI socket there; 0: none
    int line = 0;  // where it was described
};

struct ParseResult {
    std::vector<DeviceDesc> devices;
    std::string error;  // "<file>:<line>: <reason>" when the description is malformed
    bool discover = false;  // [lan] discover = yes: instruments on the local network are looked for
};

// Parses a bus description. Pure: no I/O.
ParseResult parse_bus_description(std::string_view text, std::string_view file_name);

// A live device of the bus: a simulated Q7304A, the loopback test device, or a plain device
// answering *IDN?.
class Device {
public:
    explicit Device(DeviceDesc desc);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    const DeviceDesc& desc() const { return desc_; }
    bool message_based() const { return instrument_ || loopback_ || !desc_.idn.empty(); }

    ViStatus write(std::string_view bytes, bool end, ViUInt32 timeout_ms, Stop stop = {});
    // Up to `max` bytes of the reply; with `term` (0..255) it ends after that byte, and the
    // rest stays in the device for the next read.
    ViStatus read(std::string& out, std::size_t max, ViUInt32 timeout_ms, bool& end,
                  int term = -1, Stop stop = {});
    ViStatus read_stb(ViUInt16& stb);
    // A response waits in the device or is still owed (what the DOR bit shows).
    bool reply_pending() const;
    ViStatus clear();
    ViStatus close();  // a session to the device is closed
    void trigger();
    // An edge on a TTL trigger line of the device's mainframe (trigger_lines.cpp).
    void line_trigger(int line, sim::Q7304::TimePoint at);

    // The VXI configuration registers in A16 space (offsets 0 to 63, 16 bits each) and
    // word serial commands; VI_ERROR_BERR where nothing answers.
    ViStatus register_read(ViBusAddress offset, ViUInt16& value);
    ViStatus register_write(ViBusAddress offset, ViUInt16 value, ViUInt32 timeout_ms, Stop stop);
    // A word serial command; `has_response` tells whether one came back in `response`.
    ViStatus word_serial(ViUInt16 command, ViUInt32 timeout_ms, Stop stop, bool& has_response,
                         ViUInt16& response);

    LockTable locks;

private:
    std::optional<FaultKind> fault_for(Fault::Where where, std::string_view command);
    ViStatus strike(FaultKind kind, ViUInt32 timeout_ms, Stop stop);
    ViStatus take(std::string& out, std::size_t max, std::chrono::steady_clock::time_point deadline,
                  bool& end, int term, Stop stop);

    DeviceDesc desc_;
    std::unique_ptr<sim::Q7304> instrument_;
    std::unique_ptr<Loopback> loopback_;
    mutable std::mutex mutex_;     // plain-device state and fault bookkeeping
    std::string plain_reply_;
    std::string last_command_;     // upper case, for read faults
    std::vector<long> matched_;    // calls each fault has matched so far
    long transfers_ = 0;           // writes and reads so far
    // VXI registers: the control register, the response a word serial command left, and
    // whether a command was not understood.
    ViUInt16 control_ = 0;
    std::optional<ViUInt16> data_low_;
    bool protocol_error_ = false;
};

// The bus of this process: loaded once, from $VISA_SIM_BUS or the default.
std::vector<std::unique_ptr<Device>>& bus();
// Whether the bus description asks for discovery on the local network.
bool lan_discovery();

// Whether the device of an instrument session holds or owes a reply, without reading the
// status byte (whose poll would take a service request): for servers of this bus.
bool session_reply_pending(ViSession vi);

}  // namespace simvisa
