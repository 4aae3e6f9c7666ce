// The formatted-I/O engine on arbitrary device replies. The first byte picks a read format,
// the second the size of the pieces a read delivers; the rest is the device's output, its
// messages (each ending with END) separated by 0x04. Each format is scanned as viScanf reads
// a device, as viSScanf reads the first message, printed back with the matching viPrintf
// format, buffered and unbuffered, and scanned again. One more choice of the first byte takes
// the read format itself from the input (up to a NUL, at most 8 directives), with every
// argument a roomy buffer whose first word is a count of 16.
// Invariants: no crash or sanitizer report; statuses, counts and texts in bounds; pieces,
// buffer flushes and the call (viScanf or viSScanf) change nothing; what is printed scans
// back to the same values.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "format_print.hpp"
#include "format_scan.hpp"
#include "visa.h"

namespace {

using namespace simvisa;

void check(bool ok) {
    if (!ok) std::abort();
}

constexpr char kSeparator = '\x04';
constexpr std::size_t kCap = 64;  // elements of each destination array, bytes of each text

// The device: messages handed out in pieces, END with the last piece of each; then nothing
// more to say (a time-out).
struct Device {
    std::vector<std::string> messages;
    std::size_t piece = 1;
    std::size_t message = 0, at = 0;
    ViStatus fill(std::string& bytes, bool& end) {
        if (message >= messages.size()) return VI_ERROR_TMO;
        const std::string& m = messages[message];
        bytes = m.substr(at, piece);
        at += bytes.size();
        end = at >= m.size();
        if (end) {
            ++message;
            at = 0;
        }
        return VI_SUCCESS;
    }
};

ViStatus scan_engine(ScanInput* in, const char* fmt, ...) {
    VaArgs args;
    va_start(args.ap, fmt);
    const ViStatus st = format_scan(*in, fmt, args);
    va_end(args.ap);
    return st;
}

// What one scan assigned.
struct Result {
    ViStatus status = 0;
    ViInt32 n1 = kCap, n2 = kCap;  // counts in (capacities) and out
    std::vector<double> reals = std::vector<double>(kCap, -7.0);
    std::vector<long> longs = std::vector<long>(kCap, -7);
    std::vector<short> shorts = std::vector<short>(kCap, -7);
    std::string t1 = std::string(kCap + 1, '\x7f'), t2 = std::string(kCap + 1, '\x7f');
    int i1 = -7, i2 = -7, i3 = -7;
    long double wide[3] = {-7, -7, -7};
    bool operator==(const Result&) const = default;
};

enum Case {
    real_array, long_array, two_texts, block, short_block_le, rest, two_lines, mixed, set_and_count,
    raw, bases, wide_reals, chars, space_then_word, case_count
};

// The case's read format on one input; `scan(fmt, args...)` is the call under test.
template <class Scan>
Result scan_case(int which, Scan&& scan) {
    Result r;
    switch (which) {
        case real_array: r.status = scan("%,#lf", &r.n1, r.reals.data()); break;
        case long_array: r.status = scan("%,#ld", &r.n1, r.longs.data()); break;
        case two_texts: r.status = scan("%#s%#s", &r.n1, r.t1.data(), &r.n2, r.t2.data()); break;
        case block: r.status = scan("%#b", &r.n1, r.t1.data()); break;
        case short_block_le: r.status = scan("%#!olhb", &r.n1, r.shorts.data()); break;
        case rest: r.status = scan("%#t", &r.n1, r.t1.data()); break;
        case two_lines: r.status = scan("%#T%#T", &r.n1, r.t1.data(), &r.n2, r.t2.data()); break;
        case mixed: r.status = scan("%d,%lf;%#s", &r.i1, r.reals.data(), &r.n1, r.t1.data()); break;
        case set_and_count: r.status = scan("%63[^,],%*d%n", r.t1.data(), &r.i1); break;
        case raw: r.n1 = 5; r.status = scan("%#hy", &r.n1, r.shorts.data()); break;
        case bases: r.status = scan("%x %o %i", &r.i1, &r.i2, &r.i3); break;
        case wide_reals: r.status = scan("%,3Lf", r.wide); break;
        case chars: r.status = scan("%16c", r.t1.data()); break;
        case space_then_word: r.status = scan("%*[ \t]%5s", r.t1.data()); break;
        default: break;
    }
    return r;
}

// Texts stay in their buffers, terminated where the conversion terminates them.
void check_bounds(int which, const Result& r) {
    check(r.status == VI_SUCCESS || r.status == VI_ERROR_INV_FMT || r.status == VI_ERROR_TMO);
    check(r.n1 >= 0 && r.n1 <= static_cast<ViInt32>(kCap) && r.n2 >= 0 &&
          r.n2 <= static_cast<ViInt32>(kCap));
    check(r.t1.size() == kCap + 1 && r.t2.size() == kCap + 1);
    if (r.status != VI_SUCCESS) return;
    switch (which) {
        case two_texts: case two_lines:
            check(r.t2[static_cast<std::size_t>(r.n2)] == '\0');
            [[fallthrough]];
        case rest: case mixed:
            check(r.n1 < static_cast<ViInt32>(kCap));
            check(r.t1[static_cast<std::size_t>(r.n1)] == '\0');
            break;
        case set_and_count: check(std::memchr(r.t1.data(), '\0', 64) != nullptr); break;
        case chars: check(r.t1[16] == '\x7f'); break;
        case space_then_word: check(std::memchr(r.t1.data(), '\0', 6) != nullptr); break;
        case raw: check(r.n1 == 5); break;
        default: break;
    }
}

ViStatus print_engine(PrintTarget* t, const char* fmt, ...) {
    VaArgs args;
    va_start(args.ap, fmt);
    const ViStatus st = format_print(*t, fmt, args);
    va_end(args.ap);
    return st;
}

// Prints `fmt` with the arguments, once into memory and once through a write buffer that
// sends when it holds `full_at` bytes and at each newline: the same bytes either way.
template <class... A>
std::string print(std::size_t full_at, const char* fmt, A... a) {
    std::string plain;
    PrintTarget memory{plain, nullptr, 0};
    check(print_engine(&memory, fmt, a...) == VI_SUCCESS);
    std::string buffer, sent;
    int ends = 0;
    PrintTarget device{buffer,
                       [&](bool end) {
                           check(buffer.size() > 0 || end);
                           sent += buffer;
                           buffer.clear();
                           ends += end ? 1 : 0;
                           return VI_SUCCESS;
                       },
                       full_at};
    check(print_engine(&device, fmt, a...) == VI_SUCCESS);
    check(sent + buffer == plain);
    check(full_at == 0 || buffer.size() < full_at || plain.empty());
    return plain;
}

Result rescan(int which, const std::string& text) {
    FormatBuffers b;
    b.rd = text;
    b.rd_end = true;
    ScanInput in(b, nullptr);
    return scan_case(which, [&](const char* fmt, auto... a) { return scan_engine(&in, fmt, a...); });
}

bool finite(const std::vector<double>& v, ViInt32 n) {
    for (ViInt32 i = 0; i < n; ++i)
        if (!std::isfinite(v[static_cast<std::size_t>(i)])) return false;
    return true;
}

// What was scanned, printed with the matching write format, scans back the same.
void check_round_trip(int which, const Result& r, std::size_t full_at) {
    if (r.status != VI_SUCCESS) return;
    std::string text;
    switch (which) {
        case real_array: {
            if (r.n1 == 0 || !finite(r.reals, r.n1)) return;
            text = print(full_at, "%.17,*lg\n", static_cast<int>(r.n1), r.reals.data());
            const Result back = rescan(which, text);
            check(back.status == VI_SUCCESS && back.n1 == r.n1);
            for (ViInt32 i = 0; i < r.n1; ++i) check(back.reals[i] == r.reals[i]);
            return;
        }
        case long_array: {
            if (r.n1 == 0) return;
            text = print(full_at, "%,*ld\n", static_cast<int>(r.n1), r.longs.data());
            const Result back = rescan(which, text);
            check(back.status == VI_SUCCESS && back.n1 == r.n1);
            check(std::equal(r.longs.begin(), r.longs.begin() + r.n1, back.longs.begin()));
            return;
        }
        case block: case short_block_le: {
            const bool bytes = which == block;
            text = bytes ? print(full_at, "%*b\n", static_cast<int>(r.n1), r.t1.data())
                         : print(full_at, "%*!olhb\n", static_cast<int>(r.n1), r.shorts.data());
            const Result back = rescan(which, text);
            check(back.status == VI_SUCCESS && back.n1 == r.n1);
            if (bytes) check(std::equal(r.t1.begin(), r.t1.begin() + r.n1, back.t1.begin()));
            else check(std::equal(r.shorts.begin(), r.shorts.begin() + r.n1, back.shorts.begin()));
            return;
        }
        case two_texts: {
            if (std::strlen(r.t1.c_str()) != static_cast<std::size_t>(r.n1) ||
                std::strlen(r.t2.c_str()) != static_cast<std::size_t>(r.n2))
                return;  // a text holding NUL prints only up to it
            text = print(full_at, "%s %s\n", r.t1.c_str(), r.t2.c_str());
            const Result back = rescan(which, text);
            check(back.status == VI_SUCCESS && back.t1 == r.t1 && back.t2 == r.t2);
            return;
        }
        case bases: {
            text = print(full_at, "%#x %#o %d", r.i1, r.i2, r.i3);
            const Result back = rescan(which, text);
            check(back.status == VI_SUCCESS && back.i1 == r.i1 && back.i2 == r.i2 &&
                  back.i3 == r.i3);
            return;
        }
        default: return;
    }
}

// Any read format: each argument (a directive takes two at most) is a buffer of its own,
// room enough for what the longest input can fill it with.
constexpr std::size_t kArgs = 20, kArgBytes = 16 * 8192 + 64, kSeen = 256;
constexpr int kMaxDirectives = 8;

struct FreeResult {
    ViStatus status = 0;
    long consumed = 0;
    std::vector<std::string> seen;  // the first bytes of each argument
    bool operator==(const FreeResult&) const = default;
};

FreeResult scan_free(const std::string& fmt, ScanInput& in) {
    static std::vector<std::vector<unsigned char>> arg(kArgs, std::vector<unsigned char>(kArgBytes));
    void* p[kArgs];
    for (std::size_t k = 0; k < kArgs; ++k) {
        std::memset(arg[k].data(), 0, kSeen);
        const ViInt32 count = 16;
        std::memcpy(arg[k].data(), &count, sizeof count);
        p[k] = arg[k].data();
    }
    FreeResult r;
    r.status = scan_engine(&in, fmt.c_str(), p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8],
                           p[9], p[10], p[11], p[12], p[13], p[14], p[15], p[16], p[17], p[18],
                           p[19]);
    r.consumed = in.consumed();
    for (const auto& a : arg) r.seen.emplace_back(a.begin(), a.begin() + kSeen);
    return r;
}

