#include "errors.hpp"

#include <algorithm>
#include <utility>

namespace sim {
namespace {

struct ErrorRow {
    int code;
    std::string_view text;
};

constexpr std::array error_table{
    ErrorRow{err::none, "No error"},
    ErrorRow{err::command, "Command error"},
    ErrorRow{err::invalid_character, "Invalid character"},
    ErrorRow{err::syntax, "Syntax error"},
    ErrorRow{err::invalid_separator, "Invalid separator"},
    ErrorRow{err::data_type, "Data type error"},
    ErrorRow{err::parameter_not_allowed, "Parameter not allowed"},
    ErrorRow{err::missing_parameter, "Missing parameter"},
    ErrorRow{err::mnemonic_too_long, "Program mnemonic too long"},
    ErrorRow{err::undefined_header, "Undefined header"},
    ErrorRow{err::suffix_out_of_range, "Header suffix out of range"},
    ErrorRow{err::numeric_data, "Numeric data error"},
    ErrorRow{err::invalid_character_in_number, "Invalid character in number"},
    ErrorRow{err::exponent_too_large, "Exponent too large"},
    ErrorRow{err::too_many_digits, "Too many digits"},
    ErrorRow{err::numeric_not_allowed, "Numeric data not allowed"},
    ErrorRow{err::invalid_suffix, "Invalid suffix"},
    ErrorRow{err::suffix_not_allowed, "Suffix not allowed"},
    ErrorRow{err::invalid_character_data, "Invalid character data"},
    ErrorRow{err::character_not_allowed, "Character data not allowed"},
    ErrorRow{err::string_data, "String data error"},
    ErrorRow{err::invalid_string, "Invalid string data"},
    ErrorRow{err::string_not_allowed, "String data not allowed"},
    ErrorRow{err::execution, "Execution error"},
    ErrorRow{err::trigger_ignored, "Trigger ignored"},
    ErrorRow{err::init_ignored, "Init ignored"},
    ErrorRow{err::trigger_deadlock, "Trigger deadlock"},
    ErrorRow{err::settings_conflict, "Settings conflict"},
    ErrorRow{err::out_of_range, "Data out of range"},
    ErrorRow{err::too_much_data, "Too much data"},
    ErrorRow{err::illegal_value, "Illegal parameter value"},
    ErrorRow{err::data_stale, "Data corrupt or stale"},
    ErrorRow{err::queue_overflow, "Queue overflow"},
    ErrorRow{err::input_overrun, "Input buffer overrun"},
    ErrorRow{err::query_interrupted, "Query INTERRUPTED"},
    ErrorRow{err::query_unterminated, "Query UNTERMINATED"},
    ErrorRow{err::query_deadlocked, "Query DEADLOCKED"},
    ErrorRow{err::query_indefinite, "Query UNTERMINATED after indefinite response"},
};

}  // namespace

std::string_view error_text(int code) {
    const auto* row = std::find_if(error_table.begin(), error_table.end(),
                                   [code](const ErrorRow& r) { return r.code == code; });
    return row == error_table.end() ? std::string_view{"Unknown error"} : row->text;
}

int esr_bit_for(int code) {
    if (code <= -100 && code > -200) return 0x20;  // command error
    if (code <= -200 && code > -300) return 0x10;  // execution error
    if (code <= -300 && code > -400) return 0x08;  // device-dependent error
    if (code <= -400 && code > -500) return 0x04;  // query error
    return 0;
}

void ErrorQueue::push(int code) {
    if (size_ == capacity) {
        codes_[(head_ + capacity - 1) % capacity] = err::queue_overflow;
        return;
    }
    codes_[(head_ + size_) % capacity] = code;
    ++size_;
}

int ErrorQueue::pop() {
    if (size_ == 0) return err::none;
    const int code = std::exchange(codes_[head_], 0);
    head_ = (head_ + 1) % capacity;
    --size_;
    return code;
}

}  // namespace sim
