// The instrument's state as the command handlers and the measurement model see it.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "errors.hpp"
#include "readings.hpp"
#include "settings.hpp"
#include "sim/q7304.hpp"

namespace sim {

using Clock = std::chrono::steady_clock;

inline constexpr double overload_reading = 9.9e37;

struct Status {
    std::uint8_t esr = 0x80;  // power on
    std::uint8_t ese = 0;
    std::uint8_t sre = 0;
    std::uint16_t ques_condition = 0;
    std::uint16_t ques_event = 0;
    std::uint16_t ques_enable = 0;
    std::uint16_t oper_condition = 0;
    std::uint16_t oper_event = 0;
    std::uint16_t oper_enable = 0;
    bool opc_armed = false;  // *OPC waits for the measurement
};

namespace esr {
inline constexpr std::uint8_t operation_complete = 0x01;
}

// Bits of the SCPI operation status register.
namespace obit {
inline constexpr std::uint16_t measuring = 1u << 4;
inline constexpr std::uint16_t waiting_for_trigger = 1u << 5;
}  // namespace obit

// A pulse the instrument drove on a TTL trigger line.
struct LinePulse {
    int line;
    Clock::time_point at;
};

struct Statistics {
    double min = 0.0;
    double max = 0.0;
    double sum = 0.0;
    long count = 0;
    void reset() { *this = Statistics{}; }
    void add(double v);
    double average() const { return count == 0 ? 0.0 : sum / static_cast<double>(count); }
};

// One armed block: `triggers` triggers of `samples` readings each.
struct Measurement {
    bool armed = false;
    TriggerSource source = TriggerSource::immediate;
    long triggers = 0;
    long samples = 0;
    Clock::duration per_reading{};
    Clock::duration delay{};  // before each trigger's first sample
    Clock::time_point last_end{};
    long triggers_started = 0;
    bool in_trigger = false;
    Clock::time_point trigger_at{};
    long sample_in_trigger = 0;
    std::deque<Clock::time_point> bus_triggers;  // received, not yet started
    int line = 0;                                // TTL source line
    std::deque<Clock::time_point> line_edges;    // TTL edges received, in time order
};

// What a handler's reply waits for before the rest of its message may run.
// `output`: the output queue is full; the rest of the message waits for the controller to read.
enum class Wait { none, fetch, opc_query, wai, output };

struct Context {
    explicit Context(const Q7304Input& in);

    Q7304Input input;
    Settings settings;
    ErrorQueue errors;
    Status status;
    Measurement measurement;
    ReadingMemory memory;
    Statistics stats;
    std::mt19937 rng;
    Clock::time_point now;       // the time of the call being served
    Clock::time_point power_on;  // the origin of the input's waveforms and trigger schedule
    Clock::time_point zeroed_at;  // the last zero measurement, for the drift without auto zero
    // The AC detector's signal path and when it last changed (measurement.cpp).
    struct DetectorPath {
        Function function = Function::volt_dc;
        bool volt_auto = true, curr_auto = true;
        std::size_t volt_range = 0, curr_range = 0;
        double bandwidth = 0.0;
        bool operator==(const DetectorPath&) const = default;
    } detector_path;
    Clock::time_point detector_changed_at;
    bool drive_lines = false;     // someone listens to the TTL pulses
    std::vector<LinePulse> pulses;  // driven, not yet delivered
    bool command_error = false;     // a -100 family error was queued by the present command

    std::string reply;  // response message being formatted for the present program message
    bool reply_continues = false;  // its first units already went to the output queue
    Wait wait = Wait::none;
    bool output_ready = false;  // a complete reply waits to be read (MAV)

    std::uint8_t status_byte() const;
    // The operation condition register changes; rising bits latch into its event register.
    void set_operation(std::uint16_t condition);

    void error(int code);
    void respond(std::string_view text);
};

}  // namespace sim
