// The loopback test device of the bus: it keeps a message and sends it back unchanged, at
// once or half a second later with a service request, and answers the IEEE 488.2 common
// commands as the Q7304A does. Thread-safe; its own thread makes the slow replies ready.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "visa.h"

namespace simvisa {

class Loopback {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kSlowDelay = std::chrono::milliseconds(500);

    explicit Loopback(std::string idn);
    ~Loopback();
    Loopback(const Loopback&) = delete;
    Loopback& operator=(const Loopback&) = delete;

    // Bytes of a transfer; a message ends at a line feed or at the transfer's END.
    void write(std::string_view bytes, bool end);
    // Up to `max` bytes of the reply at the head of the output queue, after `term` (0..255)
    // at the latest; waits up to the deadline for one. `end` once the reply is all read.
    ViStatus read(std::string& out, std::size_t max, Clock::time_point deadline, bool& end,
                  int term, std::stop_token stop);
    bool reply_pending();        // a reply is queued or a slow one is coming
    std::uint8_t serial_poll();  // the status byte, bit 6 the request, which the poll clears
    void device_clear();
    // `handler` runs, with no lock held, each time the request-service bit rises.
    void set_service_request_handler(std::function<void()> handler);

private:
    struct SlowReply {
        Clock::time_point due;
        std::string message;
    };

    // All under mutex_.
    void take_message(std::string message);
    void execute(std::string_view message);
    std::string common_command(std::string_view header, std::string_view argument, bool& known);
    void queue_reply(std::string reply);
    std::uint8_t status_byte() const;
    bool update_request();  // true when the request-service bit rose
    void run_clock();

    const std::string idn_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string input_;          // the message being received
    bool receive_next_ = false;  // RECEIVE: the next message is the stored one
    bool receive_slow_ = false;  // RCVSLOWSRQ: and it comes back slowly
    std::string stored_;
    std::deque<std::string> output_;  // replies, the first possibly read in part
    std::vector<SlowReply> slow_;     // in the order they fall due
    bool slow_request_ = false;       // a slow reply came: service requested until polled
    std::uint8_t esr_ = 0x80;         // power on
    std::uint8_t ese_ = 0, sre_ = 0;
    bool mss_seen_ = false, rqs_ = false;
    std::function<void()> on_service_request_;
    bool stopping_ = false;
    std::thread clock_;  // last: started once everything above exists
};

}  // namespace simvisa
