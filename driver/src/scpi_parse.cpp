#include "scpi_parse.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "scpi_names.hpp"

namespace voq {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kLongForms{{
    {"VOLTAGE", "VOLT"},
    {"CURRENT", "CURR"},
    {"RESISTANCE", "RES"},
    {"FRESISTANCE", "FRES"},
    {"FREQUENCY", "FREQ"},
    {"PERIOD", "PER"},
    {"RATIO", "RAT"},
    {"EXTERNAL", "EXT"},
    {"IMMEDIATE", "IMM"},
    {"AVERAGE", "AVER"},
    {"LIMIT", "LIM"},
    {"BUS", "BUS"},
}};

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string short_word(std::string word) {
    for (const auto& [long_form, short_form] : kLongForms)
        if (word == long_form) return std::string(short_form);
    if (word.starts_with("TTLTRG")) return "TTLT" + word.substr(6);
    return word;
}

}  // namespace

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view unquote(std::string_view text) {
    text = trim(text);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front()) {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

std::string canonical_mnemonic(std::string_view text) {
    text = trim(unquote(text));
    if (!text.empty() && text.front() == ':') text.remove_prefix(1);
    std::string out;
    std::string word;
    auto flush = [&] {
        if (!out.empty()) out += ':';
        out += short_word(word);
        word.clear();
    };
    for (char c : text) {
        if (c == ':') {
            flush();
        } else {
            word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    flush();
    return out;
}

std::optional<double> parse_double(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<long> parse_long(std::string_view text) {
    const auto value = parse_double(text);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    const double rounded = std::round(*value);
    if (std::fabs(rounded - *value) > 1e-6 ||
        rounded < static_cast<double>(std::numeric_limits<int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<int>::max())) {
        return std::nullopt;
    }
    return static_cast<long>(rounded);
}

std::optional<bool> parse_bool(std::string_view text) {
    const std::string word = canonical_mnemonic(text);
    if (word == "ON") return true;
    if (word == "OFF") return false;
    const auto value = parse_long(text);
    if (value && (*value == 0 || *value == 1)) return *value == 1;
    return std::nullopt;
}

std::optional<std::size_t> parse_readings(std::string_view reply, std::span<double> out) {
    reply = trim(reply);
    std::size_t written = 0;
    while (!reply.empty() && written < out.size()) {
        const auto comma = reply.find(',');
        const auto value = parse_double(reply.substr(0, comma));
        if (!value) return std::nullopt;
        out[written++] = *value;
        if (comma == std::string_view::npos) break;
        reply.remove_prefix(comma + 1);
    }
    return written;
}

std::optional<ErrorEntry> parse_error_entry(std::string_view reply) {
    reply = trim(reply);
    const auto comma = reply.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const auto code = parse_long(reply.substr(0, comma));
    if (!code) return std::nullopt;
    return ErrorEntry{*code, std::string(unquote(reply.substr(comma + 1)))};
}

std::optional<Configuration> parse_configuration(std::string_view reply) {
    reply = unquote(reply);
    const auto space = reply.find(' ');
    const auto code = function_code(reply.substr(0, space));
    if (!code) return std::nullopt;
    Configuration conf{*code, 0.0, 0.0};
    if (space == std::string_view::npos) return conf;
    const std::string_view values = trim(reply.substr(space + 1));
    const auto range = parse_double(field(values, 0));
    if (!range) return std::nullopt;
    conf.range = *range;
    if (values.find(',') != std::string_view::npos) {
        const auto resolution = parse_double(field(values, 1));
        if (!resolution) return std::nullopt;
        conf.resolution = *resolution;
    }
    return conf;
}

std::string_view field(std::string_view reply, std::size_t index) {
    reply = trim(reply);
    for (std::size_t i = 0; i < index; ++i) {
        const auto comma = reply.find(',');
        if (comma == std::string_view::npos) return {};
        reply.remove_prefix(comma + 1);
    }
    return trim(reply.substr(0, reply.find(',')));
}

void copy_text(std::string_view text, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return;
    const std::size_t n = std::min(text.size(), size - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = '\0';
}

}  // namespace voq
