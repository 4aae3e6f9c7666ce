#include "instrument_keys.hpp"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace simvisa {

namespace {

using sim::Quantity;
using sim::Variation;

struct QuantityName {
    std::string_view name;
    Quantity quantity;
    double sim::Q7304Input::*level;
};

constexpr std::array<QuantityName, sim::quantity_count> quantities{{
    {"volt_dc", Quantity::volt_dc, &sim::Q7304Input::volt_dc},
    {"volt_ac", Quantity::volt_ac, &sim::Q7304Input::volt_ac},
    {"curr_dc", Quantity::curr_dc, &sim::Q7304Input::curr_dc},
    {"curr_ac", Quantity::curr_ac, &sim::Q7304Input::curr_ac},
    {"resistance", Quantity::resistance, &sim::Q7304Input::resistance},
    {"frequency", Quantity::frequency, &sim::Q7304Input::frequency},
    {"ratio", Quantity::ratio, &sim::Q7304Input::ratio},
}};

constexpr std::array<std::pair<std::string_view, Variation::Wave>, 4> waves{{
    {"dc", Variation::Wave::dc},
    {"sine", Variation::Wave::sine},
    {"ramp", Variation::Wave::ramp},
    {"steps", Variation::Wave::steps},
}};

std::optional<double> number(const std::string& v) {
    if (v.empty()) return std::nullopt;
    char* end = nullptr;
    const double d = std::strtod(v.c_str(), &end);
    if (end == v.c_str() || *end != '\0' || !std::isfinite(d)) return std::nullopt;
    return d;
}

std::optional<long long> integer(const std::string& v) {
    if (v.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long n = std::strtoll(v.c_str(), &end, 0);
    if (errno != 0 || end == v.c_str() || *end != '\0') return std::nullopt;
    return n;
}

// A number at least `min` into `field`.
std::string take(const std::string& key, const std::string& value, double min, double& field) {
    const auto n = number(value);
    if (!n) return "bad number for " + key + ": " + value;
    if (*n < min) return "bad value for " + key + ": " + value;
    field = *n;
    return {};
}

std::string take_int(const std::string& key, const std::string& value, long long min,
                     long long max, auto& field) {
    const auto n = integer(value);
    if (!n || *n < min || *n > max) return "bad value for " + key + ": " + value;
    field = static_cast<std::remove_reference_t<decltype(field)>>(*n);
    return {};
}

// input.<quantity>.<property>
std::string apply_variation(Variation& v, const std::string& key, std::string_view property,
                            const std::string& value) {
    if (property == "wave") {
        for (const auto& [name, wave] : waves) {
            if (name == value) {
                v.wave = wave;
                return {};
            }
        }
        return "bad wave for " + key + ": " + value;
    }
    if (property == "amplitude") return take(key, value, -HUGE_VAL, v.amplitude);
    if (property == "noise") return take(key, value, 0.0, v.noise);
    if (property == "frequency") {
        const auto n = number(value);
        if (!n || *n <= 0.0) return "bad value for " + key + ": " + value;
        v.frequency = *n;
        return {};
    }
    if (property == "steps") return take_int(key, value, 2, 1000000, v.steps);
    return "unknown input field: " + key.substr(6);
}

std::string apply_input(sim::Q7304Input& in, const std::string& key, const std::string& value) {
    const std::string field = key.substr(6);
    const auto dot = field.find('.');
    const std::string_view name = std::string_view(field).substr(0, dot);
    for (const QuantityName& q : quantities) {
        if (q.name != name) continue;
        if (dot != std::string::npos)
            return apply_variation(in.variation(q.quantity), key, field.substr(dot + 1), value);
        return take(key, value, -HUGE_VAL, in.*q.level);
    }
    if (field == "noise") return take(key, value, 0.0, in.noise);
    if (field == "source_resistance") return take(key, value, 0.0, in.source_resistance);
    if (field == "zero_drift") return take(key, value, 0.0, in.zero_drift);
    if (field == "line_frequency" || field == "seed") {
        const auto n = number(value);
        if (!n) return "bad number for " + key + ": " + value;
        // Whole values the field holds (a line frequency the instrument does not support
        // falls back to 50 Hz there).
        const double top = field == "line_frequency" ? 1e6 : 4294967295.0;
        if (*n < 0.0 || *n > top) return "bad value for " + key + ": " + value;
        if (field == "line_frequency") in.line_frequency = static_cast<int>(*n);
        else in.seed = static_cast<std::uint32_t>(*n);
        return {};
    }
    return "unknown input field: " + field;
}

std::string apply_external(sim::ExternalTrigger& e, const std::string& key,
                           const std::string& value) {
    if (key == "trigger.external.start") return take(key, value, 0.0, e.start);
    if (key == "trigger.external.period") {
        const std::string err = take(key, value, 0.0, e.period);
        if (err.empty() && e.count == 0) e.count = -1;  // a period without a count runs on
        return err;
    }
    if (key == "trigger.external.count") return take_int(key, value, -1, 0x7FFFFFFF, e.count);
    return "unknown key: " + key;
}

}  // namespace

std::optional<std::string> apply_instrument_key(sim::Q7304Input& in, const std::string& key,
                                                const std::string& value) {
    if (key.rfind("input.", 0) == 0) return apply_input(in, key, value);
    if (key.rfind("trigger.external.", 0) == 0) {
        std::string err = apply_external(in.external, key, value);
        if (err.empty() && in.external.count == 0 && key == "trigger.external.start")
            in.external.count = 1;  // a start alone is one edge
        return err;
    }
    if (key == "fault.selftest") {
        std::string err = take_int(key, value, -32768, 32767, in.self_test);
        if (err.empty() && in.self_test == 0) return "bad value for " + key + ": " + value;
        return err;
    }
    return std::nullopt;
}

}  // namespace simvisa
