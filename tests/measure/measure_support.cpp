#include "measure_support.hpp"

#include <cstdio>

namespace mtest {

std::vector<std::string>& calls() {
    static std::vector<std::string> log;
    return log;
}
Reported& reported() {
    static Reported r;
    return r;
}

namespace {

ViStatus log(const char* op, const char* fmt = "", double a = 0, double b = 0) {
    char text[128];
    std::snprintf(text, sizeof text, fmt, a, b);
    calls().push_back(std::string(op) + (*text ? " " : "") + text);
    return 0;
}

}  // namespace

int count_calls(const std::string& prefix) {
    int n = 0;
    for (const auto& c : calls())
        if (c.rfind(prefix, 0) == 0) ++n;
    return n;
}
bool called(const std::string& prefix) {
    return count_calls(prefix) > 0;
}

#define STAND_IN_PLAIN(op) gu::vo_##op = +[](ViSession) -> ViStatus { return log(#op); };
#define STAND_IN_RANGE(op)                                                                       \
    gu::vo_##op =                                                                                \
        +[](ViSession, ViBoolean a, ViReal64 v) -> ViStatus { return log(#op, "%g %g", a, v); }; \
    gu::vo_##op##_Q = +[](ViSession, ViPBoolean a, ViPReal64 v) -> ViStatus {                    \
        log(#op "_Q");                                                                           \
        if (reported().status == 0) *a = reported().auto_range, *v = reported().value;           \
        return reported().status;                                                                \
    };
#define STAND_IN_VALUE(op) \
    gu::vo_##op = +[](ViSession, ViReal64 v) -> ViStatus { return log(#op, "%g", v); };
#define STAND_IN_QUERY(op)                                  \
    gu::vo_##op = +[](ViSession, ViPReal64 v) -> ViStatus { \
        log(#op);                                           \
        if (reported().status == 0) *v = reported().value;  \
        return reported().status;                           \
    };

void go_live_on_stand_ins() {
    calls().clear();
    uirt::test::clear_popups();
    STAND_IN_PLAIN(confFreq)
    STAND_IN_PLAIN(confPer)
    STAND_IN_PLAIN(confFres) STAND_IN_PLAIN(confRes) STAND_IN_PLAIN(confVoltAc) STAND_IN_PLAIN(
        confVoltDc) STAND_IN_PLAIN(confCurrAc) STAND_IN_PLAIN(confCurrDc)
        STAND_IN_PLAIN(confVoltDcRat) STAND_IN_PLAIN(initImm) STAND_IN_PLAIN(trg) STAND_IN_PLAIN(
            dcl) STAND_IN_PLAIN(abor) STAND_IN_RANGE(voltDcRang) STAND_IN_RANGE(voltAcRang)
            STAND_IN_RANGE(freqVoltRang) STAND_IN_RANGE(perVoltRang) STAND_IN_RANGE(currDcRang)
                STAND_IN_RANGE(currAcRang) STAND_IN_RANGE(resRang) STAND_IN_VALUE(voltDcRes)
                    STAND_IN_VALUE(voltAcRes) STAND_IN_VALUE(currDcRes) STAND_IN_VALUE(currAcRes)
                        STAND_IN_VALUE(resRes) STAND_IN_QUERY(voltDcRes_Q) STAND_IN_QUERY(
                            voltAcRes_Q) STAND_IN_QUERY(resRes_Q) STAND_IN_VALUE(voltDcAper)
                            STAND_IN_VALUE(voltAcAper) STAND_IN_VALUE(resAper) STAND_IN_VALUE(
                                currDcAper) STAND_IN_VALUE(freqAper) STAND_IN_VALUE(perAper)
                                STAND_IN_VALUE(voltDcNplc) STAND_IN_VALUE(voltAcNplc)
                                    STAND_IN_VALUE(resNplc) STAND_IN_VALUE(currDcNplc)
                                        STAND_IN_QUERY(voltDcAper_Q) STAND_IN_QUERY(voltAcAper_Q)
                                            STAND_IN_QUERY(resAper_Q) STAND_IN_QUERY(currDcAper_Q)
                                                STAND_IN_QUERY(freqAper_Q) STAND_IN_QUERY(perAper_Q)
                                                    gu::vo_trigDel = +[](ViSession, ViBoolean a,
                                                                         ViReal64 d) -> ViStatus {
        return log("trigDel", "%g %g", a, d);
    };
    STAND_IN_QUERY(voltDcNplc_Q) STAND_IN_QUERY(voltAcNplc_Q) STAND_IN_QUERY(resNplc_Q)
    STAND_IN_QUERY(currDcNplc_Q) STAND_IN_QUERY(currDcRes_Q) STAND_IN_QUERY(currAcRes_Q)
    gu::vo_trigDel_Q =
        +[](ViSession, ViPBoolean, ViPReal64) -> ViStatus { return log("trigDel_Q"); };
    gu::vo_errorQueryDetect =
        +[](ViSession, ViBoolean on) -> ViStatus { return log("errorQueryDetect", "%g", on); };
    // A driver that writes at most *count readings, as the real one does.
    gu::vo_timedFetch_Q = +[](ViSession, ViInt32 ms, ViReal64 buf[], ViPInt32 n) -> ViStatus {
        log("timedFetch_Q", "%g %g", ms, *n);
        Reported& r = reported();
        if (r.fetch_status != 0 && r.failing_fetches != 0) {
            if (r.failing_fetches > 0) --r.failing_fetches;
            *n = 0;
            return r.fetch_status;
        }
        if (r.available >= 0 && r.available < *n) *n = r.available;
        for (ViInt32 i = 0; i < *n; ++i) buf[i] = r.reading;
        return 0;
    };
    gu::vo_fetc_Q = +[](ViSession, ViReal64 buf[], ViPInt32 n) -> ViStatus {
        log("fetc_Q", "%g", *n);
        for (ViInt32 i = 0; i < *n; ++i) buf[i] = reported().reading;
        return 0;
    };
    gu::vo_readStatusByte = +[](ViSession, ViPUInt16 stb) -> ViStatus {
        log("readStatusByte");
        int& left = reported().stb_polls_before_mav;
        *stb = left == 0 ? 0x10 : 0;
        if (left > 0) --left;
        return 0;
    };
    gu::livemode = 1;
}

std::vector<uirt::test::Popup> popups_titled(const std::string& title) {
    std::vector<uirt::test::Popup> out;
    for (const auto& p : uirt::test::popups())
        if (p.title == title) out.push_back(p);
    return out;
}
bool dimmed(int panel, int ctrl) {
    int v = 0;
    uirt::GetCtrlAttribute(panel, ctrl, uirt::ATTR_DIMMED, &v);
    return v != 0;
}
bool visible(int panel, int ctrl) {
    int v = 0;
    uirt::GetCtrlAttribute(panel, ctrl, uirt::ATTR_CTRL_VISIBLE, &v);
    return v != 0;
}
int get_int(gu::Handler widget) {
    int v = 0;
    widget(0, gu::MSG_GET, &v);
    return v;
}
void set_int(gu::Handler widget, int value) {
    widget(0, gu::MSG_SET, &value);
}
bool idle_times(int n) {
    for (int i = 0; i < n; ++i)
        if (!uirt::test::idle()) return false;
    return true;
}

}  // namespace mtest
