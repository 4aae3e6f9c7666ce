#include "parser.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "errors.hpp"

namespace sim {
namespace {

// IEEE 488.2 white space: every control byte but LF, and space.
bool is_space(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x20 && u != 0x0A;
}
bool is_alpha(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_mnemonic_char(char c) {
    return is_alpha(c) || is_digit(c) || c == '_';
}
bool is_printable(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F;
}
int unexpected(char c) {
    return is_printable(c) ? err::syntax : err::invalid_character;
}

constexpr std::size_t max_digits = 255;

}  // namespace

bool split_node(std::string_view text, Node& node) {
    std::size_t end = text.size();
    while (end > 0 && is_digit(text[end - 1])) --end;
    node.name = text.substr(0, end);
    node.suffix = no_suffix;
    if (end == text.size()) return true;
    int value = 0;
    const auto digits = text.substr(end);
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{}) return false;
    node.suffix = value;
    return true;
}

void MessageParser::skip_space() {
    while (!at_end() && is_space(text_[pos_])) ++pos_;
}

MessageParser::Result MessageParser::next(Unit& unit, int& error) {
    for (;;) {
        skip_space();
        if (at_end()) return Result::end;
        if (peek() != ';') break;
        ++pos_;  // an empty unit between separators is ignored
    }
    unit.header = Header{};
    unit.params.clear();
    error = parse_header(unit.header);
    if (error == 0) error = parse_params(unit.params);
    if (error != 0) {
        pos_ = text_.size();
        return Result::error;
    }
    return Result::unit;
}

int MessageParser::parse_header(Header& header) {
    if (peek() == '*') {
        header.common = true;
        ++pos_;
    } else if (peek() == ':') {
        header.absolute = true;
        ++pos_;
    }
    for (;;) {
        const std::size_t start = pos_;
        if (!is_alpha(peek())) return at_end() ? err::syntax : unexpected(peek());
        while (!at_end() && is_mnemonic_char(text_[pos_])) ++pos_;
        const auto mnemonic = text_.substr(start, pos_ - start);
        if (mnemonic.size() > max_mnemonic) return err::mnemonic_too_long;
        if (header.count == max_nodes) return err::undefined_header;
        Node& node = header.nodes[header.count++];
        if (header.common) {
            node.name = mnemonic;
        } else if (!split_node(mnemonic, node)) {
            return err::suffix_out_of_range;
        }
        if (peek() == ':' && !header.common) {
            ++pos_;
            continue;
        }
        break;
    }
    if (peek() == '?') {
        header.query = true;
        ++pos_;
    }
    if (at_end() || peek() == ';' || is_space(peek())) return 0;
    return unexpected(peek());
}

int MessageParser::parse_params(std::vector<Param>& params) {
    skip_space();
    if (at_end() || peek() == ';') {
        if (!at_end()) ++pos_;
        return 0;
    }
    for (;;) {
        if (params.size() == max_params) return err::parameter_not_allowed;
        Param& param = params.emplace_back();
        if (const int e = parse_param(param); e != 0) return e;
        skip_space();
        if (at_end()) return 0;
        if (peek() == ';') {
            ++pos_;
            return 0;
        }
        if (peek() != ',') return err::invalid_separator;
        ++pos_;
        skip_space();
        if (at_end() || peek() == ';' || peek() == ',') return err::missing_parameter;
    }
}

int MessageParser::parse_param(Param& param) {
    const char c = peek();
    if (is_digit(c) || c == '+' || c == '-' || c == '.') return parse_number(param);
    if (c == '#') return parse_nondecimal(param);
    if (c == '"' || c == '\'') return parse_string(param);
    if (is_alpha(c)) {
        const std::size_t start = pos_;
        while (!at_end() && is_mnemonic_char(text_[pos_])) ++pos_;
        param.kind = Param::Kind::character;
        param.text = text_.substr(start, pos_ - start);
        return param.text.size() > max_mnemonic ? err::invalid_character_data : 0;
    }
    return unexpected(c);
}

int MessageParser::parse_number(Param& param) {
    const std::size_t start = pos_;
    if (peek() == '+' || peek() == '-') ++pos_;
    std::size_t digits = 0;
    while (is_digit(peek())) ++pos_, ++digits;
    if (peek() == '.') {
        ++pos_;
        while (is_digit(peek())) ++pos_, ++digits;
    }
    if (digits == 0) return err::invalid_character_in_number;
    if (digits > max_digits) return err::too_many_digits;
    int exponent = 0;
    if (peek() == 'E' || peek() == 'e') {
        ++pos_;
        bool negative = false;
        if (peek() == '+' || peek() == '-') negative = text_[pos_++] == '-';
        if (!is_digit(peek())) return err::invalid_character_in_number;
        while (is_digit(peek())) {
            if (exponent < 100000) exponent = exponent * 10 + (text_[pos_] - '0');
            ++pos_;
        }
        if (negative) exponent = -exponent;
    }
    if (is_digit(peek()) || peek() == '.') return err::invalid_character_in_number;
    const auto token = text_.substr(start, pos_ - start);
    const char* first = token.data() + (token.front() == '+' ? 1 : 0);
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(first, token.data() + token.size(), value);
    if (ec == std::errc::result_out_of_range) {
        if (exponent > 0) return err::exponent_too_large;
        value = 0.0;  // underflow reads as zero
    } else if (ec != std::errc{} || !std::isfinite(value)) {
        return err::invalid_character_in_number;
    }
    param.kind = Param::Kind::number;
    param.number = value;
    // An optional suffix may follow after white space.
    const std::size_t after = pos_;
    skip_space();
    if (is_alpha(peek())) {
        const std::size_t suffix_start = pos_;
        while (!at_end() && (is_alpha(text_[pos_]) || text_[pos_] == '/')) ++pos_;
        param.suffix = text_.substr(suffix_start, pos_ - suffix_start);
        if (param.suffix.size() > max_mnemonic) return err::invalid_suffix;
    } else {
        pos_ = after;
    }
    return 0;
}

int MessageParser::parse_nondecimal(Param& param) {
    ++pos_;
    int base = 0;
    switch (peek()) {
        case 'H':
        case 'h':
            base = 16;
            break;
        case 'Q':
        case 'q':
            base = 8;
            break;
        case 'B':
        case 'b':
            base = 2;
            break;
        default:
            return err::data_type;  // block data is not accepted anywhere
    }
    ++pos_;
    const std::size_t start = pos_;
    while (!at_end() && is_mnemonic_char(text_[pos_])) ++pos_;
    const auto digits = text_.substr(start, pos_ - start);
    if (digits.empty()) return err::invalid_character_in_number;
    std::uint64_t value = 0;
    const auto [ptr, ec] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (ec == std::errc::result_out_of_range) return err::too_many_digits;
    if (ec != std::errc{} || ptr != digits.data() + digits.size())
        return err::invalid_character_in_number;
    param.kind = Param::Kind::number;
    param.number = static_cast<double>(value);
    return 0;
}

int MessageParser::parse_string(Param& param) {
    const char quote = text_[pos_++];
    param.kind = Param::Kind::string;
    for (;;) {
        if (at_end()) return err::invalid_string;
        const char c = text_[pos_++];
        if (c == quote) {
            if (peek() != quote) return 0;
            ++pos_;  // a doubled quote stands for one
        }
        param.string.push_back(c);
    }
}

}  // namespace sim
