#include "params.hpp"

#include <array>
#include <cctype>
#include <cmath>
#include <string>

#include "header_match.hpp"
#include "measurement.hpp"

namespace sim {
namespace {

struct Multiplier {
    std::string_view prefix;
    double factor;
};

constexpr std::array multipliers{
    Multiplier{"EX", 1e18}, Multiplier{"PE", 1e15}, Multiplier{"T", 1e12},  Multiplier{"G", 1e9},
    Multiplier{"MA", 1e6},  Multiplier{"K", 1e3},   Multiplier{"M", 1e-3},  Multiplier{"U", 1e-6},
    Multiplier{"N", 1e-9},  Multiplier{"P", 1e-12}, Multiplier{"F", 1e-15}, Multiplier{"A", 1e-18},
};

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// The factor a suffix such as "MV" or "KOHM" applies; empty when it is not valid for `unit`.
std::optional<double> suffix_factor(std::string_view suffix, std::string_view unit) {
    const std::string s = upper(suffix);
    if (s == unit) return 1.0;
    // By IEEE 488.2 convention MHZ and MOHM mean mega, not milli.
    if ((unit == "HZ" && s == "MHZ") || (unit == "OHM" && s == "MOHM")) return 1e6;
    if (s.size() <= unit.size() || !std::string_view(s).ends_with(unit)) return std::nullopt;
    const auto prefix = std::string_view(s).substr(0, s.size() - unit.size());
    for (const auto& m : multipliers) {
        if (m.prefix == prefix) return m.factor;
    }
    return std::nullopt;
}

std::optional<double> scaled(Context& ctx, const Param& p, std::string_view unit) {
    if (p.suffix.empty()) return p.number;
    if (unit.empty()) {
        ctx.error(err::suffix_not_allowed);
        return std::nullopt;
    }
    const auto factor = suffix_factor(p.suffix, unit);
    if (!factor) {
        ctx.error(err::invalid_suffix);
        return std::nullopt;
    }
    return p.number * *factor;
}

}  // namespace

bool expect_params(Context& ctx, const Call& call, std::size_t min, std::size_t max) {
    if (call.params.size() < min) {
        ctx.error(err::missing_parameter);
        return false;
    }
    if (call.params.size() > max) {
        ctx.error(err::parameter_not_allowed);
        return false;
    }
    return true;
}

bool is_keyword(const Param& p, std::string_view pattern) {
    return p.kind == Param::Kind::character && match_mnemonic(pattern, p.text).matched;
}

std::optional<double> get_plain_number(Context& ctx, const Param& p, std::string_view unit) {
    switch (p.kind) {
        case Param::Kind::number:
            return scaled(ctx, p, unit);
        case Param::Kind::character:
            ctx.error(err::invalid_character_data);
            return std::nullopt;
        case Param::Kind::string:
            ctx.error(err::string_not_allowed);
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<double> get_number(Context& ctx, const Param& p, const NumericLimits& limits) {
    if (p.kind == Param::Kind::character) {
        if (is_keyword(p, "MINimum")) return limits.min;
        if (is_keyword(p, "MAXimum")) return limits.max;
        if (is_keyword(p, "DEFault")) return limits.def;
    }
    const auto v = get_plain_number(ctx, p, limits.unit);
    if (!v) return std::nullopt;
    if (!(*v >= limits.min && *v <= limits.max)) {
        ctx.error(err::out_of_range);
        return std::nullopt;
    }
    return v;
}

std::optional<bool> get_bool(Context& ctx, const Param& p) {
    switch (p.kind) {
        case Param::Kind::number:
            if (!p.suffix.empty()) {
                ctx.error(err::suffix_not_allowed);
                return std::nullopt;
            }
            return std::lround(p.number) != 0;
        case Param::Kind::character:
            if (is_keyword(p, "ON")) return true;
            if (is_keyword(p, "OFF")) return false;
            ctx.error(err::invalid_character_data);
            return std::nullopt;
        case Param::Kind::string:
            ctx.error(err::string_not_allowed);
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::size_t> get_choice(Context& ctx, const Param& p,
                                      std::span<const std::string_view> patterns, int* suffix) {
    if (p.kind != Param::Kind::character) {
        ctx.error(p.kind == Param::Kind::string ? err::string_not_allowed
                                                : err::numeric_not_allowed);
        return std::nullopt;
    }
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        const Match m = match_mnemonic(patterns[i], p.text);
        if (m.matched) {
            if (suffix != nullptr) *suffix = m.suffix;
            return i;
        }
    }
    ctx.error(err::invalid_character_data);
    return std::nullopt;
}

bool answer_limits(Context& ctx, const Call& call, const NumericLimits& limits, bool integer) {
    if (call.params.empty()) return false;
    if (!expect_params(ctx, call, 0, 1)) return true;
    const Param& p = call.params[0];
    if (p.kind != Param::Kind::character) {
        ctx.error(err::parameter_not_allowed);
        return true;
    }
    double v = 0.0;
    if (is_keyword(p, "MINimum")) {
        v = limits.min;
    } else if (is_keyword(p, "MAXimum")) {
        v = limits.max;
    } else if (is_keyword(p, "DEFault")) {
        v = limits.def;
    } else {
        ctx.error(err::invalid_character_data);
        return true;
    }
    ctx.respond(integer ? std::to_string(std::lround(v)) : format_nr3(v));
    return true;
}

}  // namespace sim
