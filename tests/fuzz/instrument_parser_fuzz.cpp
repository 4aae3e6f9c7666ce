// Feeds arbitrary bytes to the simulated Q7304A: the first byte is a split value, the rest is
// written in pieces cut at that value, with zero-timeout reads and serial polls between.
// Invariants: no crash, no wait, a bounded error queue that drains, replies well formed.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "sim/q7304.hpp"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// Reads whatever is ready now; a zero timeout must never block.
void drain(sim::Q7304& dmm) {
    std::string out;
    bool end = false;
    for (int i = 0; i < 4; ++i) {
        const auto before = std::chrono::steady_clock::now();
        const auto r = dmm.read(out, 1024, std::chrono::milliseconds(0), end);
        check(std::chrono::steady_clock::now() - before < std::chrono::milliseconds(200));
        if (r != sim::Q7304::ReadResult::ok) break;
        check(out.size() <= 1024);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char split = static_cast<char>(data[0]);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    sim::Q7304 dmm;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        const auto cut = bytes.find(split, start);
        const auto piece = bytes.substr(start, cut == std::string_view::npos ? cut : cut - start);
        const bool last = cut == std::string_view::npos;
        dmm.write(piece, last || (piece.size() % 3 == 0));
        (void)dmm.status_byte();
        drain(dmm);
        if (piece.size() % 5 == 1) dmm.trigger();
        if (last) break;
        start = cut + 1;
    }

    // The error queue holds at most 20 entries and then reports "No error".
    dmm.device_clear();
    std::string out;
    bool end = false;
    int entries = 0;
    for (;;) {
        dmm.write("SYST:ERR?\n", true);
        check(dmm.read(out, 256, std::chrono::milliseconds(0), end) == sim::Q7304::ReadResult::ok);
        check(end && !out.empty() && (out[0] == '+' || out[0] == '-'));
        if (out.starts_with("+0,")) break;
        check(++entries <= 21);
    }
    dmm.write("*IDN?\n", true);
    check(dmm.read(out, 256, std::chrono::milliseconds(0), end) == sim::Q7304::ReadResult::ok);
    check(out.starts_with("VANTREL-OSSMARK,Q7304"));
    return 0;
}
