#include "format_print.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace simvisa {

namespace {

using Size = FormatSpec::Size;

// The C directive for one value: flags, width, precision, the length modifier and the code.
std::string c_directive(const FormatSpec& s, int width, int precision, const char* length, char code) {
    std::string d = "%";
    if (s.left) d += '-';
    if (s.plus) d += '+';
    if (s.space) d += ' ';
    if (s.alt && code != 'd' && code != 'i' && code != 'u') d += '#';
    if (s.zero) d += '0';
    if (width >= 0) d += std::to_string(width);
    if (precision >= 0) d += "." + std::to_string(precision);
    return d + length + code;
}

template <class T>
void append(std::string& out, const std::string& directive, T value) {
    char buf[512];
    const int n = std::snprintf(buf, sizeof buf, directive.c_str(), value);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof buf) {
        out.append(buf, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), directive.c_str(), value);
    out.append(big.data(), static_cast<std::size_t>(n));
}

// An integer in the number form the directive asks for.
void put_integer(std::string& out, const FormatSpec& s, int w, int p, long long v, bool is_unsigned) {
    if (s.nr == 2 || s.nr == 3) {
        append(out, c_directive(s, w, p, "L", s.nr == 2 ? 'f' : 'E'), static_cast<long double>(v));
        return;
    }
    const char code = s.nr == 1 ? 'd' : s.code == 'i' ? 'd' : s.code;
    if (is_unsigned && code != 'd')
        append(out, c_directive(s, w, p, "ll", code), static_cast<unsigned long long>(v));
    else
        append(out, c_directive(s, w, p, "ll", 'd'), v);
}

void put_real(std::string& out, const FormatSpec& s, int w, int p, long double v) {
    if (s.nr == 1) {
        append(out, c_directive(s, w, -1, "ll", 'd'), static_cast<long long>(std::llround(v)));
        return;
    }
    const char code = s.nr == 2 ? 'f' : s.nr == 3 ? 'E' : s.code;
    append(out, c_directive(s, w, p, "L", code), v);
}

// Elements of a block or raw binary, in the byte order asked for.
void put_binary(std::string& out, const void* data, std::size_t count, std::size_t size, bool little) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t b = 0; b < size; ++b)
            out += static_cast<char>(bytes[i * size + (little ? b : size - 1 - b)]);
}

std::size_t element_size(Size size) {
    switch (size) {
        case Size::h: return 2;
        case Size::l: case Size::z: return 4;
        case Size::ll: case Size::Z: return 8;
        default: return 1;
    }
}

}  // namespace

