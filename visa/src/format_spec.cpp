#include "format_spec.hpp"

#include <cctype>

namespace simvisa {

namespace {

bool digit(std::string_view s, std::size_t i) {
    return i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]));
}

int number(std::string_view s, std::size_t& i) {
    int n = 0;
    while (digit(s, i) && n < 100000000) n = n * 10 + (s[i++] - '0');
    return n;
}

}  // namespace

bool parse_spec(std::string_view f, std::size_t& i, FormatSpec& spec, bool scanning) {
    if (scanning && i < f.size() && f[i] == '*') {
        spec.suppress = true;
        ++i;
    }
    for (bool more = true; more && i < f.size();) {
        switch (f[i]) {
            case '-': spec.left = true; ++i; break;
            case '+': spec.plus = true; ++i; break;
            case ' ': spec.space = true; ++i; break;
            case '0': spec.zero = true; ++i; break;
            case '#':
                spec.alt = true;
                spec.count_from_arg = true;
                ++i;
                break;
            default: more = false;
        }
    }
    if (digit(f, i)) spec.width = number(f, i);
    else if (!scanning && i < f.size() && f[i] == '*') {
        spec.width_from_arg = true;
        ++i;
    }
    if (i < f.size() && f[i] == '.') {
        ++i;
        if (!scanning && i < f.size() && f[i] == '*') {
            spec.precision_from_arg = true;
            ++i;
        } else {
            spec.precision = number(f, i);
        }
    }
    if (i < f.size() && f[i] == ',') {
        spec.array = true;
        ++i;
        if (digit(f, i)) spec.array_count = number(f, i);
        else if (i < f.size() && (f[i] == '#' || (!scanning && f[i] == '*'))) {
            spec.array_count_from_arg = true;
            ++i;
        } else if (!scanning) {
            return false;  // printing needs to know how many
        }
    }
    for (;;) {
        if (i >= f.size()) return false;
        const char c = f[i];
        if (c == '!' && i + 2 < f.size() && f[i + 1] == 'o' && (f[i + 2] == 'l' || f[i + 2] == 'b')) {
            spec.little_endian = f[i + 2] == 'l';
            i += 3;
        } else if (c == '@' && i + 1 < f.size() && f[i + 1] >= '1' && f[i + 1] <= '3') {
            spec.nr = f[i + 1] - '0';
            i += 2;
        } else if (c == 'h') {
            spec.size = spec.size == FormatSpec::Size::h ? FormatSpec::Size::hh : FormatSpec::Size::h;
            ++i;
        } else if (c == 'l') {
            spec.size = spec.size == FormatSpec::Size::l ? FormatSpec::Size::ll : FormatSpec::Size::l;
            ++i;
        } else if (c == 'L') {
            spec.size = FormatSpec::Size::L;
            ++i;
        } else if (c == 'z') {
            spec.size = FormatSpec::Size::z;
            ++i;
        } else if (c == 'Z') {
            spec.size = FormatSpec::Size::Z;
            ++i;
        } else {
            break;
        }
    }
    spec.code = f[i++];
    if (spec.code == '[') {
        if (!scanning) return false;
        const std::size_t from = i - 1;
        if (i < f.size() && f[i] == '^') ++i;
        if (i < f.size() && f[i] == ']') ++i;  // a leading ']' is a member
        while (i < f.size() && f[i] != ']') ++i;
        if (i >= f.size()) return false;
        ++i;
        spec.set = f.substr(from, i - from);
    }
    return true;
}

}  // namespace simvisa
