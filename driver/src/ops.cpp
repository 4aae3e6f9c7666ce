#include "ops.hpp"

#include <cmath>
#include <cstdio>
#include <limits>

#include "link.hpp"

namespace voq {

std::string format_real(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15G", value);
    return text;
}

ViStatus send(ViSession vi, std::string_view command) {
    const Link link(vi);
    return link.complete(link.write(command));
}

ViStatus send_real(ViSession vi, std::string_view header, ViReal64 value, int position) {
    if (!std::isfinite(value)) return parameter_error(position);
    return send(vi, std::string(header) + ' ' + format_real(value));
}

ViStatus send_long(ViSession vi, std::string_view header, long value) {
    return send(vi, std::string(header) + ' ' + std::to_string(value));
}

ViStatus send_switch(ViSession vi, std::string_view header, ViBoolean on, int position) {
    if (!is_boolean(on)) return parameter_error(position);
    return send(vi, std::string(header) + (on ? " ON" : " OFF"));
}

ViStatus send_choice(ViSession vi, std::string_view header, std::span<const std::string_view> names,
                     int code, int position) {
    if (code < 0 || static_cast<std::size_t>(code) >= names.size()) {
        return parameter_error(position);
    }
    return send(vi, std::string(header) + ' ' + std::string(names[code]));
}

ViStatus ask_real(ViSession vi, std::string_view command, ViPReal64 value, int position) {
    if (value == nullptr) return parameter_error(position);
    const Link link(vi);
    double reply = 0.0;
    const ViStatus status = link.query_double(command, reply);
    if (status >= 0) *value = reply;
    return link.complete(status);
}

namespace {

template <typename Int>
ViStatus ask_integer(ViSession vi, std::string_view command, Int* value, int position) {
    if (value == nullptr) return parameter_error(position);
    const Link link(vi);
    long reply = 0;
    ViStatus status = link.query_long(command, reply);
    if (status >= 0) {
        if (reply < std::numeric_limits<Int>::min() || reply > std::numeric_limits<Int>::max()) {
            status = VOQ7304_ERROR_INV_RESPONSE;
        } else {
            *value = static_cast<Int>(reply);
        }
    }
    return link.complete(status);
}

}  // namespace

ViStatus ask_int32(ViSession vi, std::string_view command, ViPInt32 value, int position) {
    return ask_integer(vi, command, value, position);
}

ViStatus ask_int16(ViSession vi, std::string_view command, ViPInt16 value, int position) {
    return ask_integer(vi, command, value, position);
}

ViStatus ask_switch(ViSession vi, std::string_view command, ViPBoolean value, int position) {
    if (value == nullptr) return parameter_error(position);
    const Link link(vi);
    bool reply = false;
    const ViStatus status = link.query_bool(command, reply);
    if (status >= 0) *value = reply ? VI_TRUE : VI_FALSE;
    return link.complete(status);
}

ViStatus ask_choice(ViSession vi, std::string_view command, CodeParser parse, ViPInt16 value,
                    int position) {
    if (value == nullptr) return parameter_error(position);
    const Link link(vi);
    std::string reply;
    ViStatus status = link.query(command, reply);
    if (status >= 0) {
        if (const auto code = parse(reply)) {
            *value = static_cast<ViInt16>(*code);
        } else {
            status = VOQ7304_ERROR_INV_RESPONSE;
        }
    }
    return link.complete(status);
}

ViStatus set_range(ViSession vi, std::string_view node, ViBoolean autoRange, ViReal64 range) {
    if (!is_boolean(autoRange)) return parameter_error(2);
    if (autoRange) return send(vi, std::string(node) + ":RANG:AUTO ON");
    return send_real(vi, std::string(node) + ":RANG", range, 3);
}

ViStatus get_range(ViSession vi, std::string_view node, ViPBoolean autoRange, ViPReal64 range) {
    if (autoRange == nullptr) return parameter_error(2);
    if (range == nullptr) return parameter_error(3);
    const Link link(vi);
    const std::string header(node);
    bool automatic = false;
    double value = 0.0;
    ViStatus status = link.query_bool(header + ":RANG:AUTO?", automatic);
    if (status >= 0) status = link.query_double(header + ":RANG?", value);
    if (status >= 0) {
        *autoRange = automatic ? VI_TRUE : VI_FALSE;
        *range = value;
    }
    return link.complete(status);
}

}  // namespace voq
