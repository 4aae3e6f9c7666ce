// A small JSON reader (RFC 8259) for the resource file: the whole text into a tree of values,
// strings kept as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace uirt::detail::json {

struct Member;

struct Value {
    enum class Type { null, boolean, number, string, array, object };
    Type type = Type::null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Value> items;     // an array's
    std::vector<Member> members;  // an object's, in the order written

    bool is_number() const { return type == Type::number; }
    bool is_string() const { return type == Type::string; }
    bool is_bool() const { return type == Type::boolean; }
    bool is_array() const { return type == Type::array; }
    bool is_object() const { return type == Type::object; }
    // An object's member; of a key written twice, the last. Null when there is none.
    const Value* find(std::string_view key) const;
};

struct Member {
    std::string key;
    Value value;
};

// The value the text holds, with nothing but white space after it; nullopt when the text is
// not JSON or nests deeper than `max_depth`.
std::optional<Value> parse(std::string_view text, int max_depth = 1024);

}  // namespace uirt::detail::json
