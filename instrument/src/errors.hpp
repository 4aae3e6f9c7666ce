// The standard SCPI / IEEE 488.2 error codes this instrument queues, and the error queue.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace sim {

namespace err {
inline constexpr int none = 0;
inline constexpr int command = -100;
inline constexpr int invalid_character = -101;
inline constexpr int syntax = -102;
inline constexpr int invalid_separator = -103;
inline constexpr int data_type = -104;
inline constexpr int parameter_not_allowed = -108;
inline constexpr int missing_parameter = -109;
inline constexpr int mnemonic_too_long = -112;
inline constexpr int undefined_header = -113;
inline constexpr int suffix_out_of_range = -114;
inline constexpr int numeric_data = -120;
inline constexpr int invalid_character_in_number = -121;
inline constexpr int exponent_too_large = -123;
inline constexpr int too_many_digits = -124;
inline constexpr int numeric_not_allowed = -128;
inline constexpr int invalid_suffix = -131;
inline constexpr int suffix_not_allowed = -138;
inline constexpr int invalid_character_data = -141;
inline constexpr int character_not_allowed = -148;
inline constexpr int string_data = -150;
inline constexpr int invalid_string = -151;
inline constexpr int string_not_allowed = -158;
inline constexpr int execution = -200;
inline constexpr int trigger_ignored = -211;
inline constexpr int init_ignored = -213;
inline constexpr int trigger_deadlock = -214;
inline constexpr int settings_conflict = -221;
inline constexpr int out_of_range = -222;
inline constexpr int too_much_data = -223;
inline constexpr int illegal_value = -224;
inline constexpr int data_stale = -230;
inline constexpr int queue_overflow = -350;
inline constexpr int input_overrun = -363;
inline constexpr int query_interrupted = -410;
inline constexpr int query_unterminated = -420;
inline constexpr int query_deadlocked = -430;
inline constexpr int query_indefinite = -440;
}  // namespace err

// The standard text of `code`; "Unknown error" for a code outside the table.
std::string_view error_text(int code);

// Event-status-register bit an error sets (CME, EXE, DDE or QYE).
int esr_bit_for(int code);

// FIFO of at most 20 codes; a push onto a full queue replaces the newest with -350.
class ErrorQueue {
public:
    static constexpr std::size_t capacity = 20;
    void push(int code);
    int pop();  // 0 when empty
    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    void clear() { head_ = size_ = 0; }

private:
    std::array<int, capacity> codes_{};
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

}  // namespace sim
