// Identification texts of the About panel. Their MSG_QUERY and MSG_GET write nothing to
// `data` (their callbacks pass a number's room).
#include <cstdio>
#include <cstring>

#include "setting.hpp"

namespace gu {

namespace {
constexpr const char* UNKNOWN = "?";

// The messages the three texts share; MSG_QUERY is each one's own.
int identification(TextWidget& w, int panel, int msg, void* data) {
    if (msg == MSG_GET) return 0;
    return w.common(panel, msg, data);
}
}  // namespace

// The instrument's revision; hands the driver's revision on to DLLVer.
int DriverVer(int panel, int msg, void* data) {
    static TextWidget w{"DriverVer", Answers{}, UNKNOWN};
    if (!w.accepts(msg)) return -1;
    if (msg != MSG_QUERY) return identification(w, panel, msg, data);
    char driver_rev[NAME_SIZE] = {};
    std::strcpy(driver_rev, UNKNOWN);
    if (livemode &&
        drv_call("vo_revision_query", vo_revision_query, driver_rev, w.value.data()) != 0)
        std::strcpy(driver_rev, UNKNOWN);
    w.value.back() = '\0';
    w.show();
    DLLVer(panel, MSG_SET, driver_rev);
    return 0;
}

// The driver's revision.
int DLLVer(int panel, int msg, void* data) {
    static TextWidget w{"DLLVer", Answers{}, UNKNOWN};
    if (!w.accepts(msg)) return -1;
    if (msg != MSG_QUERY) return identification(w, panel, msg, data);
    if (livemode) DriverVer(panel, MSG_QUERY, nullptr);
    w.show();
    return 0;
}

// The VISA version the resource implements, as major.minor.sub-minor in hexadecimal.
int VTLVer(int panel, int msg, void* data) {
    static TextWidget w{"VTLVer", Answers{}, UNKNOWN};
    if (!w.accepts(msg)) return -1;
    if (msg != MSG_QUERY) return identification(w, panel, msg, data);
    if (livemode && GetAttribute) {
        ViUInt32 v = 0;
        GetAttribute(instr_session, VI_ATTR_RSRC_SPEC_VERSION, &v);  // status not examined
        char major[12], minor[12], sub[12];
        std::snprintf(major, sizeof major, "%x", static_cast<unsigned>(v >> 20));
        std::snprintf(minor, sizeof minor, "%.2x", static_cast<unsigned>((v & 0xFFF00) >> 8));
        std::snprintf(sub, sizeof sub, "%.2x", static_cast<unsigned>(v & 0xFF));
        std::snprintf(w.value.data(), w.value.size(), "%s.%s.%s", major, minor, sub);
    }
    w.show();
    return 0;
}

int AboutGet(int panel) {
    DriverVer(panel, MSG_QUERY, nullptr);
    VTLVer(panel, MSG_QUERY, nullptr);
    return 0;
}

}  // namespace gu
