// Resident memory of this process, and whether a sanitizer makes the figure meaningless.
#pragma once

#include <fstream>
#include <string>

namespace soak {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool MEMORY_SANITIZED = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool MEMORY_SANITIZED = true;
#else
inline constexpr bool MEMORY_SANITIZED = false;
#endif
#else
inline constexpr bool MEMORY_SANITIZED = false;
#endif

// VmRSS of /proc/self/status in kB; -1 when it cannot be read.
inline long resident_kb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

}  // namespace soak
