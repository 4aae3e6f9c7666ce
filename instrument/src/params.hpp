// Typed access to command parameters; every failure queues its standard error.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "context.hpp"
#include "parser.hpp"

namespace sim {

struct Call {
    std::span<const Param> params;
    int suffix = no_suffix;
};

struct NumericLimits {
    double min;
    double max;
    double def;
    std::string_view unit;  // accepted suffix unit; empty: no suffix allowed
};

// Between `min` and `params.size()` ≤ `max` parameters, else -109 / -108.
bool expect_params(Context& ctx, const Call& call, std::size_t min, std::size_t max);

// A number, or MIN / MAX / DEF; outside [min, max] queues -222.
std::optional<double> get_number(Context& ctx, const Param& p, const NumericLimits& limits);
// A number without range check (MIN/MAX/DEF not accepted) in `unit`.
std::optional<double> get_plain_number(Context& ctx, const Param& p, std::string_view unit);
std::optional<bool> get_bool(Context& ctx, const Param& p);
// Index of the pattern the character data matches; `suffix` gets a `<n>` value.
std::optional<std::size_t> get_choice(Context& ctx, const Param& p,
                                      std::span<const std::string_view> patterns,
                                      int* suffix = nullptr);
bool is_keyword(const Param& p, std::string_view pattern);

// The query of a numeric setting: false when it has no parameter (the caller answers the
// present value); else it answered MIN, MAX or DEF from `limits`, or queued the error.
bool answer_limits(Context& ctx, const Call& call, const NumericLimits& limits,
                   bool integer = false);

}  // namespace sim
