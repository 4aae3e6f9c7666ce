// Helpers of the start-up tests: module folders, pop-ups shown, the live indicator.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "program_harness.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

namespace apptest {

using Shown = std::pair<std::string, std::string>;  // title, text

// Modules are looked for in <build root>/variants/<variant> first.
inline void use_variant(const std::string& variant) {
    const std::string folder = std::string(GU_BUILD_ROOT) + "/variants/" + variant;
    ::setenv("UIRT_MODULE_PATH", folder.c_str(), 1);
}

inline std::vector<Shown> shown() {
    std::vector<Shown> out;
    for (const auto& p : uirt::test::popups()) out.emplace_back(p.title, p.text);
    return out;
}

inline int count_titled(const std::string& title) {
    int n = 0;
    for (const auto& p : uirt::test::popups()) n += p.title == title;
    return n;
}

// The live indicator: switched on and green only in live mode.
inline bool led_lit_green() {
    int on = 0;
    int color = 0;
    uirt::GetCtrlVal(gu::main_panel, gu::live_led, &on);
    uirt::GetCtrlAttribute(gu::main_panel, gu::live_led, uirt::ATTR_ON_COLOR, &color);
    return on == 1 && color == 0x00FF00;
}

inline int sample_count() {
    int n = -1;
    gu::SampleCount(0, gu::MSG_GET, &n);
    return n;
}

// Trace lines from line `first` on that record VISA calls named `call` ("viClose").
inline std::vector<std::string> trace_calls(const std::string& trace, const std::string& call,
                                            std::size_t first = 0) {
    std::vector<std::string> out;
    const std::string text = gutest::read_file(trace);
    std::size_t start = 0;
    for (std::size_t n = 0; start < text.size(); ++n) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        if (n >= first && line.rfind(call + "(", 0) == 0) out.push_back(line);
        start = end + 1;
    }
    return out;
}

inline bool contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

inline constexpr const char* Q7304_AT_24 =
    "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 24\nslot = 3\nq7304 = yes\n";
inline constexpr const char* Q7304_AT_25 =
    "[VXI0::25::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 25\nslot = 4\nq7304 = yes\n";

}  // namespace apptest
