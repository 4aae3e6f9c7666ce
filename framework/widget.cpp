#include "widget.hpp"

#include <cstdio>
#include <string>

namespace gu {

int invalid_msg(std::string_view label, int msg) {
    const std::string name(label);
    std::printf("invalid msg in %s: %d\n", name.c_str(), msg);
    std::fflush(stdout);
    return -1;
}

}  // namespace gu
