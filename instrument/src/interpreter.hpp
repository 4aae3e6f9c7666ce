// Program messages in, response messages out: the input buffer, command execution with the
// SCPI header path, queries whose reply waits for a measurement, and the output queue.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "context.hpp"

namespace sim {

inline constexpr std::size_t input_capacity = 4096;  // bytes of one program message
// Bytes the output queue holds before the parser waits for the controller to read; one
// response unit (at most 4096 readings) may go beyond it.
inline constexpr std::size_t output_capacity = 65536;

class Interpreter {
public:
    explicit Interpreter(Context& ctx) : ctx_(ctx) {}

    void write(std::string_view bytes, bool end);
    // Brings waiting replies and deferred commands up to date with ctx.now.
    void resolve();
    void device_clear();

    bool reply_ready() const { return out_pos_ < out_.size(); }
    // A reply is owed: a query waits for its measurement, commands wait behind *WAI or for
    // room in the output queue.
    bool reply_owed() const { return pending_.has_value() || !blocked_.empty(); }
    // Up to `max` bytes of the reply, and with `term` (0..255) up to that byte at most; true
    // when the last byte of the response went out.
    bool take(std::string& out, std::size_t max, int term = -1);

private:
    struct Pending {
        Wait kind = Wait::none;
        std::string message;  // the rest of the program message, run once the wait ends
        std::string path;
        std::string reply;
    };

    void receive(std::string message);
    void run(std::string message, std::string path, std::string reply);
    void emit(std::string reply);
    // After a unit: a response grown to the output queue's size goes into it; true when the
    // rest of the message must then wait for room.
    bool flush_full_response();
    void break_deadlock();
    void drop_output();
    std::size_t unread() const { return out_.size() - out_pos_; }
    void update_mav() { ctx_.output_ready = reply_ready(); }

    Context& ctx_;
    std::string input_;
    bool overrun_ = false;
    std::string out_;
    std::size_t out_pos_ = 0;
    bool response_open_ = false;  // out_ ends inside a response message (no LF yet)
    bool discarding_ = false;     // a deadlock was broken: responses of this message are lost
    std::optional<Pending> pending_;
    std::deque<std::string> blocked_;  // messages received while *WAI holds the parser
    std::size_t blocked_bytes_ = 0;
};

}  // namespace sim
