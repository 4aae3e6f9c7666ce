// The setting-widget protocol: message numbers, the range of messages a handler answers
// with its diagnostic, the control binding, driver calls through the live-mode rule, and
// the value plumbing that every widget shares. A widget's handler keeps one static
// Widget<> and writes out only what makes it special.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "driver_table.hpp"
#include "globals.hpp"
#include "uirt.hpp"

namespace gu {

enum Msg : int {
    MSG_INIT = 1,
    MSG_DEFAULT = 2,
    MSG_COMMIT = 3,
    MSG_QUERY = 4,
    MSG_SET = 5,
    MSG_GET = 6,
    MSG_GET_CTRL = 7,
    MSG_GET_PANEL = 8,
    MSG_ENABLE = 9,
    MSG_FILL_LIST = 10,
    MSG_UNITS = 11,
    MSG_CLEAR = 12,
    MSG_FINISH = 13,
    MSG_SHOW = 14,
};

// A widget handler: answers numbered messages; 0, or -1 for a message it does not answer.
using Handler = int (*)(int panel, int msg, void* data);

constexpr std::uint32_t msg_set(std::initializer_list<int> msgs) {
    std::uint32_t bits = 0;
    for (int m : msgs) bits |= 1u << m;
    return bits;
}

// The messages a handler answers: 1 to `last`, plus `extra`, less `outside`.
struct Answers {
    int last = MSG_GET_PANEL;
    std::uint32_t outside = 0;
    std::uint32_t extra = 0;
    constexpr bool operator()(int msg) const {
        if (msg < 1 || msg > 31) return false;
        const std::uint32_t bit = 1u << msg;
        if (outside & bit) return false;
        return msg <= last || (extra & bit);
    }
};

// Prints "invalid msg in <label>: <msg>" on standard output and returns -1.
int invalid_msg(std::string_view label, int msg);

// Error report of a failed driver call (defined with the error reporting).
int display_error(ViSession session, int status, const char* name);

// What one user action sets off (a callback, an idle event, start-up's loading of the
// settings): the first failure it reports is shown once it ends, with the count of the
// others ("and N more"). Nests.
class UserAction {
public:
    UserAction();
    ~UserAction();
    UserAction(const UserAction&) = delete;
    UserAction& operator=(const UserAction&) = delete;
};

// A driver call through the live-mode rule: only while live, the status goes to
// drv_status and a failure is reported under `label`. Returns the status (0 when not live).
template <class Fn, class... Args>
int drv_call(const char* label, Fn fn, Args... args) {
    if (!livemode) return 0;
    drv_status = fn(instr_session, args...);
    if (drv_status != 0) display_error(instr_session, drv_status, label);
    return drv_status;
}

// The same call, reporting nothing: for the calls whose status the callers ignore.
template <class Fn, class... Args>
int drv_call_quiet(Fn fn, Args... args) {
    if (!livemode) return 0;
    return fn(instr_session, args...);
}

// Panel and control a widget shows itself on (0 and 0 until MSG_INIT).
struct Binding {
    int panel = 0;
    int ctrl = 0;

    void init(int p, const void* data) {
        panel = p;
        ctrl = data ? *static_cast<const int*>(data) : 0;
    }
    template <class V>
    void attr(int attribute, V value) const {
        uirt::SetCtrlAttribute(panel, ctrl, attribute, value);
    }
    void enable(const void* data) const {
        const int on = data ? *static_cast<const int*>(data) : 0;
        attr(uirt::ATTR_DIMMED, on == 0 ? 1 : 0);
    }
    void enable(bool on) const { attr(uirt::ATTR_DIMMED, on ? 0 : 1); }
    void visible(int on) const { attr(uirt::ATTR_CTRL_VISIBLE, on ? 1 : 0); }
    void visible(const void* data) const { visible(data ? *static_cast<const int*>(data) : 0); }
    void switch_texts(const char* off, const char* on) const {
        attr(uirt::ATTR_OFF_TEXT, off);
        attr(uirt::ATTR_ON_TEXT, on);
    }
    void format(int code, int precision) const {
        attr(uirt::ATTR_FORMAT, code);
        attr(uirt::ATTR_PRECISION, precision);
    }
};

// The common parts of a widget with a numeric value.
//   T: the value the widget keeps; D: the type `data` points to; C: the control's type.
template <class T, class D = T, class C = T>
struct Widget : Binding {
    std::string_view label;  // handler name as the diagnostic prints it
    Answers answers;
    T def{};
    T value = def;

    constexpr Widget(std::string_view name, Answers range, T default_value)
        : label(name), answers(range), def(default_value), value(default_value) {}

