#include "header_match.hpp"

#include <array>
#include <cctype>

namespace sim {
namespace {

PatternNode make_node(std::string_view name, bool optional) {
    PatternNode node;
    node.optional = optional;
    constexpr std::string_view numbered = "<n>";
    if (name.ends_with(numbered)) {
        node.numbered = true;
        name.remove_suffix(numbered.size());
    }
    std::size_t capitals = 0;
    while (capitals < name.size() && !std::islower(static_cast<unsigned char>(name[capitals])))
        ++capitals;
    node.long_name = name;
    node.short_name = name.substr(0, capitals);
    return node;
}

}  // namespace

// Patterns come from the command table, so they are trusted to be well formed.
Pattern parse_pattern(std::string_view text) {
    Pattern p;
    if (text.starts_with('*')) {
        p.common = true;
        text.remove_prefix(1);
    }
    if (text.ends_with('?')) {
        p.query = true;
        text.remove_suffix(1);
    }
    while (!text.empty() && p.count < max_nodes) {
        bool optional = false;
        std::string_view element;
        if (text.front() == '[') {
            const auto close = text.find(']');
            element = text.substr(1, close - 1);
            text.remove_prefix(close + 1);
            optional = true;
        } else {
            if (text.front() == ':') text.remove_prefix(1);
            const auto stop = text.find_first_of(":[");
            element = text.substr(0, stop);
            text.remove_prefix(stop == std::string_view::npos ? text.size() : stop);
        }
        if (element.starts_with(':')) element.remove_prefix(1);
        if (element.ends_with(':')) element.remove_suffix(1);
        p.nodes[p.count++] = make_node(element, optional);
    }
    return p;
}

namespace {

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool node_matches(const PatternNode& p, const Node& in, int& suffix) {
    if (!iequals(in.name, p.short_name) && !iequals(in.name, p.long_name)) return false;
    if (p.numbered) {
        suffix = in.suffix == no_suffix ? 1 : in.suffix;
        return true;
    }
    return in.suffix == no_suffix || in.suffix == 1;  // SCPI: suffix 1 is the default
}

bool match_from(const Pattern& p, std::size_t pi, std::span<const Node> nodes, std::size_t ni,
                int& suffix) {
    if (pi == p.count) return ni == nodes.size();
    const PatternNode& node = p.nodes[pi];
    int found = suffix;
    if (ni < nodes.size() && node_matches(node, nodes[ni], found) &&
        match_from(p, pi + 1, nodes, ni + 1, found)) {
        suffix = found;
        return true;
    }
    return node.optional && match_from(p, pi + 1, nodes, ni, suffix);
}

}  // namespace

Match match_header(std::string_view pattern, std::span<const Node> nodes, bool common, bool query) {
    return match_header(parse_pattern(pattern), nodes, common, query);
}

Match match_header(const Pattern& p, std::span<const Node> nodes, bool common, bool query) {
    Match m;
    if (p.common != common || p.query != query) return m;
    m.matched = match_from(p, 0, nodes, 0, m.suffix);
    return m;
}

Match match_mnemonic(std::string_view pattern, std::string_view text) {
    Node node;
    if (!split_node(text, node)) return {};
    return match_header(pattern, std::span<const Node>(&node, 1), false, false);
}

}  // namespace sim
