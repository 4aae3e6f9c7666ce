// Bus-description keys that describe a simulated Q7304A's surroundings: its input
// signals, its external trigger input and its self-test result.
#pragma once

#include <optional>
#include <string>

#include "sim/q7304.hpp"

namespace simvisa {

// Applies `key = value` when the key is one of these; empty optional when it is not, else
// an error text (empty when the value was taken).
std::optional<std::string> apply_instrument_key(sim::Q7304Input& in, const std::string& key,
                                                const std::string& value);

}  // namespace simvisa