ViStatus format_print(PrintTarget& t, std::string_view fmt, VaArgs& args) {
    const auto maybe_flush_full = [&]() -> ViStatus {
        if (t.flush && t.full_at > 0 && t.out.size() >= t.full_at) return t.flush(false);
        return VI_SUCCESS;
    };
    for (std::size_t i = 0; i < fmt.size();) {
        const char c = fmt[i++];
        if (c != '%') {
            t.out += c;
            // A newline in the format sends the buffer, with END.
            if (c == '\n' && t.flush) {
                if (const ViStatus st = t.flush(true); st < 0) return st;
            } else if (const ViStatus st = maybe_flush_full(); st < 0) {
                return st;
            }
            continue;
        }
        if (i < fmt.size() && fmt[i] == '%') {
            t.out += '%';
            ++i;
            continue;
        }
        FormatSpec s;
        if (!parse_spec(fmt, i, s, false)) return VI_ERROR_INV_FMT;
        int w = s.width;
        int p = s.precision;
        const bool block = s.code == 'b' || s.code == 'B' || s.code == 'y';
        if (s.width_from_arg && !block) w = va_arg(args.ap, int);
        if (s.precision_from_arg) p = va_arg(args.ap, int);
        if (w < -1) {
            s.left = true;
            w = -w;
        }
        switch (s.code) {
            case 'd': case 'i': case 'u': case 'o': case 'x': case 'X': {
                const bool is_unsigned = s.code != 'd' && s.code != 'i';
                if (!s.array) {
                    long long v;
                    switch (s.size) {
                        case Size::l: v = is_unsigned ? static_cast<long long>(va_arg(args.ap, unsigned long)) : va_arg(args.ap, long); break;
                        case Size::ll: v = va_arg(args.ap, long long); break;
                        case Size::h: v = is_unsigned ? static_cast<unsigned short>(va_arg(args.ap, int)) : static_cast<short>(va_arg(args.ap, int)); break;
                        case Size::hh: v = is_unsigned ? static_cast<unsigned char>(va_arg(args.ap, int)) : static_cast<signed char>(va_arg(args.ap, int)); break;
                        case Size::none: v = is_unsigned ? static_cast<long long>(va_arg(args.ap, unsigned)) : va_arg(args.ap, int); break;
                        default: return VI_ERROR_INV_FMT;
                    }
                    put_integer(t.out, s, w, p, v, is_unsigned);
                    break;
                }
                const int n = s.array_count_from_arg ? va_arg(args.ap, int) : s.array_count;
                const void* a = va_arg(args.ap, const void*);
                if (a == nullptr && n > 0) return VI_ERROR_USER_BUF;
                for (int k = 0; k < n; ++k) {
                    if (k > 0) t.out += ',';
                    long long v;
                    switch (s.size) {
                        case Size::h: v = is_unsigned ? static_cast<long long>(static_cast<const unsigned short*>(a)[k]) : static_cast<const short*>(a)[k]; break;
                        case Size::hh: v = is_unsigned ? static_cast<long long>(static_cast<const unsigned char*>(a)[k]) : static_cast<const signed char*>(a)[k]; break;
                        case Size::l: v = static_cast<const long*>(a)[k]; break;
                        case Size::ll: v = static_cast<const long long*>(a)[k]; break;
                        case Size::none: v = is_unsigned ? static_cast<long long>(static_cast<const unsigned*>(a)[k]) : static_cast<const int*>(a)[k]; break;
                        default: return VI_ERROR_INV_FMT;
                    }
                    put_integer(t.out, s, w, p, v, is_unsigned);
                }
                break;
            }
            case 'f': case 'e': case 'E': case 'g': case 'G': {
                if (!s.array) {
                    const long double v = s.size == Size::L ? va_arg(args.ap, long double)
                                                            : va_arg(args.ap, double);
                    put_real(t.out, s, w, p, v);
                    break;
                }
                const int n = s.array_count_from_arg ? va_arg(args.ap, int) : s.array_count;
                const void* a = va_arg(args.ap, const void*);
                if (a == nullptr && n > 0) return VI_ERROR_USER_BUF;
                for (int k = 0; k < n; ++k) {
                    if (k > 0) t.out += ',';
                    long double v;
                    switch (s.size) {
                        case Size::none: v = static_cast<const float*>(a)[k]; break;
                        case Size::l: v = static_cast<const double*>(a)[k]; break;
                        case Size::L: v = static_cast<const long double*>(a)[k]; break;
                        default: return VI_ERROR_INV_FMT;
                    }
                    put_real(t.out, s, w, p, v);
                }
                break;
            }
            case 'c':
                if (s.array) return VI_ERROR_INV_FMT;
                append(t.out, c_directive(s, w, -1, "", 'c'), va_arg(args.ap, int));
                break;
            case 's': {
                if (s.array) return VI_ERROR_INV_FMT;
                const char* text = va_arg(args.ap, const char*);
                if (text == nullptr) return VI_ERROR_USER_BUF;
                append(t.out, c_directive(s, w, p, "", 's'), text);
                break;
            }
            case 'b': case 'B': case 'y': {
                if (s.array || s.nr != 0) return VI_ERROR_INV_FMT;
                const bool from_arg = s.count_from_arg || s.width_from_arg;
                const long n = from_arg ? va_arg(args.ap, int) : s.width;
                if (n < 0) return VI_ERROR_INV_FMT;
                const void* data = va_arg(args.ap, const void*);
                if (data == nullptr && n > 0) return VI_ERROR_USER_BUF;
                if (s.size == Size::hh || s.size == Size::L) return VI_ERROR_INV_FMT;
                const std::size_t size = element_size(s.size);
                const std::size_t bytes = size * static_cast<std::size_t>(n);
                if (s.code == 'b') {
                    const std::string len = std::to_string(bytes);
                    t.out += '#';
                    t.out += std::to_string(len.size());
                    t.out += len;
                } else if (s.code == 'B') {
                    t.out += "#0";
                }
                put_binary(t.out, data, static_cast<std::size_t>(n), size, s.little_endian);
                if (s.code == 'B') {
                    // An indefinite block ends with a newline and END.
                    t.out += '\n';
                    if (t.flush)
                        if (const ViStatus st = t.flush(true); st < 0) return st;
                }
                break;
            }
            case 'n': case 'p': return VI_ERROR_NSUP_FMT;
            default: return VI_ERROR_INV_FMT;
        }
        if (const ViStatus st = maybe_flush_full(); st < 0) return st;
    }
    return VI_SUCCESS;
}

}  // namespace simvisa
