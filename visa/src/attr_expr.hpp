// The attribute part of a search expression, "{VI_ATTR_MANF_ID==0x0E5A && VI_ATTR_SLOT!=3}":
// relations == != < > <= >= between an attribute and a number or a quoted text, joined by
// && and ||, negated by !, grouped by ( ).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "visa.h"

namespace simvisa {

class Device;
class SearchPattern;

class AttrExpression {
public:
    // From the text between the braces; nullopt when it is not a valid expression.
    static std::optional<AttrExpression> compile(std::string_view text);
    bool accepts(const Device& device) const;

    struct Node {
        enum class Kind { relation, all_of, any_of, negation } kind = Kind::relation;
        enum class Op { eq, ne, lt, gt, le, ge } op = Op::eq;
        ViAttr attr = 0;
        bool is_text = false;
        ViInt64 number = 0;
        std::shared_ptr<const SearchPattern> text;  // a text value matches as a pattern
        std::vector<int> children;
    };

private:
    friend class AttrParser;
    bool eval(int node, const Device& device) const;
    std::vector<Node> nodes_;
    int root_ = -1;
};

}  // namespace simvisa
