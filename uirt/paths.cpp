#include "paths.hpp"

#include <unistd.h>

#include <array>

namespace uirt::detail {

std::string executable_dir() {
    std::array<char, 4096> buffer{};
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return ".";
    std::string path(buffer.data(), static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace uirt::detail
