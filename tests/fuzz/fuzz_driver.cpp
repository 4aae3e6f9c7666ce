// Runs a fuzz target without libFuzzer: the seed inputs, then mutations of them
// (bit flips, byte inserts and deletes, splices, dictionary tokens), for a bounded number
// of runs or seconds. A crash, a sanitizer report or an input that runs longer than the
// per-input limit (a hang) fails the run; the same seed and runs repeat the same inputs.
//   fuzz_<name> [--runs N] [--seconds S] [--seed X] [--hang S] [seed files...]
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

// Tokens that steer mutations toward interesting input for both targets.
constexpr std::string_view kTokens[] = {
    "*IDN?", "*RST", "*CLS", "*TRG", "*STB?", ";", ":", "?", "\n", ",", "\"", "[", "]",
    "CONF:VOLT:DC", "TRIG:COUN ", "SAMP:COUN ", "INIT", "FETC?", "READ?", "ABOR",
    "SYST:ERR?", "CALC:FUNC ", "OUTP:TTLT7 ON", "VOLT:DC:RANG:AUTO ON", "MAX", "MIN",
    "9.9E37", "-1e999", "1e-400", "interface = ", "q7304 = yes", "fault.after = ",
    "[VXI0::24::INSTR]", "[GPIB0::9::INSTR]", "input.volt_dc = ", "#", "= ", "?*INSTR",
    "*", "+", "[^", "(", ")", "|", "\\",
};

Bytes mutate(const Bytes& in, std::mt19937_64& rng, const std::vector<Bytes>& pool) {
    Bytes out = in;
    const int steps = 1 + static_cast<int>(rng() % 4);
    for (int s = 0; s < steps; ++s) {
        switch (rng() % 6) {
            case 0:
                if (!out.empty()) out[rng() % out.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
                break;
            case 1: out.insert(out.begin() + static_cast<long>(out.empty() ? 0 : rng() % out.size()),
                               static_cast<std::uint8_t>(rng())); break;
            case 2:
                if (!out.empty()) out.erase(out.begin() + static_cast<long>(rng() % out.size()));
                break;
            case 3: {
                const auto tok = kTokens[rng() % std::size(kTokens)];
                const auto at = out.empty() ? 0 : rng() % (out.size() + 1);
                out.insert(out.begin() + static_cast<long>(at), tok.begin(), tok.end());
                break;
            }
            case 4:
                if (!pool.empty()) {
                    const Bytes& other = pool[rng() % pool.size()];
                    if (!other.empty()) {
                        const auto from = rng() % other.size();
                        const auto len = 1 + rng() % (other.size() - from);
                        out.insert(out.end(), other.begin() + static_cast<long>(from),
                                   other.begin() + static_cast<long>(from + len));
                    }
                }
                break;
            default:
                if (out.size() > 1) out.resize(rng() % out.size());
                break;
        }
    }
    if (out.size() > 8192) out.resize(8192);
    return out;
}

void hang_found(int) {
    constexpr char text[] = "one input ran past the per-input limit: a hang\n";
    (void)!::write(2, text, sizeof text - 1);
    std::abort();
}

// Runs one input under the watchdog.
void run_one(const Bytes& input, unsigned hang_seconds) {
    ::alarm(hang_seconds);
    LLVMFuzzerTestOneInput(input.data(), input.size());
    ::alarm(0);
}

}  // namespace

int main(int argc, char** argv) {
    long runs = 20000;
    double seconds = 20.0;
    std::uint64_t seed = 1;
    unsigned hang_seconds = 10;
    std::vector<Bytes> pool;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) runs = std::atol(argv[++i]);
        else if (arg == "--seconds" && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (arg == "--seed" && i + 1 < argc) seed = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--hang" && i + 1 < argc)
            hang_seconds = static_cast<unsigned>(std::atoi(argv[++i]));
        else {
            std::ifstream in(arg, std::ios::binary);
            pool.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (pool.empty()) pool.emplace_back();
    std::signal(SIGALRM, hang_found);
    for (const Bytes& b : pool) run_one(b, hang_seconds);

    std::mt19937_64 rng(seed);
    const auto start = std::chrono::steady_clock::now();
    long done = 0;
    for (; done < runs; ++done) {
        if ((done & 255) == 0 &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > seconds)
            break;
        Bytes input = mutate(pool[rng() % pool.size()], rng, pool);
        run_one(input, hang_seconds);
        if (pool.size() < 256 && rng() % 64 == 0) pool.push_back(std::move(input));
    }
    std::printf("%ld runs in %.1f s, no finding\n", done,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}
