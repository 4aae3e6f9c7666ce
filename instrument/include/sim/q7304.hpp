// The simulated Q7304A: a message-based IEEE 488.2 / SCPI multimeter.
// Thread-safe: every member may be called from any thread.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>

namespace sim {

// The quantities the input presents, one per function (period is 1 / frequency).
enum class Quantity { volt_dc, volt_ac, curr_dc, curr_ac, resistance, frequency, ratio };
inline constexpr std::size_t quantity_count = 7;

// How a quantity moves around its level over time (seconds since power-on), and its noise.
struct Variation {
    enum class Wave { dc, sine, ramp, steps };
    Wave wave = Wave::dc;
    double amplitude = 0.0;  // sine: peak; ramp, steps: the rise over one period
    double frequency = 1.0;  // periods per second
    int steps = 2;           // steps: levels in one period, from level to level + amplitude
    double noise = 0.0;      // standard deviation of a reading integrated over 1 s; it
                             // grows as 1 / sqrt(integration time) for shorter ones
};

// Edges on the external trigger input: at power-on + start, then every period.
struct ExternalTrigger {
    double start = 0.0;   // seconds
    double period = 0.0;  // seconds; 0: one edge only
    long count = 0;       // edges in all; -1: without end; 0: none
};

// What the simulated input presents to each function (in that function's unit).
struct Q7304Input {
    double volt_dc = 1.234567;
    double volt_ac = 0.707;     // RMS of a sine of `frequency` (what AC and FREQ/PER see)
    double curr_dc = 0.0012;
    double curr_ac = 0.0008;
    double resistance = 1000.0;
    double frequency = 1000.0;  // period is 1 / frequency
    double ratio = 0.5;
    double noise = 1.0;         // noise amplitude as a multiple of the resolution
    std::array<Variation, quantity_count> variations{};  // by Quantity
    double source_resistance = 0.0;  // ohms in series with the DC voltage input
    double zero_drift = 1e-6;   // with auto zero off, the offset grows by this fraction of
                                // the range per second since the last zero (100 s at most)
    ExternalTrigger external;
    int self_test = 0;          // the code *TST? answers
    int line_frequency = 50;    // power-on line frequency reference
    std::uint32_t seed = 1;
    std::string serial = "0001";
    std::string firmware = "A.02.01";

    Variation& variation(Quantity q) { return variations[static_cast<std::size_t>(q)]; }
    const Variation& variation(Quantity q) const {
        return variations[static_cast<std::size_t>(q)];
    }
};

class Q7304 {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit Q7304(const Q7304Input& input = {});
    ~Q7304();
    Q7304(const Q7304&) = delete;
    Q7304& operator=(const Q7304&) = delete;

    // Bytes of a program message; a message is executed at its LF terminator or
    // when `end` is set. Input beyond the buffer limit is discarded with -363.
    void write(std::string_view bytes, bool end);

    enum class ReadResult { ok, timeout, aborted };
    // Up to `max` bytes of the pending reply into `out` (replacing it). Waits, up to
    // `timeout`, for a reply that is still being produced (a FETCh? waiting for
    // readings). `end` is set when the last byte of the reply was returned. A read while
    // no reply is owed queues -420 once and waits out the time-out (a reply that a later
    // message brings meanwhile is still returned). A stop request on `stop` ends the wait
    // at once with `aborted`. With `term` (0..255) the read ends after that byte too, and
    // what follows it stays for the next read.
    ReadResult read(std::string& out, std::size_t max, std::chrono::milliseconds timeout,
                    bool& end, std::stop_token stop = {}, int term = -1);

    // Whether a read would find a response: one is in the output queue, or a query
    // still waits for its measurement or for the parser (the VXI DOR bit).
    bool reply_pending();

    std::uint8_t status_byte();  // serial poll: bit 6 is RQS, cleared by the poll
    void device_clear();         // viClear
    void trigger();              // bus / word-serial trigger, as *TRG

    // An edge on VXI TTL trigger line 0..7 at `at` (not later than now): it triggers a
    // measurement armed with TRIG:SOUR TTLT<line> and waiting for its trigger.
    void line_trigger(int line, TimePoint at);

    // `handler` runs, without the instrument's lock held, each time the request-service
    // bit of the status byte rises, also when a measurement or *OPC completes between
    // calls. An empty handler stops the calls.
    void set_service_request_handler(std::function<void()> handler);

    // `handler` runs, from the instrument's own clock and without its lock held, for each
    // pulse the instrument drives on a TTL trigger line (OUTP:TTLT<n> ON: one at the end
    // of every reading), in time order.
    void set_line_output_handler(std::function<void(int line, TimePoint at)> handler);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace sim
