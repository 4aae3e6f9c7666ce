// VISA resource search expressions: ? * + [list] [^list] \ ( ) | over the whole name,
// case-insensitive.
#pragma once

#include <optional>
#include <regex>
#include <string_view>

namespace simvisa {

// The compiled expression, or nullopt when it is not a valid search expression.
std::optional<std::regex> compile_search(std::string_view expr);
bool search_matches(const std::regex& re, std::string_view name);

}  // namespace simvisa
