// The resource-name label on arbitrary names: never overruns, always starts with the
// interface, and never comes out longer than its buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "widgets.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 300));
    const char* label = gu::describe_rsrc(name.c_str());
    if (label == nullptr || std::strncmp(label, "Interface: ", 11) != 0) std::abort();
    if (std::strlen(label) >= 512) std::abort();
    return 0;
}
