// The simulated Q7304A: a message-based IEEE 488.2 / SCPI multimeter.
// Thread-safe: every member may be called from any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace sim {

// What the simulated input presents to each function (in that function's unit).
struct Q7304Input {
    double volt_dc = 1.234567;
    double volt_ac = 0.707;
    double curr_dc = 0.0012;
    double curr_ac = 0.0008;
    double resistance = 1000.0;
    double frequency = 1000.0;  // period is 1 / frequency
    double ratio = 0.5;
    double noise = 1.0;         // noise amplitude as a multiple of the resolution
    int line_frequency = 50;    // power-on line frequency reference
    std::uint32_t seed = 1;
    std::string serial = "0001";
    std::string firmware = "A.02.01";
};

class Q7304 {
public:
    explicit Q7304(const Q7304Input& input = {});
    ~Q7304();
    Q7304(const Q7304&) = delete;
    Q7304& operator=(const Q7304&) = delete;

    // Bytes of a program message; a message is executed at its LF terminator or
    // when `end` is set. Input beyond the buffer limit is discarded with -363.
    void write(std::string_view bytes, bool end);

    enum class ReadResult { ok, timeout };
    // Up to `max` bytes of the pending reply into `out` (replacing it). Waits, up to
    // `timeout`, for a reply that is still being produced (a FETCh? waiting for
    // readings). `end` is set when the last byte of the reply was returned.
    ReadResult read(std::string& out, std::size_t max, std::chrono::milliseconds timeout,
                    bool& end);

    std::uint8_t status_byte();  // serial poll
    void device_clear();         // viClear
    void trigger();              // bus / word-serial trigger, as *TRG

    // `handler` runs, without the instrument's lock held, each time the request-service
    // bit of the status byte rises. An empty handler stops the calls.
    void set_service_request_handler(std::function<void()> handler);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace sim
