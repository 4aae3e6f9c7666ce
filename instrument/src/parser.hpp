// Splits one IEEE 488.2 program message (terminator removed) into program message units.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

inline constexpr std::size_t max_mnemonic = 12;
inline constexpr std::size_t max_nodes = 12;
inline constexpr std::size_t max_params = 8;
inline constexpr int no_suffix = -1;

// A header mnemonic split into its name and numeric suffix (`TTLT3` is "TTLT", 3).
struct Node {
    std::string_view name;
    int suffix = no_suffix;
};

struct Header {
    bool common = false;    // `*IDN?`
    bool absolute = false;  // leading ':' resets the path
    bool query = false;
    std::array<Node, max_nodes> nodes{};
    std::size_t count = 0;
};

struct Param {
    enum class Kind { number, character, string };
    Kind kind = Kind::number;
    double number = 0.0;
    std::string_view suffix;  // of a number, e.g. "MV"; empty when none
    std::string_view text;    // character data as sent
    std::string string;       // string data with doubled quotes undone
};

struct Unit {
    Header header;
    std::vector<Param> params;
};

// Splits `text` of the form NAME[digits] into a node; false when the suffix overflows.
bool split_node(std::string_view text, Node& node);

class MessageParser {
public:
    explicit MessageParser(std::string_view message) : text_(message) {}

    enum class Result { unit, end, error };
    // The next unit; on error `error` holds the code and the rest of the message is dropped.
    Result next(Unit& unit, int& error);
    std::string_view remainder() const { return text_.substr(pos_); }

private:
    int parse_header(Header& header);
    int parse_params(std::vector<Param>& params);
    int parse_param(Param& param);
    int parse_number(Param& param);
    int parse_nondecimal(Param& param);
    int parse_string(Param& param);
    void skip_space();
    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return at_end() ? '\0' : text_[pos_]; }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace sim
