// Helpers of the settings-panel tests: the program with or without an instrument, what an
// action sent, and what a control shows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "program_harness.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

namespace paneltest {

inline constexpr const char* Q7304_AT_24 =
    "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 24\nslot = 3\nq7304 = yes\n";

// Runs the program with no instrument on the bus (live mode off), start-up pop-ups cleared.
inline void run_offline(const std::function<void()>& script) {
    gutest::use_bus("# an empty chassis\n");
    gutest::run_program([&] {
        uirt::test::clear_popups();
        script();
    });
}

// Runs the program with the Q7304A at 24 and `extra` bus lines; `trace` gets the trace path.
inline void run_live(const std::string& extra, std::string& trace,
                     const std::function<void()>& script) {
    gutest::use_bus(std::string(Q7304_AT_24) + extra);
    trace = gutest::use_trace();
    gutest::run_program([&] {
        if (gu::livemode != 1) {
            std::string shown;
            for (const auto& p : uirt::test::popups()) shown += p.title + ": " + p.text + "\n";
            ADD_FAILURE() << "the instrument was not opened\n" << shown;
            return;
        }
        uirt::test::clear_popups();
        script();
    });
}

// The commands the driver wrote while `action` ran.
inline std::vector<std::string> sent_by(const std::string& trace,
                                        const std::function<void()>& action) {
    const std::size_t first = gutest::trace_line_count(trace);
    action();
    return gutest::written_commands_since(trace, first);
}

inline bool has(const std::vector<std::string>& sent, const std::string& command) {
    return std::find(sent.begin(), sent.end(), command) != sent.end();
}

// Position of `command` in `sent`, or -1.
inline long position(const std::vector<std::string>& sent, const std::string& command) {
    const auto it = std::find(sent.begin(), sent.end(), command);
    return it == sent.end() ? -1 : it - sent.begin();
}

// Sent commands that start with `prefix`.
inline std::vector<std::string> starting(const std::vector<std::string>& sent,
                                         const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& s : sent)
        if (s.rfind(prefix, 0) == 0) out.push_back(s);
    return out;
}

template <class T>
T get(gu::Handler widget) {
    T value{};
    widget(0, gu::MSG_GET, &value);
    return value;
}

inline double ctrl_double(int panel, int ctrl) {
    double v = -12345.0;
    uirt::GetCtrlVal(panel, ctrl, &v);
    return v;
}
inline int ctrl_int(int panel, int ctrl) {
    int v = -12345;
    uirt::GetCtrlVal(panel, ctrl, &v);
    return v;
}
inline std::string ctrl_text(int panel, int ctrl) {
    char text[300] = {};
    uirt::GetCtrlVal(panel, ctrl, text, sizeof text);
    return text;
}
inline int ctrl_attr(int panel, int ctrl, int attribute) {
    int v = -1;
    uirt::GetCtrlAttribute(panel, ctrl, attribute, &v);
    return v;
}
inline std::string ctrl_attr_text(int panel, int ctrl, int attribute) {
    char text[300] = {};
    uirt::GetCtrlAttribute(panel, ctrl, attribute, text, sizeof text);
    return text;
}
inline bool dimmed(int panel, int ctrl) {
    return ctrl_attr(panel, ctrl, uirt::ATTR_DIMMED) == 1;
}
inline bool visible(int panel, int ctrl) {
    return ctrl_attr(panel, ctrl, uirt::ATTR_CTRL_VISIBLE) == 1;
}

inline std::vector<std::string> popup_titles() {
    std::vector<std::string> out;
    for (const auto& p : uirt::test::popups()) out.push_back(p.title);
    return out;
}

}  // namespace paneltest
