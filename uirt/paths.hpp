// Where the running program lives.
#pragma once

#include <string>

namespace uirt::detail {

// Folder of the executable (from /proc/self/exe), without a trailing slash.
std::string executable_dir();

}  // namespace uirt::detail
