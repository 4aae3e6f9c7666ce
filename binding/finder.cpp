// The instrument finder: every VISA resource matching a pattern that is a Q7304A.
#include <cstring>
#include <string_view>

#include "widgets.hpp"

namespace gu {

namespace {

constexpr std::string_view IDN_QUERY = "*IDN?\n";
constexpr std::string_view IDN_PREFIX = "VANTREL-OSSMARK,Q7304";  // first 21 characters
constexpr ViUInt16 Q7304_MANF_ID = 0x0E5A;
constexpr ViUInt16 Q7304_MODEL_CODE = 0x02C1;
constexpr ViUInt32 REPLY_SIZE = 100;

bool failed(ViStatus status) {
    return status < VI_SUCCESS;
}

bool visa_bound() {
    return OpenDefaultRM && FindRsrc && FindNext && ViOpen && ViClose && ViRead && ViWrite &&
           GetAttribute;
}

// A plain GPIB device, or one on the LAN, matches by the start of its identification reply; a failed write or
// read, or a reply shorter than the prefix, is no match.
bool gpib_identifies(ViSession dev) {
    ViUInt32 written = 0;
    const auto* query = reinterpret_cast<ViConstBuf>(IDN_QUERY.data());
    if (failed(ViWrite(dev, query, static_cast<ViUInt32>(IDN_QUERY.size()), &written)))
        return false;
    unsigned char reply[REPLY_SIZE] = {};
    ViUInt32 got = 0;
    if (failed(ViRead(dev, reply, REPLY_SIZE, &got))) return false;
    return got >= IDN_PREFIX.size() &&
           std::memcmp(reply, IDN_PREFIX.data(), IDN_PREFIX.size()) == 0;
}

enum class Verdict { no_match, match, stop };

// VXI devices match by manufacturer number and model code; a failed read ends the search.
Verdict vxi_identifies(ViSession dev) {
    ViUInt16 manf = 0;
    ViUInt16 model = 0;
    if (failed(GetAttribute(dev, VI_ATTR_MANF_ID, &manf)) ||
        failed(GetAttribute(dev, VI_ATTR_MODEL_CODE, &model)))
        return Verdict::stop;
    return manf == Q7304_MANF_ID && model == Q7304_MODEL_CODE ? Verdict::match : Verdict::no_match;
}

// Opens the resource and tells whether it is the instrument; the session is closed again.
Verdict examine(ViSession rm, const char* name) {
    ViSession dev = 0;
    if (failed(ViOpen(rm, name, VI_NULL, 0, &dev))) return Verdict::no_match;
    ViUInt16 intf = 0;
    Verdict verdict = Verdict::no_match;
    if (!failed(GetAttribute(dev, VI_ATTR_INTF_TYPE, &intf))) {
        if (intf == VI_INTF_GPIB || intf == VI_INTF_TCPIP)
            verdict = gpib_identifies(dev) ? Verdict::match : Verdict::no_match;
        else if (intf == VI_INTF_VXI || intf == VI_INTF_GPIB_VXI)
            verdict = vxi_identifies(dev);
    }
    ViClose(dev);
    return verdict;
}

}  // namespace

ViStatus voex_findRsrc(ViInt16 max_count, char (*list)[NAME_SIZE], ViConstString pattern,
                       ViPInt16 count) {
    ViInt16 dummy = 0;
    if (count == nullptr) count = &dummy;
    *count = 0;
    ViSession rm = 0;
    if (!visa_bound() || failed(OpenDefaultRM(&rm))) return -1;
    ViFindList found = 0;
    ViUInt32 matched = 0;
    char name[VI_FIND_BUFLEN] = {};
    if (failed(FindRsrc(rm, pattern, &found, &matched, name))) {
        ViClose(rm);
        return -2;
    }
    ViStatus result = 0;
    for (ViUInt32 i = 0; i < matched; ++i) {
        if (i != 0 && failed(FindNext(found, name))) {
            result = -3;
            break;
        }
        const Verdict verdict = examine(rm, name);
        if (verdict == Verdict::stop) {
            result = i + 1 < matched ? -3 : 0;
            break;
        }
        // A name that does not fit an entry is skipped, never cut to another name.
        if (verdict != Verdict::match || std::strlen(name) >= NAME_SIZE) continue;
        if (*count >= max_count || list == nullptr) break;
        std::memcpy(list[*count], name, std::strlen(name) + 1);
        ++*count;
    }
    ViClose(rm);
    return result;
}

}  // namespace gu
