// VISA resource search expressions: ? * + [list] [^list] \ ( ) | over the whole name,
// case-insensitive, then an optional attribute expression in braces. The name part is
// compiled to a small automaton that matches in time linear in the name, whatever the
// expression.
#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace simvisa {

class AttrExpression;
class Device;

class SearchPattern {
public:
    // The compiled expression, or nullopt when it is not a valid search expression.
    static std::optional<SearchPattern> compile(std::string_view expr);
    bool matches(std::string_view name) const;
    // Whether the device's attributes pass the expression's attribute part (if any).
    bool accepts(const Device& device) const;

    struct CharClass {
        std::vector<std::pair<char, char>> ranges;  // inclusive
        bool negated = false;
        bool contains(char c) const;
    };
    struct State {
        enum class Kind { literal, any, char_class, split, epsilon, match } kind;
        char c = 0;     // literal, lower case
        int cls = -1;   // index into classes_
        int out = -1;   // next state
        int out1 = -1;  // split: the other next state
    };

private:
    friend class SearchCompiler;
    std::vector<State> states_;
    std::vector<CharClass> classes_;
    int start_ = -1;
    std::shared_ptr<const AttrExpression> attributes_;
};

}  // namespace simvisa
