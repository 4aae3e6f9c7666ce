#include "search.hpp"

#include <cctype>

#include "attr_expr.hpp"

namespace simvisa {

namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}
char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

constexpr std::size_t kMaxExpression = 256;

}  // namespace

bool SearchPattern::CharClass::contains(char c) const {
    bool in = false;
    for (const char v : {c, lower(c), upper(c)})
        for (const auto& [lo, hi] : ranges)
            if (lo <= v && v <= hi) in = true;
    return in != negated;
}

// Recursive descent over the expression, building the automaton one fragment at a time
// (Thompson's construction).
class SearchCompiler {
public:
    explicit SearchCompiler(std::string_view expr) : expr_(expr) {}

    std::optional<SearchPattern> run() {
        auto whole = alternation();
        if (!whole || pos_ != expr_.size()) return std::nullopt;
        patch(*whole, add({State::Kind::match}));
        p_.start_ = whole->start;
        return std::move(p_);
    }

private:
    using State = SearchPattern::State;
    // A piece of the automaton: its entry and the exits still to be connected.
    struct Fragment {
        int start;
        std::vector<std::pair<int, bool>> exits;  // state, and whether it is its out1
    };

    int add(State s) {
        p_.states_.push_back(s);
        return static_cast<int>(p_.states_.size()) - 1;
    }
    void patch(const Fragment& f, int to) {
        for (const auto& [s, second] : f.exits)
            (second ? p_.states_[s].out1 : p_.states_[s].out) = to;
    }
    Fragment single(State s) {
        const int i = add(s);
        return {i, {{i, false}}};
    }
    bool at(char c) const { return pos_ < expr_.size() && expr_[pos_] == c; }

    std::optional<Fragment> alternation() {
        auto left = sequence();
        while (left && at('|')) {
            ++pos_;
            auto right = sequence();
            if (!right) return std::nullopt;
            const int split = add({State::Kind::split, 0, -1, left->start, right->start});
            left->start = split;
            left->exits.insert(left->exits.end(), right->exits.begin(), right->exits.end());
        }
        return left;
    }

    std::optional<Fragment> sequence() {
        Fragment seq = single({State::Kind::epsilon});
        while (pos_ < expr_.size() && !at('|') && !at(')')) {
            auto item = atom();
            if (!item) return std::nullopt;
            if (at('*') || at('+')) {
                const bool at_least_once = at('+');
                ++pos_;
                const int split = add({State::Kind::split, 0, -1, item->start, -1});
                patch(*item, split);
                item = Fragment{at_least_once ? item->start : split, {{split, true}}};
            }
            patch(seq, item->start);
            seq.exits = std::move(item->exits);
        }
        return seq;
    }

    std::optional<Fragment> atom() {
        const char c = expr_[pos_++];
        switch (c) {
            case '?':
                return single({State::Kind::any});
            case '[':
                return char_class();
            case '(': {
                auto inner = alternation();
                if (!inner || !at(')')) return std::nullopt;
                ++pos_;
                return inner;
            }
            case '\\':
                if (pos_ >= expr_.size()) return std::nullopt;
                return single({State::Kind::literal, lower(expr_[pos_++])});
            case '*':
            case '+':  // nothing to repeat
            case '{':  // only the attribute part, at the end
                return std::nullopt;
            default:
                return single({State::Kind::literal, lower(c)});
        }
    }

    // After '[': items up to the first ']' not escaped; "a-z" is a range.
    std::optional<Fragment> char_class() {
        SearchPattern::CharClass cls;
        if (at('^')) {
            cls.negated = true;
            ++pos_;
        }
        const auto item = [this]() -> std::optional<char> {
            if (pos_ >= expr_.size()) return std::nullopt;
            if (expr_[pos_] == '\\') ++pos_;
            if (pos_ >= expr_.size()) return std::nullopt;
            return expr_[pos_++];
        };
        while (!at(']')) {
            const auto lo = item();
            if (!lo) return std::nullopt;
            char hi = *lo;
            if (at('-') && pos_ + 1 < expr_.size() && expr_[pos_ + 1] != ']') {
                ++pos_;
                const auto end = item();
                if (!end || *end < *lo) return std::nullopt;
                hi = *end;
            }
            cls.ranges.emplace_back(*lo, hi);
        }
        ++pos_;
        p_.classes_.push_back(std::move(cls));
        return single({State::Kind::char_class, 0, static_cast<int>(p_.classes_.size()) - 1});
    }

    std::string_view expr_;
    std::size_t pos_ = 0;
    SearchPattern p_;
};

std::optional<SearchPattern> SearchPattern::compile(std::string_view expr) {
    // The attribute part starts at the first brace that is not escaped.
    std::size_t brace = std::string_view::npos;
    for (std::size_t i = 0; i < expr.size(); ++i) {
        if (expr[i] == '\\') ++i;
        else if (expr[i] == '{') {
            brace = i;
            break;
        }
    }
    const std::string_view name_part = expr.substr(0, brace);
    if (name_part.empty() || name_part.size() > kMaxExpression) return std::nullopt;
    auto pattern = SearchCompiler(name_part).run();
    if (!pattern || brace == std::string_view::npos) return pattern;
    if (expr.back() != '}') return std::nullopt;
    auto attributes = AttrExpression::compile(expr.substr(brace + 1, expr.size() - brace - 2));
    if (!attributes) return std::nullopt;
    pattern->attributes_ = std::make_shared<const AttrExpression>(std::move(*attributes));
    return pattern;
}

bool SearchPattern::accepts(const Device& device) const {
    return !attributes_ || attributes_->accepts(device);
}

// Runs every path of the automaton at once: one set of states per character.
bool SearchPattern::matches(std::string_view name) const {
    std::vector<int> current, next, todo, seen(states_.size(), -1);
    int step = 0;
    // Adds a state and what it reaches without reading a character.
    const auto add = [&](std::vector<int>& set, int s) {
        todo.assign(1, s);
        while (!todo.empty()) {
            const int i = todo.back();
            todo.pop_back();
            if (i < 0 || seen[i] == step) continue;
            seen[i] = step;
            const State& st = states_[i];
            if (st.kind == State::Kind::split) {
                todo.push_back(st.out1);
                todo.push_back(st.out);
            } else if (st.kind == State::Kind::epsilon) {
                todo.push_back(st.out);
            } else {
                set.push_back(i);
            }
        }
    };
    add(current, start_);
    for (const char ch : name) {
        ++step;
        next.clear();
        for (const int i : current) {
            const State& st = states_[i];
            const bool takes =
                (st.kind == State::Kind::literal && st.c == lower(ch)) ||
                st.kind == State::Kind::any ||
                (st.kind == State::Kind::char_class && classes_[st.cls].contains(ch));
            if (takes) add(next, st.out);
        }
        current.swap(next);
        if (current.empty()) return false;
    }
    for (const int i : current)
        if (states_[i].kind == State::Kind::match) return true;
    return false;
}

}  // namespace simvisa