std::vector<std::string> split_messages(std::string_view bytes) {
    std::vector<std::string> out;
    for (std::size_t start = 0;;) {
        const auto cut = bytes.find(kSeparator, start);
        out.emplace_back(bytes.substr(start, cut - start));
        if (cut == std::string_view::npos) return out;
        start = cut + 1;
    }
}

ViSession session() {
    static const ViSession vi = [] {
        ViSession rm = 0, s = 0;
        check(viOpenDefaultRM(&rm) == VI_SUCCESS);
        check(viOpen(rm, "VXI0::24::INSTR", VI_NULL, VI_NULL, &s) == VI_SUCCESS);
        return s;
    }();
    return vi;
}

}  // namespace

// A read format from the input, scanned in pieces and whole: the same either way.
void free_format(std::size_t piece, std::string_view bytes) {
    const auto nul = bytes.find('\0');
    if (nul == std::string_view::npos || nul > 64) return;
    const std::string fmt(bytes.substr(0, nul));
    if (std::count(fmt.begin(), fmt.end(), '%') > kMaxDirectives) return;
    const auto from_device = [&](std::size_t piece_size) {
        Device dev{split_messages(bytes.substr(nul + 1)),
                   piece_size == 0 ? std::string::npos : piece_size};
        FormatBuffers b;
        ScanInput in(b, [&](std::string& more, bool& end) { return dev.fill(more, end); });
        return scan_free(fmt, in);
    };
    const FreeResult r = from_device(piece);
    check(r.status == VI_SUCCESS || r.status == VI_ERROR_INV_FMT || r.status == VI_ERROR_TMO);
    check(r.consumed >= 0 && static_cast<std::size_t>(r.consumed) < bytes.size());
    check(from_device(0) == r);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int which = data[0] % (case_count + 1);
    const std::size_t piece = data[1] % 17;  // 0: each message in one piece
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    if (which == case_count) {
        free_format(piece, bytes);
        return 0;
    }

    // As viScanf reads a device, and again in one piece each.
    const auto from_device = [&](std::size_t piece_size) {
        Device dev{split_messages(bytes), piece_size == 0 ? std::string::npos : piece_size};
        FormatBuffers b;
        ScanInput in(b, [&](std::string& more, bool& end) { return dev.fill(more, end); });
        Result r = scan_case(which, [&](const char* fmt, auto... a) { return scan_engine(&in, fmt, a...); });
        check(in.consumed() >= 0 && static_cast<std::size_t>(in.consumed()) <= bytes.size());
        return r;
    };
    const Result device = from_device(piece);
    check_bounds(which, device);
    check(from_device(0) == device);

    const std::vector<std::string> messages = split_messages(bytes);
    const std::string& first = messages.front();
    if (which == rest && device.status == VI_SUCCESS) {
        const std::size_t n = std::min(first.size(), kCap - 1);
        check(device.n1 == static_cast<ViInt32>(n) && device.t1.compare(0, n, first, 0, n) == 0);
    }
    if (which == two_lines && device.status == VI_SUCCESS) {
        const auto newline = first.find('\n');
        const std::size_t line = newline == std::string::npos ? first.size() : newline + 1;
        const std::size_t n = std::min(line, kCap - 1);
        check(device.n1 == static_cast<ViInt32>(n) && device.t1.compare(0, n, first, 0, n) == 0);
    }

    // viSScanf on the first message; with only one message and no NUL it reads what a device
    // read would.
    if (first.find('\0') == std::string::npos) {
        const ViSession vi = session();
        const Result text = scan_case(which, [&](const char* fmt, auto... a) {
            return viSScanf(vi, reinterpret_cast<ViConstBuf>(first.c_str()), fmt, a...);
        });
        check_bounds(which, text);
        if (messages.size() == 1 && text.status != VI_ERROR_TMO && device.status != VI_ERROR_TMO)
            check(text == device);
    }
    check_round_trip(which, device, piece == 0 ? 0 : piece + 3);
    return 0;
}
