// The resource-file reader on arbitrary bytes: never crashes, and whatever it accepts
// holds panels and controls that the run-time can build.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "resource_file.hpp"
#include "uirt.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto file = uirt::detail::parse_resource_text(text);
    if (!file) return 0;
    for (const auto& [id, panel] : file->panels) {
        if (id != panel.id) std::abort();
        for (const auto& c : panel.controls)
            if (c.kind < uirt::CTRL_NUMERIC || c.kind > uirt::CTRL_ROUND_LED) std::abort();
    }
    return 0;
}
