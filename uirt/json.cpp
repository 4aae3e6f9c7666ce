#include "json.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace uirt::detail::json {

const Value* Value::find(std::string_view key) const {
    for (auto it = members.rbegin(); it != members.rend(); ++it)
        if (it->key == key) return &it->value;
    return nullptr;
}

namespace {

class Reader {
public:
    Reader(std::string_view text, int max_depth) : text_(text), max_depth_(max_depth) {}

    bool document(Value& out) {
        if (!value(out, 0)) return false;
        skip_space();
        return at_ == text_.size();
    }

private:
    void skip_space() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }
    bool next_is(char c) {
        skip_space();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool word(std::string_view w) {
        if (text_.substr(at_, w.size()) != w) return false;
        at_ += w.size();
        return true;
    }

    bool value(Value& out, int depth) {
        skip_space();
        if (at_ >= text_.size()) return false;
        switch (text_[at_]) {
            case '{':
                return object(out, depth + 1);
            case '[':
                return array(out, depth + 1);
            case '"':
                out.type = Value::Type::string;
                return string(out.text);
            case 't':
                out.type = Value::Type::boolean;
                out.boolean = true;
                return word("true");
            case 'f':
                out.type = Value::Type::boolean;
                return word("false");
            case 'n':
                return word("null");
            default:
                out.type = Value::Type::number;
                return number(out.number);
        }
    }

    bool object(Value& out, int depth) {
        if (depth > max_depth_) return false;
        ++at_;  // '{'
        out.type = Value::Type::object;
        if (next_is('}')) return true;
        do {
            skip_space();
            Member m;
            if (at_ >= text_.size() || text_[at_] != '"' || !string(m.key) || !next_is(':') ||
                !value(m.value, depth))
                return false;
            out.members.push_back(std::move(m));
        } while (next_is(','));
        return next_is('}');
    }

    bool array(Value& out, int depth) {
        if (depth > max_depth_) return false;
        ++at_;  // '['
        out.type = Value::Type::array;
        if (next_is(']')) return true;
        do {
            out.items.emplace_back();
            if (!value(out.items.back(), depth)) return false;
        } while (next_is(','));
        return next_is(']');
    }

    bool number(double& out) {
        // -?(0|[0-9]*)(\.[0-9]*)?([eE][+-]?[0-9]*)?, leniently: what converts whole is a number
        // (".5" and "5." too).
        const std::size_t from = at_;
        const auto digits = [this] {
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
        };
        if (at_ < text_.size() && text_[at_] == '-') ++at_;
        if (at_ < text_.size() && text_[at_] == '0')
            ++at_;
        else
            digits();
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            digits();
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
            digits();
        }
        if (at_ == from) return false;
        const char* last = text_.data() + at_;
        const auto [end, error] = std::from_chars(text_.data() + from, last, out);
        return error == std::errc() && end == last && std::isfinite(out);
    }

    bool hex4(std::uint32_t& out) {
        if (at_ + 4 > text_.size()) return false;
        out = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            const int d = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
            if (d < 0) return false;
            out = out * 16 + static_cast<std::uint32_t>(d);
        }
        return true;
    }

    static void append_utf8(std::string& s, std::uint32_t cp) {
        if (cp < 0x80) {
            s += static_cast<char>(cp);
        } else if (cp < 0x800) {
            s += static_cast<char>(0xC0 | (cp >> 6));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            s += static_cast<char>(0xE0 | (cp >> 12));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (cp >> 18));
            s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool escape(std::string& out) {
        if (at_ >= text_.size()) return false;
        const char c = text_[at_++];
        if (c != 'u') {
            // \b \f \n \r \t; any other character stands for itself (\" \\ \/, and leniently
            // the rest).
            constexpr std::string_view named = "bfnrt", meant = "\b\f\n\r\t";
            const std::size_t k = named.find(c);
            out += k == std::string_view::npos ? c : meant[k];
            return true;
        }
        std::uint32_t cp = 0;
        if (!hex4(cp)) return false;
        if (cp >= 0xD800 && cp < 0xDC00) {  // a high surrogate: its low one follows
            std::uint32_t low = 0;
            if (!word("\\u") || !hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        } else if (cp >= 0xDC00 && cp < 0xE000) {
            return false;
        }
        append_utf8(out, cp);
        return true;
    }

    // A well-formed UTF-8 sequence starts at text_[i]: its length, or 0.
    std::size_t utf8_length(std::size_t i) const {
        const auto byte = [this](std::size_t k) {
            return k < text_.size() ? static_cast<unsigned char>(text_[k]) : 0u;
        };
        const unsigned b0 = byte(i);
        if (b0 < 0x80) return 1;
        const auto cont = [&](std::size_t k) { return (byte(k) & 0xC0) == 0x80; };
        if (b0 >= 0xC2 && b0 <= 0xDF) return cont(i + 1) ? 2 : 0;
        if (b0 >= 0xE0 && b0 <= 0xEF) {
            const unsigned b1 = byte(i + 1);
            const bool ok = (b0 == 0xE0   ? b1 >= 0xA0 && b1 <= 0xBF
                             : b0 == 0xED ? b1 >= 0x80 && b1 <= 0x9F  // no surrogates
                                          : cont(i + 1)) &&
                            cont(i + 2);
            return ok ? 3 : 0;
        }
        if (b0 >= 0xF0 && b0 <= 0xF4) {
            const unsigned b1 = byte(i + 1);
            const bool ok = (b0 == 0xF0   ? b1 >= 0x90 && b1 <= 0xBF
                             : b0 == 0xF4 ? b1 >= 0x80 && b1 <= 0x8F
                                          : cont(i + 1)) &&
                            cont(i + 2) && cont(i + 3);
            return ok ? 4 : 0;
        }
        return 0;
    }

    bool string(std::string& out) {
        ++at_;  // '"'
        while (at_ < text_.size()) {
            // The run up to the next quote or backslash is copied whole (control characters
            // too, leniently); it must be UTF-8.
            std::size_t end = at_;
            while (end < text_.size() && text_[end] != '"' && text_[end] != '\\') {
                const std::size_t n = utf8_length(end);
                if (n == 0) return false;
                end += n;
            }
            out.append(text_.data() + at_, end - at_);
            at_ = end;
            if (at_ >= text_.size()) return false;
            const char c = text_[at_++];
            if (c == '"') return true;
            if (!escape(out)) return false;
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    int max_depth_;
};

}  // namespace

std::optional<Value> parse(std::string_view text, int max_depth) {
    Value root;
    Reader reader(text, max_depth);
    if (!reader.document(root)) return std::nullopt;
    return root;
}

}  // namespace uirt::detail::json
