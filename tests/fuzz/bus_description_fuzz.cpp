// Bus descriptions and search expressions from arbitrary bytes: no crash, and the
// parser's results keep their shape. A simulated Q7304A with every line of the input that
// a description of it accepts (signals, trigger schedule, self-test) is powered on and
// measures, one function picked by the input: its replies are well formed and its readings
// finite.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "bus.hpp"
#include "search.hpp"
#include "sim/q7304.hpp"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// A reply of NR3 readings: each a finite number, or the overload reading.
void check_readings(const std::string& reply) {
    check(!reply.empty() && reply.back() == '\n');
    const char* p = reply.c_str();
    for (;;) {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        check(end != p && std::isfinite(v) && std::abs(v) <= 9.9e37);
        if (*end != ',') {
            check(*end == '\n' && end[1] == '\0');
            return;
        }
        p = end + 1;
    }
}

std::string ask(sim::Q7304& dmm, const std::string& message, std::chrono::milliseconds wait) {
    dmm.write(message, true);
    std::string out;
    bool end = false;
    if (dmm.read(out, 65536, wait, end) != sim::Q7304::ReadResult::ok) return {};
    check(end);
    return out;
}

// One function each, quick to measure.
constexpr const char* kMeasurements[] = {
    "CONF:VOLT:DC;:VOLT:DC:APER MIN;:ZERO:AUTO OFF",
    "CONF:VOLT:AC;:VOLT:AC:APER MIN;:DET:BAND 200",
    "CONF:CURR:DC;:CURR:DC:APER MIN",
    "CONF:CURR:AC;:DET:BAND 200",
    "CONF:RES;:RES:APER MIN",
    "CONF:FREQ;:FREQ:APER MIN",
    "CONF:PER;:PER:APER MIN",
    "CONF:VOLT:DC:RAT;:VOLT:DC:APER MIN",
    "CONF:VOLT:DC;:VOLT:DC:APER MIN;:INP:IMP:AUTO ON",
};

void power_on(const sim::Q7304Input& input, std::size_t pick) {
    using std::chrono::milliseconds;
    sim::Q7304 dmm(input);
    const std::string test = ask(dmm, "*TST?", milliseconds(0));
    check(test == std::to_string(input.self_test) + "\n");
    const char* conf = kMeasurements[pick % std::size(kMeasurements)];
    const std::string reading = ask(dmm, std::string(conf) + ";:TRIG:DEL 0;:READ?", milliseconds(2000));
    check_readings(reading);
    // An external trigger schedule as the block waits for it.
    dmm.write("TRIG:SOUR EXT;:INIT;:FETC?", true);
    std::string out;
    bool end = false;
    if (dmm.read(out, 65536, milliseconds(1), end) == sim::Q7304::ReadResult::ok) check_readings(out);
    dmm.write("ABOR", true);
    (void)dmm.status_byte();
}

// The input a Q7304A gets from the lines of `text` that its description accepts, one by
// one, so that a mutated value reaches the instrument even where other lines are broken.
sim::Q7304Input accepted_input(std::string_view text) {
    std::string kept = "[VXI0::24::INSTR]\nq7304 = yes\n";
    for (std::size_t start = 0; start < text.size();) {
        const auto nl = text.find('\n', start);
        const std::string_view line = text.substr(start, nl - start);
        start = nl == std::string_view::npos ? text.size() : nl + 1;
        if (line.find('[') != std::string_view::npos) continue;
        std::string trial = kept;
        (trial += line) += '\n';
        const auto r = simvisa::parse_bus_description(trial, "fuzz.txt");
        if (r.error.empty() && r.devices.size() == 1) kept = std::move(trial);
    }
    const auto r = simvisa::parse_bus_description(kept, "fuzz.txt");
    check(r.error.empty() && r.devices.size() == 1);
    return r.devices.front().input;
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
            // Names are kept in their canonical form, which reads back unchanged.
            const auto parsed = simvisa::parse_resource_name(d.name);
            check(parsed.has_value() && simvisa::canonical_name(*parsed) == d.name);
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

    power_on(accepted_input(text), size);

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
