// Matches parsed header nodes against a command pattern in SCPI notation: long form with the
// short form in capitals, optional nodes in brackets, `<n>` for a numeric suffix, e.g.
// "[SENSe:]VOLTage[:DC]:RANGe:AUTO?", "OUTPut:TTLTrg<n>[:STATe]", "*IDN?".
#pragma once

#include <span>
#include <string_view>

#include "parser.hpp"

namespace sim {

struct Match {
    bool matched = false;
    int suffix = no_suffix;  // value of the `<n>` node; 1 when sent without digits
};

Match match_header(std::string_view pattern, std::span<const Node> nodes, bool common, bool query);

// Character data against one mnemonic pattern such as "IMMediate" or "TTLTrg<n>".
Match match_mnemonic(std::string_view pattern, std::string_view text);

}  // namespace sim
