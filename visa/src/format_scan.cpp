#include "format_scan.hpp"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace simvisa {

int ScanInput::peek() {
    for (;;) {
        if (b_.rd_pos < b_.rd.size()) return static_cast<unsigned char>(b_.rd[b_.rd_pos]);
        if (b_.rd_end || !fill_ || error_ < 0) return kEnd;
        std::string more;
        bool end = false;
        if (const ViStatus st = fill_(more, end); st < 0) {
            error_ = st;
            return kEnd;
        }
        b_.rd.erase(0, b_.rd_pos);
        b_.rd_pos = 0;
        b_.rd += more;
        b_.rd_end = end;
        if (more.empty() && !end) return kEnd;
    }
}

bool ScanInput::next_message() {
    if (!fill_ || error_ < 0 || b_.rd_pos < b_.rd.size() || !b_.rd_end) return false;
    b_.drop_read();
    return true;
}

namespace {

using Size = FormatSpec::Size;

bool is_space(int c) { return c != ScanInput::kEnd && std::isspace(c); }

void skip_space(ScanInput& in, bool across_messages) {
    for (;;) {
        while (is_space(in.peek())) in.advance();
        if (!across_messages || in.peek() != ScanInput::kEnd || !in.next_message()) return;
    }
}

// The characters of a number token, as far as they can belong to one.
std::string number_token(ScanInput& in, char code, int width) {
    const bool real = std::strchr("feEgG", code) != nullptr;
    const bool hex = code == 'x' || code == 'X' || code == 'i';
    std::string t;
    const auto more = [&] { return width < 0 || static_cast<int>(t.size()) < width; };
    const auto take_if = [&](auto pred) {
        const int c = in.peek();
        if (c == ScanInput::kEnd || !more() || !pred(c)) return false;
        t += static_cast<char>(c);
        in.advance();
        return true;
    };
    take_if([](int c) { return c == '+' || c == '-'; });
    // IEEE 488.2 non-decimal numbers: #H, #Q, #B.
    if (!real && take_if([](int c) { return c == '#'; })) {
        take_if([](int c) { return std::strchr("HhQqBb", c) != nullptr; });
        while (take_if([](int c) { return std::isxdigit(c) != 0; })) {}
        return t;
    }
    if (!real) {
        if (hex && take_if([](int c) { return c == '0'; }))
            take_if([](int c) { return c == 'x' || c == 'X'; });
        while (take_if([&](int c) { return (hex ? std::isxdigit(c) : std::isdigit(c)) != 0; })) {}
        return t;
    }
    while (take_if([](int c) { return std::isdigit(c) != 0; })) {}
    if (take_if([](int c) { return c == '.'; }))
        while (take_if([](int c) { return std::isdigit(c) != 0; })) {}
    if (take_if([](int c) { return c == 'e' || c == 'E'; })) {
        take_if([](int c) { return c == '+' || c == '-'; });
        while (take_if([](int c) { return std::isdigit(c) != 0; })) {}
    }
    return t;
}

// An integer token in the base the code gives; nullopt-like false when it is not one.
bool to_integer(const std::string& t, char code, long long& v) {
    if (t.empty()) return false;
    std::size_t i = 0;
    bool negative = false;
    if (t[i] == '+' || t[i] == '-') negative = t[i++] == '-';
    int base = code == 'x' || code == 'X' ? 16 : code == 'o' ? 8 : code == 'i' ? 0 : 10;
    if (i + 1 < t.size() && t[i] == '#') {
        const char k = static_cast<char>(std::toupper(static_cast<unsigned char>(t[i + 1])));
        base = k == 'H' ? 16 : k == 'Q' ? 8 : k == 'B' ? 2 : -1;
        if (base < 0) return false;
        i += 2;
    }
    const std::string digits = t.substr(i);
    if (digits.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long u = std::strtoull(digits.c_str(), &end, base);
    if (*end != '\0' || errno != 0) return false;
    // Negated as unsigned: the most negative value has no positive counterpart.
    v = static_cast<long long>(negative ? 0 - u : u);
    return true;
}

template <class T>
void store(void* p, std::size_t index, T v) {
    std::memcpy(static_cast<char*>(p) + index * sizeof v, &v, sizeof v);
}

bool store_integer(void* p, std::size_t k, Size size, long long v) {
    switch (size) {
        case Size::none: store<int>(p, k, static_cast<int>(v)); return true;
        case Size::h: store<short>(p, k, static_cast<short>(v)); return true;
        case Size::hh: store<signed char>(p, k, static_cast<signed char>(v)); return true;
        case Size::l: store<long>(p, k, static_cast<long>(v)); return true;
        case Size::ll: store<long long>(p, k, v); return true;
        default: return false;
    }
}

bool store_real(void* p, std::size_t k, Size size, long double v) {
    switch (size) {
        case Size::none: store<float>(p, k, static_cast<float>(v)); return true;
        case Size::l: store<double>(p, k, static_cast<double>(v)); return true;
        case Size::L: store<long double>(p, k, v); return true;
        default: return false;
    }
}

enum class Outcome { done, no_match, bad_format };

// Numbers, one or a comma-separated array.
Outcome scan_numbers(ScanInput& in, const FormatSpec& s, VaArgs& args) {
    const bool real = std::strchr("feEgG", s.code) != nullptr;
    ViInt32* count = nullptr;
    long max = 1;
    if (s.array) {
        if (s.array_count_from_arg) {
            count = va_arg(args.ap, ViInt32*);
            max = count ? *count : 0;
        } else {
            max = s.array_count < 0 ? 1 : s.array_count;
        }
    }
    void* dest = s.suppress ? nullptr : va_arg(args.ap, void*);
    long n = 0;
    for (; n < max; ++n) {
        if (n > 0) {
            skip_space(in, false);
            if (in.peek() != ',') break;
            in.advance();
        }
        skip_space(in, n == 0);
        const std::string t = number_token(in, s.code, s.width);
        if (real) {
            char* end = nullptr;
            const long double v = t.empty() ? 0 : std::strtold(t.c_str(), &end);
            if (t.empty() || *end != '\0') return Outcome::no_match;
            if (dest && !store_real(dest, static_cast<std::size_t>(n), s.size, v)) return Outcome::bad_format;
        } else {
            long long v = 0;
            if (!to_integer(t, s.code, v)) return Outcome::no_match;
            if (dest && !store_integer(dest, static_cast<std::size_t>(n), s.size, v)) return Outcome::bad_format;
        }
    }
    if (count) *count = static_cast<ViInt32>(n);
    return n > 0 || max == 0 ? Outcome::done : Outcome::no_match;
}

// Text conversions: %s %c %[ %t %T, into a buffer of the width (or the counted size).
Outcome scan_text(ScanInput& in, const FormatSpec& s, VaArgs& args) {
    ViInt32* count = s.count_from_arg ? va_arg(args.ap, ViInt32*) : nullptr;
    char* dest = s.suppress ? nullptr : va_arg(args.ap, char*);
    long room = count ? *count - (s.code == 'c' ? 0 : 1) : s.width;
    if (s.code == 'c' && room < 0) room = 1;
    if (count && room < 0) return Outcome::bad_format;
    bool negated = false;
    std::string_view members;
    if (s.code == '[') {
        members = s.set.substr(1, s.set.size() - 2);
        if (!members.empty() && members[0] == '^') {
            negated = true;
            members.remove_prefix(1);
        }
    }
    const auto in_set = [&](int c) {
        bool found = false;
        for (std::size_t i = 0; i < members.size() && !found; ++i) {
            if (i + 2 < members.size() && members[i + 1] == '-') {
                found = c >= static_cast<unsigned char>(members[i]) &&
                        c <= static_cast<unsigned char>(members[i + 2]);
                i += 2;
            } else {
                found = c == static_cast<unsigned char>(members[i]);
            }
        }
        return found != negated;
    };
    if (s.code == 's') skip_space(in, true);
    std::string got;
    for (;;) {
        if (room >= 0 && static_cast<long>(got.size()) >= room) break;
        const int c = in.peek();
        if (c == ScanInput::kEnd) break;
        if (s.code == 's' && is_space(c)) break;
        if (s.code == '[' && !in_set(c)) break;
        got += static_cast<char>(c);
        in.advance();
        if (s.code == 'T' && c == '\n') break;
    }
    if (s.code == 'c' && static_cast<long>(got.size()) < room) return Outcome::no_match;
    if (got.empty() && s.code != 't' && s.code != 'T') return Outcome::no_match;
    if (dest) {
        std::memcpy(dest, got.data(), got.size());
        if (s.code != 'c') dest[got.size()] = '\0';
    }
    if (count) *count = static_cast<ViInt32>(got.size());
    return Outcome::done;
}

std::size_t element_size(Size size) {
    switch (size) {
        case Size::h: return 2;
        case Size::l: case Size::z: return 4;
        case Size::ll: case Size::Z: return 8;
        default: return 1;
    }
}

// %b: an IEEE 488.2 definite (#<n><length><data>) or indefinite (#0<data>) block;
// %y: raw binary. Elements into the array, swapped from the byte order asked for.
Outcome scan_binary(ScanInput& in, const FormatSpec& s, VaArgs& args) {
    if (s.size == Size::hh || s.size == Size::L) return Outcome::bad_format;
    ViInt32* count = s.count_from_arg ? va_arg(args.ap, ViInt32*) : nullptr;
    void* dest = s.suppress ? nullptr : va_arg(args.ap, void*);
    const long max = count ? *count : s.width;
    if (max < 0) return Outcome::bad_format;
    const std::size_t size = element_size(s.size);
    std::string data;
    if (s.code == 'b') {
        skip_space(in, true);
        if (in.peek() != '#') return Outcome::no_match;
        in.advance();
        const int d = in.peek();
        if (d == ScanInput::kEnd || !std::isdigit(d)) return Outcome::no_match;
        in.advance();
        if (d == '0') {
            for (int c; (c = in.peek()) != ScanInput::kEnd; in.advance()) data += static_cast<char>(c);
            if (!data.empty() && data.back() == '\n') data.pop_back();
        } else {
            std::string len;
            for (int k = 0; k < d - '0'; ++k) {
                const int c = in.peek();
                if (c == ScanInput::kEnd || !std::isdigit(c)) return Outcome::no_match;
                len += static_cast<char>(c);
                in.advance();
            }
            const unsigned long bytes = std::strtoul(len.c_str(), nullptr, 10);
            for (unsigned long k = 0; k < bytes; ++k) {
                const int c = in.peek();
                if (c == ScanInput::kEnd) return Outcome::no_match;
                data += static_cast<char>(c);
                in.advance();
            }
        }
    } else {
        for (std::size_t k = 0; k < static_cast<std::size_t>(max) * size; ++k) {
            const int c = in.peek();
            if (c == ScanInput::kEnd) return Outcome::no_match;
            data += static_cast<char>(c);
            in.advance();
        }
    }
    const std::size_t elements = std::min<std::size_t>(data.size() / size, static_cast<std::size_t>(max));
    if (dest) {
        auto* out = static_cast<unsigned char*>(dest);
        for (std::size_t i = 0; i < elements; ++i)
            for (std::size_t b = 0; b < size; ++b)
                out[i * size + b] = static_cast<unsigned char>(data[i * size + (s.little_endian ? b : size - 1 - b)]);
    }
    if (count) *count = static_cast<ViInt32>(elements);
    return Outcome::done;
}

}  // namespace

// Every conversion assigned: VI_SUCCESS; input that ends or differs before that: VI_ERROR_INV_FMT,
// the earlier arguments keeping what they got; a failed read: its status.
ViStatus format_scan(ScanInput& in, std::string_view fmt, VaArgs& args) {
    for (std::size_t i = 0; i < fmt.size();) {
        const char c = fmt[i++];
        if (std::isspace(static_cast<unsigned char>(c))) {
            skip_space(in, false);
            continue;
        }
        if (c != '%' || (i < fmt.size() && fmt[i] == '%')) {
            if (c == '%') ++i;
            const int got = in.peek();
            if (got != static_cast<unsigned char>(c)) {
                if (in.error() < 0) return in.error();
                // Literals after the last conversion need not be there.
                return fmt.find('%', i) == std::string_view::npos ? VI_SUCCESS : VI_ERROR_INV_FMT;
            }
            in.advance();
            continue;
        }
        FormatSpec s;
        if (!parse_spec(fmt, i, s, true)) return VI_ERROR_INV_FMT;
        Outcome r;
        switch (s.code) {
            case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
            case 'f': case 'e': case 'E': case 'g': case 'G':
                if (s.size == Size::z || s.size == Size::Z) return VI_ERROR_INV_FMT;
                r = scan_numbers(in, s, args);
                break;
            case 's': case 'c': case '[': case 't': case 'T':
                if (s.array) return VI_ERROR_INV_FMT;
                r = scan_text(in, s, args);
                break;
            case 'b': case 'y':
                if (s.array) return VI_ERROR_INV_FMT;
                r = scan_binary(in, s, args);
                break;
            case 'n':
                if (!s.suppress) store<int>(va_arg(args.ap, int*), 0, static_cast<int>(in.consumed()));
                r = Outcome::done;
                break;
            default: return VI_ERROR_INV_FMT;
        }
        if (r == Outcome::bad_format) return VI_ERROR_INV_FMT;
        if (r == Outcome::no_match) return in.error() < 0 ? in.error() : VI_ERROR_INV_FMT;
    }
    return VI_SUCCESS;
}

}  // namespace simvisa
