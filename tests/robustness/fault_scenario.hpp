// Helpers of the fault tests: the program over a Q7304A with fault lines, what an action
// sent, what was shown, and the check that the program still works after a fault.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "program_harness.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

namespace faulttest {

using Commands = std::vector<std::string>;

// Control ids of the resource file.
inline constexpr int RANGE = 3, READING = 4, FUNCTION = 6, GRAPH = 8, SAMPLE_COUNT = 11,
                     ABORT2 = 12;                      // main panel
inline constexpr int TRIG_SOURCE = 2, TRIG_COUNT = 3;  // trigger panel
inline constexpr int ALL_TRIGGERS = 2, FETCH = 4;      // trigger-wait panel
inline constexpr int TIMEOUT = 2;                      // configuration panel
inline constexpr int ERROR_VAL = 2, ERROR_MSG = 3, ERROR_BTN = 5, STATUS_BYTE = 7;  // status
inline constexpr int MENU_SYNC = 2, MENU_AUTO_UPDATE = 3, MENU_EXIT = 13;
inline constexpr int SOURCE_BUS = 0, SOURCE_IMMEDIATE = 2;  // trigger source ring items

inline constexpr int IO_ERROR = static_cast<int>(0xBFFF003E);  // VI_ERROR_IO
inline constexpr const char* IO_ERROR_TEXT =
    "Error -1073807298: Could not perform operation because of I/O error.";

// A Q7304A measuring 1.5 V DC, then the fault lines.
inline std::string bus_with(const std::string& faults) {
    return "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
           "logical_address = 24\nslot = 3\nq7304 = yes\ninput.volt_dc = 1.5\n" +
           faults;
}

enum class Start { quiet, reported };  // whether the fault may strike during start-up

// Runs the program live over the faulty bus; the script starts with no pop-up recorded.
// Fails the test when start-up did not open the instrument, or reported anything when
// it is meant to be quiet (the fault is to strike later).
inline int run_live(const std::string& faults, std::string& trace,
                    const std::function<void()>& script, Start start = Start::quiet) {
    gutest::use_bus(bus_with(faults));
    trace = gutest::use_trace();
    return gutest::run_program([&] {
        std::string shown;
        for (const auto& p : uirt::test::popups()) shown += p.title + ": " + p.text + "\n";
        if (gu::livemode != 1 || (start == Start::quiet && !shown.empty())) {
            ADD_FAILURE() << "start-up did not end live and quiet\n" << shown;
            return;
        }
        uirt::test::clear_popups();
        script();
    });
}

// The commands the driver wrote while `action` ran.
inline Commands sent_by(const std::string& trace, const std::function<void()>& action) {
    const std::size_t first = gutest::trace_line_count(trace);
    action();
    return gutest::written_commands_since(trace, first);
}

// Trace lines of VISA calls named `call` written while `action` ran.
std::vector<std::string> calls_by(const std::string& trace, const std::string& call,
                                  const std::function<void()>& action);

struct Shown {
    std::string title;
    std::string text;
    bool operator==(const Shown&) const = default;
};
inline void PrintTo(const Shown& s, std::ostream* os) {
    *os << '"' << s.title << ": " << s.text << '"';
}
std::vector<Shown> shown();  // pop-ups since the last clear
// Pop-ups shown while `action` ran.
std::vector<Shown> shown_by(const std::function<void()>& action);

// Pop-ups shown and commands written while a control of the main panel is clicked.
inline std::pair<std::vector<Shown>, Commands> click_main(const std::string& trace, int control) {
    Commands sent;
    auto popups = shown_by(
        [&] { sent = sent_by(trace, [control] { uirt::test::click(gu::main_panel, control); }); });
    return {std::move(popups), std::move(sent)};
}

inline bool abort_button_shown() {
    int on = 0;
    uirt::GetCtrlAttribute(gu::main_panel, ABORT2, uirt::ATTR_CTRL_VISIBLE, &on);
    return on != 0;
}
inline double reading() {
    double v = 0;
    gu::Reading(0, gu::MSG_GET, &v);
    return v;
}
// Points of the last plot on the graph.
std::vector<double> plotted();
// `n` values, each within the instrument's noise of `expected`.
bool all_near(const std::vector<double>& values, std::size_t n, double expected);
inline constexpr double VOLTS = 1.5;  // what the instrument measures

// Idle events until the measurement ends, at most `limit`; false if it did not end.
bool idle_until_done(int limit = 50);

// Sets the sample count on the main panel as the user does.
inline void set_samples(int n) {
    uirt::test::set_value(gu::main_panel, SAMPLE_COUNT, static_cast<double>(n));
}
void select_trigger_source(int item);
inline void set_trigger_count(int n) {
    uirt::test::set_value(gu::trigger_panel, TRIG_COUNT, static_cast<double>(n));
}

// A bus-triggered measurement waiting on the trigger-wait panel: the user gives the
// triggers left, the instrument is given time to take its readings, then the user fetches.
void fetch_after_trigger();
// A measurement whose fetch failed still runs in the instrument for a moment; a new one
// started meanwhile would be refused (-213, init ignored), as a user could not be so quick.
void let_the_reading_end();

// After a fault: idle events still arrive, no measurement is left running, a setting
// still reaches the instrument as exactly its one command with nothing reported, and an
// error the instrument queues is reported again (the driver's error query is back on).
void expect_still_working(const std::string& trace);

}  // namespace faulttest
