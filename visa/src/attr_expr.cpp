#include "attr_expr.hpp"

#include <cctype>
#include <cstdlib>

#include "attributes.hpp"
#include "search.hpp"

namespace simvisa {

class AttrParser {
public:
    explicit AttrParser(std::string_view s) : s_(s) {}

    std::optional<AttrExpression> run() {
        const int root = disjunction();
        skip();
        if (root < 0 || pos_ != s_.size()) return std::nullopt;
        e_.root_ = root;
        return std::move(e_);
    }

private:
    using Node = AttrExpression::Node;

    void skip() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    bool take(std::string_view t) {
        skip();
        if (s_.substr(pos_, t.size()) != t) return false;
        pos_ += t.size();
        return true;
    }
    int add(Node n) {
        e_.nodes_.push_back(std::move(n));
        return static_cast<int>(e_.nodes_.size()) - 1;
    }
    // Terms joined by one operator, as one node.
    template <class Next>
    int joined(std::string_view op, Node::Kind kind, Next next) {
        int first = next();
        if (first < 0 || !take(op)) return first;
        Node n;
        n.kind = kind;
        n.children.push_back(first);
        do {
            const int more = next();
            if (more < 0) return -1;
            n.children.push_back(more);
        } while (take(op));
        return add(std::move(n));
    }
    int disjunction() {
        return joined("||", Node::Kind::any_of, [this] { return conjunction(); });
    }
    int conjunction() {
        return joined("&&", Node::Kind::all_of, [this] { return factor(); });
    }
    int factor() {
        if (++depth_ > kMaxDepth) return -1;
        int r;
        if (take("!") ) {
            if (s_.substr(pos_, 1) == "=") return -1;
            const int inner = factor();
            if (inner < 0) return -1;
            Node n;
        n.kind = Node::Kind::negation;
            n.children.push_back(inner);
            r = add(std::move(n));
        } else if (take("(")) {
            r = disjunction();
            if (r < 0 || !take(")")) return -1;
        } else {
            r = relation();
        }
        --depth_;
        return r;
    }
    int relation() {
        skip();
        const std::size_t from = pos_;
        while (pos_ < s_.size() &&
               (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_'))
            ++pos_;
        const auto attr = attribute_id(s_.substr(from, pos_ - from));
        if (!attr) return -1;
        Node n;
        n.kind = Node::Kind::relation;
        n.attr = *attr;
        static constexpr std::pair<std::string_view, Node::Op> ops[] = {
            {"==", Node::Op::eq}, {"!=", Node::Op::ne}, {"<=", Node::Op::le},
            {">=", Node::Op::ge}, {"<", Node::Op::lt},  {">", Node::Op::gt}};
        bool found = false;
        for (const auto& [text, op] : ops)
            if (take(text)) {
                n.op = op;
                found = true;
                break;
            }
        if (!found) return -1;
        skip();
        if (pos_ < s_.size() && s_[pos_] == '"') {
            const auto close = s_.find('"', pos_ + 1);
            if (close == std::string_view::npos) return -1;
            if (n.op != Node::Op::eq && n.op != Node::Op::ne) return -1;
            auto pattern = SearchPattern::compile(s_.substr(pos_ + 1, close - pos_ - 1));
            if (!pattern) return -1;
            n.is_text = true;
            n.text = std::make_shared<const SearchPattern>(std::move(*pattern));
            pos_ = close + 1;
            return add(std::move(n));
        }
        const std::string digits(s_.substr(pos_, 24));
        char* end = nullptr;
        errno = 0;
        n.number = std::strtoll(digits.c_str(), &end, 0);
        if (end == digits.c_str() || errno != 0) return -1;
        pos_ += static_cast<std::size_t>(end - digits.c_str());
        return add(std::move(n));
    }

    static constexpr int kMaxDepth = 64;
    std::string_view s_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    AttrExpression e_;
};

std::optional<AttrExpression> AttrExpression::compile(std::string_view text) {
    if (text.size() > 1024) return std::nullopt;
    return AttrParser(text).run();
}

bool AttrExpression::accepts(const Device& device) const { return eval(root_, device); }

bool AttrExpression::eval(int i, const Device& device) const {
    const Node& n = nodes_[static_cast<std::size_t>(i)];
    switch (n.kind) {
        case Node::Kind::negation: return !eval(n.children[0], device);
        case Node::Kind::all_of:
            for (const int c : n.children)
                if (!eval(c, device)) return false;
            return true;
        case Node::Kind::any_of:
            for (const int c : n.children)
                if (eval(c, device)) return true;
            return false;
        case Node::Kind::relation: break;
    }
    // A resource without the attribute fails every relation on it.
    const auto v = resource_attribute(device, n.attr);
    if (!v || (v->kind == AttrValue::Kind::text) != n.is_text) return false;
    if (n.is_text) return n.text->matches(v->text) == (n.op == Node::Op::eq);
    switch (n.op) {
        case Node::Op::eq: return v->number == n.number;
        case Node::Op::ne: return v->number != n.number;
        case Node::Op::lt: return v->number < n.number;
        case Node::Op::gt: return v->number > n.number;
        case Node::Op::le: return v->number <= n.number;
        case Node::Op::ge: return v->number >= n.number;
    }
    return false;
}

}  // namespace simvisa
