// Helpers of the measurement tests: control ids, a driver log of stand-in entry points,
// and the pop-ups shown.
#pragma once

#include <string>
#include <vector>

#include "uirt_test.hpp"
#include "widgets.hpp"

namespace mtest {

// Control ids of the resource file.
inline constexpr int RESOLUTION = 2, RANGE = 3, READING = 4, UNITS = 5, FUNCTION = 6, READINGS = 8,
                     ABORT2 = 12;                                               // main panel
inline constexpr int TIMEOUT = 2, APERTURE = 3, FUNCTION2 = 4, RESOL_DISP = 5;  // config
inline constexpr int MULTI_TRIG = 2, SINGLE_TRIG = 3, FETCH = 4, ABORT = 5;     // trigger wait

// Positions of the function rings' items (the item value is the function code).
inline constexpr int ITEM_DC_VOLTS = 0, ITEM_AC_VOLTS = 1, ITEM_DC_CURRENT = 2, ITEM_AC_CURRENT = 3,
                     ITEM_FREQUENCY = 6, ITEM_PERIOD = 7, ITEM_RATIO = 8;

// The bus with no instrument that opens: live mode off.
inline constexpr const char* OFFLINE_BUS =
    "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 24\nslot = 3\nq7304 = yes\nfault.open = fail\n";

// Driver calls made through the stand-ins below, as "<op> <args>".
std::vector<std::string>& calls();
int count_calls(const std::string& prefix);
bool called(const std::string& prefix);

// Values the stand-in queries report.
struct Reported {
    ViBoolean auto_range = 0;
    double value = 0.0;             // range, resolution or aperture
    ViStatus status = 0;            // status of the stand-in queries
    ViStatus fetch_status = 0;      // status of the timed fetch
    int failing_fetches = -1;       // fetches that fail with fetch_status; -1: every one
    int available = -1;             // readings a fetch returns at most; -1: all asked for
    int stb_polls_before_mav = -1;  // -1: never message available
    double reading = 1.5;
};
Reported& reported();

// Turns live mode on over stand-ins of every entry point the measurement widgets call.
void go_live_on_stand_ins();

std::vector<uirt::test::Popup> popups_titled(const std::string& title);
bool dimmed(int panel, int ctrl);
bool visible(int panel, int ctrl);
int get_int(gu::Handler widget);
void set_int(gu::Handler widget, int value);
bool idle_times(int n);

}  // namespace mtest
