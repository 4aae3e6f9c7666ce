#include "search.hpp"

#include <string>

namespace simvisa {

std::optional<std::regex> compile_search(std::string_view expr) {
    if (expr.empty() || expr.size() > 256) return std::nullopt;
    std::string re;
    int depth = 0;
    bool in_class = false;
    bool have_atom = false;  // '*' and '+' repeat the preceding atom
    for (std::size_t i = 0; i < expr.size(); ++i) {
        const char c = expr[i];
        if (in_class) {
            if (c == '\\' && i + 1 < expr.size()) {
                re += '\\';
                re += expr[++i];
            } else {
                if (c == ']') in_class = false;
                re += c;
            }
            continue;
        }
        switch (c) {
            case '?': re += '.'; have_atom = true; break;
            case '*':
            case '+':
                if (!have_atom) return std::nullopt;
                re += c;
                have_atom = false;
                break;
            case '[':
                if (expr.find(']', i + 1) == std::string_view::npos) return std::nullopt;
                re += '[';
                in_class = true;
                have_atom = true;
                if (i + 1 < expr.size() && expr[i + 1] == '^') {
                    re += '^';
                    ++i;
                }
                break;
            case '(': ++depth; re += '('; have_atom = false; break;
            case ')':
                if (--depth < 0) return std::nullopt;
                re += ')';
                have_atom = true;
                break;
            case '|': re += '|'; have_atom = false; break;
            case '\\':
                if (i + 1 >= expr.size()) return std::nullopt;
                re += '\\';
                re += expr[++i];
                have_atom = true;
                break;
            case '{':
                return std::nullopt;  // attribute expressions are not supported
            default:
                if (std::string_view(".^$}").find(c) != std::string_view::npos) re += '\\';
                re += c;
                have_atom = true;
        }
    }
    if (depth != 0 || in_class) return std::nullopt;
    try {
        return std::regex(re, std::regex::icase | std::regex::ECMAScript);
    } catch (const std::regex_error&) {
        return std::nullopt;
    }
}

bool search_matches(const std::regex& re, std::string_view name) {
    try {
        return std::regex_match(name.begin(), name.end(), re);
    } catch (const std::regex_error&) {
        return false;
    }
}

}  // namespace simvisa
