// Status byte, the questionable condition and event registers, and their buttons.
#include <array>
#include <cstddef>
#include <cstdio>

#include "setting.hpp"

namespace gu {

namespace {
struct Register {
    const char* name;
    ViInt32 code;  // the driver's register selector
    bool event;    // event register (else condition register)
};
constexpr std::array<Register, 10> REGISTERS{{
    {"CondVolt", 401, false},
    {"CondCurr", 402, false},
    {"CondResist", 410, false},
    {"CondLimLo", 412, false},
    {"CondLimHi", 413, false},
    {"EventVolt", 401, true},
    {"EventCurr", 402, true},
    {"EventResist", 410, true},
    {"EventLimLo", 412, true},
    {"EventLimHi", 413, true},
}};

// A condition or event indicator; the driver's status is not examined.
template <std::size_t I>
int status_register(int panel, int msg, void* data) {
    constexpr Register reg = REGISTERS[I];
    static Widget<int> w{reg.name, Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            w.value = w.def;  // the control is not updated
            return 0;
        case MSG_QUERY:
            if (livemode) {
                w.value = 0;
                ViInt32 bit = 0;
                (reg.event ? vo_statEven_Q : vo_statCond_Q)(instr_session, reg.code, &bit);
                w.value = bit;
            }
            w.show();
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

// The event indicators bound by ReadStatus, with their controls on its panel; also the
// order in which Read Status re-reads them.
struct RegisterControl {
    Handler widget;
    int ctrl;
};
constexpr std::array<RegisterControl, 5> EVENT_CONTROLS{{
    {EventVolt, 13},
    {EventResist, 10},
    {EventCurr, 12},
    {EventLimLo, 11},
    {EventLimHi, 9},
}};

// The condition indicators, the row above the events on the same panel.
constexpr std::array<RegisterControl, 5> CONDITION_CONTROLS{{
    {CondVolt, 15},
    {CondCurr, 16},
    {CondResist, 17},
    {CondLimLo, 18},
    {CondLimHi, 19},
}};

void query(Handler widget, int panel) {
    int value = 0;
    widget(panel, MSG_QUERY, &value);
}

// Every event row, then every condition row, from the instrument.
void read_rows(int panel) {
    for (const RegisterControl& e : EVENT_CONTROLS) query(e.widget, panel);
    for (const RegisterControl& c : CONDITION_CONTROLS) query(c.widget, panel);
}
}  // namespace

int CondVolt(int panel, int msg, void* data) {
    return status_register<0>(panel, msg, data);
}
int CondCurr(int panel, int msg, void* data) {
    return status_register<1>(panel, msg, data);
}
int CondResist(int panel, int msg, void* data) {
    return status_register<2>(panel, msg, data);
}
int CondLimLo(int panel, int msg, void* data) {
    return status_register<3>(panel, msg, data);
}
int CondLimHi(int panel, int msg, void* data) {
    return status_register<4>(panel, msg, data);
}
int EventVolt(int panel, int msg, void* data) {
    return status_register<5>(panel, msg, data);
}
int EventCurr(int panel, int msg, void* data) {
    return status_register<6>(panel, msg, data);
}
int EventResist(int panel, int msg, void* data) {
    return status_register<7>(panel, msg, data);
}
int EventLimLo(int panel, int msg, void* data) {
    return status_register<8>(panel, msg, data);
}
int EventLimHi(int panel, int msg, void* data) {
    return status_register<9>(panel, msg, data);
}

int StatusByte(int panel, int msg, void* data) {
    static Widget<int> w{"StatusByte", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    if (msg == MSG_QUERY) {
        if (livemode) {
            w.value = 0;
            ViUInt16 stb = 0;
            if (drv_call("vo_readStatusByte", vo_readStatusByte, &stb) == 0) w.value = stb;
        }
        w.show();
        w.get(data);
        return 0;
    }
    return w.common(panel, msg, data);
}

int ReadStatus(int panel, int msg, void* data) {
    static Widget<int> w{"ReadStatus", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_INIT:
            w.init(panel, data);
            for (auto [widget, ctrl] : EVENT_CONTROLS) widget(panel, MSG_INIT, &ctrl);
            for (auto [widget, ctrl] : CONDITION_CONTROLS) widget(panel, MSG_INIT, &ctrl);
            return 0;
        case MSG_COMMIT:
            read_rows(panel);
            return 0;
        case MSG_QUERY:
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

// Reads the error queue, which the clear would empty unseen, then clears the event
// registers and re-reads every row, so that none shows a bit the clear removed.
int ClearStatus(int panel, int msg, void* data) {
    static Widget<int> w{"ClearStatus", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    if (msg != MSG_COMMIT) return w.common(panel, msg, data);
    if (livemode) {
        show_queued_errors(panel);
        const int status = vo_statEvenClr(instr_session);  // kept local
        if (status != 0) display_error(instr_session, status, "vo_statEvenClr");
    }
    read_rows(panel);
    return 0;
}

int CloseBtn(int panel, int msg, void* data) {
    static Widget<int> w{"CloseBtn", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    if (msg == MSG_COMMIT) {
        quit_sequence();
        return 0;
    }
    return w.common(panel, msg, data);
}

// A display without instrument I/O.
int Stb(int panel, int msg, void* data) {
    static Widget<int> w{"Stb", Answers{MSG_ENABLE}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_INIT:
            w.init(panel, data);
            w.format(uirt::VAL_SCIENTIFIC_FORMAT, 1);
            return 0;
        case MSG_DEFAULT:
            w.reset();
            w.enable(true);
            return 0;
    }
    return w.common(panel, msg, data);
}

// A button that takes Stb's value as its own.
int GetStatus(int panel, int msg, void* data) {
    static Widget<int> w{"GetStatus", Answers{MSG_ENABLE}, 0};
    if (!w.accepts(msg)) return -1;
    switch (msg) {
        case MSG_DEFAULT:
            w.value = w.def;
            w.enable(true);
            return 0;
        case MSG_COMMIT:
            Stb(panel, MSG_QUERY, &w.value);
            return 0;
        case MSG_QUERY:
            w.get(data);
            return 0;
    }
    return w.common(panel, msg, data);
}

int StatusRemember(int, int) {
    return 0;
}

// The instrument's operation-complete state. It may be asked while a measurement is
// pending, so `measuring` is clear for the length of this query only.
int OpcQuery(int panel, int msg, void* data) {
    static Widget<int> w{"OpcQuery", Answers{}, 0};
    if (!w.answers(msg)) {
        std::printf("invalid msg in OpcQuery %d\n", msg);
        std::fflush(stdout);
        return -1;
    }
    if (msg == MSG_QUERY) {
        const int was_measuring = measuring;
        measuring = 0;
        query_cleared<ViBoolean>("vo_opc_Q", vo_opc_Q, w.value);
        measuring = was_measuring;
        w.show();
        w.get(data);
        return 0;
    }
    return w.common(panel, msg, data);
}

}  // namespace gu
