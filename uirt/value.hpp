// Values that controls and list items hold: an int, a double or a text.
#pragma once

#include <string>
#include <variant>

namespace uirt::detail {

using Value = std::variant<int, double, std::string>;

enum class DataType { integer, real, text };

int data_type_code(DataType type);

// Converts to the given type: a double into an int is truncated toward zero (and
// saturated), a text is parsed as a number (0 when it is not one), numbers print as text.
Value convert(const Value& value, DataType type);
int to_int(const Value& value);
double to_double(const Value& value);
std::string to_text(const Value& value);

// True when the text is a complete number; `out` receives it.
bool parse_number(const std::string& text, double& out);

// Copies `text` into a buffer of `size` bytes, always terminated, never overflowing.
void copy_text(const std::string& text, char* buffer, std::size_t size);

}  // namespace uirt::detail
