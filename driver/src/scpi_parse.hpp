// Parsing of instrument replies: numbers, booleans, lists and quoted strings.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace voq {

std::string_view trim(std::string_view text);
std::string_view unquote(std::string_view text);
// Upper case with long-form SCPI words reduced to their short forms.
std::string canonical_mnemonic(std::string_view text);

std::optional<double> parse_double(std::string_view text);
std::optional<long> parse_long(std::string_view text);
std::optional<bool> parse_bool(std::string_view text);

// Comma-separated readings: writes at most out.size() values; the rest of the list is
// dropped. Returns the count written, or nothing when a value kept is malformed.
std::optional<std::size_t> parse_readings(std::string_view reply, std::span<double> out);

struct ErrorEntry {
    long code = 0;
    std::string text;
};
// `<code>,"<text>"` of SYSTem:ERRor?.
std::optional<ErrorEntry> parse_error_entry(std::string_view reply);

struct Configuration {
    int function = 0;
    double range = 0.0;
    double resolution = 0.0;
};
// `"<function> <range>,<resolution>"` of CONFigure?.
std::optional<Configuration> parse_configuration(std::string_view reply);

// Field `index` (0-based) of a comma-separated reply such as *IDN?.
std::string_view field(std::string_view reply, std::size_t index);

// Copies text into a C buffer of `size` bytes, always terminated.
void copy_text(std::string_view text, char* buffer, std::size_t size);

}  // namespace voq
