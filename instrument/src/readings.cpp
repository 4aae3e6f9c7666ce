#include "readings.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

constexpr std::size_t nr3_width = 16;  // sign, 10 digits, point, 'E', exponent sign, 2 digits

}  // namespace

void append_nr3(std::string& out, double v) {
    char buf[32];
    char* p = buf;
    std::size_t n = 0;
    if (std::isfinite(v)) {
        if (!std::signbit(v)) *p++ = '+';
        const auto r = std::to_chars(p, buf + sizeof buf, v, std::chars_format::scientific, 9);
        for (char* e = r.ptr - 4; e > p; --e)  // "e+00" or "e+100": the exponent's letter
            if (*e == 'e') {
                *e = 'E';
                break;
            }
        n = static_cast<std::size_t>(r.ptr - buf);
    } else {
        n = static_cast<std::size_t>(std::snprintf(buf, sizeof buf, "%+.9E", v));
    }
    out.append(buf, n);
}

std::string format_nr3(double v) {
    std::string out;
    append_nr3(out, v);
    return out;
}

void ReadingMemory::clear() {
    values_.clear();
    text_.clear();
    formatted_ = 0;
}

const std::string& ReadingMemory::text() {
    if (formatted_ < values_.size()) {
        text_.reserve(values_.size() * (nr3_width + 1));
        for (; formatted_ < values_.size(); ++formatted_) {
            if (formatted_ > 0) text_.push_back(',');
            append_nr3(text_, values_[formatted_]);
        }
    }
    return text_;
}

}  // namespace sim
