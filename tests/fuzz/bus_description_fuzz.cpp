// Bus descriptions and search expressions from arbitrary bytes: no crash, and the
// parser's results keep their shape.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "bus.hpp"
#include "search.hpp"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto r = simvisa::parse_bus_description(text, "fuzz.txt");
    if (!r.error.empty()) {
        // "<file>:<line>: <reason>", and no devices with it.
        check(r.devices.empty());
        check(r.error.rfind("fuzz.txt:", 0) == 0);
        const auto colon = r.error.find(": ", 9);
        check(colon != std::string::npos && colon > 9);
        const std::string line = r.error.substr(9, colon - 9);
        check(line.find_first_not_of("0123456789") == std::string::npos);
        check(line != "0");
        check(colon + 2 < r.error.size());
    } else {
        int previous_line = 0;
        for (const auto& d : r.devices) {
            check(simvisa::parse_resource_name(d.name).has_value());
            check(d.line > previous_line);
            previous_line = d.line;
            for (const auto& f : d.faults) {
                if (f.where == simvisa::Fault::Where::after)
                    check(f.after >= 0);
                else
                    check(!f.prefix.empty());
            }
        }
    }

    const std::string_view expr = text.substr(0, size / 2);
    const std::string_view name = text.substr(size / 2);
    if (const auto p = simvisa::SearchPattern::compile(expr)) {
        const bool a = p->matches(name);
        check(a == p->matches(name));
        check(!expr.empty());
    } else if (expr == "?*") {
        std::abort();  // the widest expression is always valid
    }
    // Every name matches "?*", and itself with each character escaped.
    if (name.size() <= 128) {
        check(simvisa::SearchPattern::compile("?*")->matches(name));
        std::string literal;
        for (const char c : name) (literal += '\\') += c;
        if (!name.empty()) check(simvisa::SearchPattern::compile(literal)->matches(name));
    }
    return 0;
}
