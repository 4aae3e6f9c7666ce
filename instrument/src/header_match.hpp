// Matches parsed header nodes against a command pattern in SCPI notation: long form with the
// short form in capitals, optional nodes in brackets, `<n>` for a numeric suffix, e.g.
// "[SENSe:]VOLTage[:DC]:RANGe:AUTO?", "OUTPut:TTLTrg<n>[:STATe]", "*IDN?".
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "parser.hpp"

namespace sim {

struct Match {
    bool matched = false;
    int suffix = no_suffix;  // value of the `<n>` node; 1 when sent without digits
};

Match match_header(std::string_view pattern, std::span<const Node> nodes, bool common, bool query);

// A pattern taken apart once, for matching many headers against it.
struct PatternNode {
    std::string_view long_name;
    std::string_view short_name;
    bool optional = false;
    bool numbered = false;
};
struct Pattern {
    bool common = false;
    bool query = false;
    std::array<PatternNode, max_nodes> nodes{};
    std::size_t count = 0;
};
// The views of the result point into `text`, which must outlive it.
Pattern parse_pattern(std::string_view text);
Match match_header(const Pattern& pattern, std::span<const Node> nodes, bool common, bool query);

// Character data against one mnemonic pattern such as "IMMediate" or "TTLTrg<n>".
Match match_mnemonic(std::string_view pattern, std::string_view text);

}  // namespace sim
