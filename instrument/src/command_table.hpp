// The command set: one flat table of header patterns and their handlers.
#pragma once

#include <span>
#include <string_view>

#include "handlers.hpp"

namespace sim {

struct Command {
    std::string_view pattern;
    Handler handler;
};

std::span<const Command> command_table();

// The row whose pattern matches the header nodes, or nullptr.
const Command* find_command(std::span<const Node> nodes, bool common, bool query, int& suffix);

}  // namespace sim