    // False (after the diagnostic) for a message the handler does not answer.
    bool accepts(int msg) const {
        if (answers(msg)) return true;
        invalid_msg(label, msg);
        return false;
    }
    void show() const { uirt::SetCtrlVal(panel, ctrl, static_cast<C>(value)); }
    void read() {
        C v{};
        uirt::GetCtrlVal(panel, ctrl, &v);
        value = static_cast<T>(v);  // a double into an int setting truncates toward zero
    }
    void set(const void* data) {
        if (data) value = static_cast<T>(*static_cast<const D*>(data));
        show();
    }
    void get(void* data) const {
        if (data) *static_cast<D*>(data) = static_cast<D>(value);
    }
    void reset() {
        value = def;
        show();
    }

    // The plain pattern: what a message does when the widget has nothing special to do.
    int common(int panel_arg, int msg, void* data) {
        switch (msg) {
            case MSG_INIT: init(panel_arg, data); break;
            case MSG_DEFAULT: reset(); break;
            case MSG_COMMIT: read(); break;
            case MSG_QUERY: show(); get(data); break;
            case MSG_SET: set(data); break;
            case MSG_GET: get(data); break;
            case MSG_GET_CTRL: if (data) *static_cast<int*>(data) = ctrl; break;
            case MSG_GET_PANEL: if (data) *static_cast<int*>(data) = panel; break;
            case MSG_ENABLE: enable(data); break;
            case MSG_SHOW: visible(data); break;
            default: break;  // answered, no effect
        }
        return 0;
    }
};

// A widget whose value is a text of at most NAME_SIZE - 1 characters.
struct TextWidget : Binding {
    std::string_view label;
    Answers answers;
    const char* def = "";
    Name value{};

    TextWidget(std::string_view name, Answers range, const char* default_value)
        : label(name), answers(range), def(default_value) {
        assign(default_value);
    }
    bool accepts(int msg) const {
        if (answers(msg)) return true;
        invalid_msg(label, msg);
        return false;
    }
    // Copies at most NAME_SIZE - 1 characters and terminates.
    void assign(const char* text) {
        value.fill('\0');
        if (text) std::memcpy(value.data(), text, ::strnlen(text, value.size() - 1));
    }
    void show() const { uirt::SetCtrlVal(panel, ctrl, value.data()); }
    void read() {
        uirt::GetCtrlVal(panel, ctrl, value.data(), value.size());
        value.back() = '\0';
    }
    void set(const void* data) {
        if (data) assign(static_cast<const char*>(data));
        show();
    }
    // `data` must hold NAME_SIZE characters.
    void get(void* data) const {
        if (data) std::memcpy(data, value.data(), value.size());
    }
    void reset() {
        assign(def);
        show();
    }
    int common(int panel_arg, int msg, void* data) {
        switch (msg) {
            case MSG_INIT: init(panel_arg, data); break;
            case MSG_DEFAULT: reset(); break;
            case MSG_COMMIT: read(); break;
            case MSG_QUERY: show(); get(data); break;
            case MSG_SET: set(data); break;
            case MSG_GET: get(data); break;
            case MSG_GET_CTRL: if (data) *static_cast<int*>(data) = ctrl; break;
            case MSG_GET_PANEL: if (data) *static_cast<int*>(data) = panel; break;
            case MSG_ENABLE: enable(data); break;
            case MSG_SHOW: visible(data); break;
            default: break;
        }
        return 0;
    }
};

// Save-and-restore of a group of widgets for a panel's Cancel button. Values travel
// through MSG_GET / MSG_SET in a slot that holds any widget's data type (int or double).
template <std::size_t N>
struct Remembered {
    std::array<Handler, N> widgets;
    std::array<Handler, N> commits;  // null entries are restored but not committed
    struct Slot {
        alignas(double) unsigned char bytes[sizeof(double)];
    };
    std::array<Slot, N> saved{};

    void save(int panel) {
        for (std::size_t i = 0; i < N; ++i) widgets[i](panel, MSG_GET, saved[i].bytes);
    }
    void restore(int panel) {
        for (std::size_t i = 0; i < N; ++i) widgets[i](panel, MSG_SET, saved[i].bytes);
        for (std::size_t i = 0; i < N; ++i)
            if (commits[i]) commits[i](panel, MSG_COMMIT, nullptr);
    }
    // Mode MSG_GET saves; any other mode restores and re-sends.
    int run(int panel, int mode) {
        if (mode == MSG_GET) save(panel);
        else restore(panel);
        return 0;
    }
};

// Sends `msg` to each handler in order with the same data.
inline void send_all(std::initializer_list<Handler> handlers, int panel, int msg, void* data) {
    for (Handler h : handlers) h(panel, msg, data);
}

}  // namespace gu
