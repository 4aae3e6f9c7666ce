// Helpers of the framework tests: the pop-ups shown and the live program's panels.
#pragma once

#include <string>
#include <vector>

#include "uirt_test.hpp"

namespace fwtest {

// Pop-ups shown so far with this title.
std::vector<uirt::test::Popup> popups_titled(const std::string& title);
int count_titled(const std::string& title);

// A bus on which the one instrument cannot be opened: the program runs with live mode off.
inline constexpr const char* OFFLINE_BUS =
    "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 24\nslot = 3\nq7304 = yes\nfault.open = fail\n";

// The default instrument with extra `key = value` lines.
std::string live_bus(const std::string& extra = "");

// Idle events until `n` have been delivered (false if one was refused).
bool idle_times(int n);

}  // namespace fwtest
