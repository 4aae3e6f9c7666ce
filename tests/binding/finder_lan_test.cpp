// The finder over the LAN: a bus description naming LAN resources, visa-sim-server serving
// them in the test's private network namespace (GU_SIM_SERVER names it; skipped without).
#include <gtest/gtest.h>

#include <cstdlib>

#include "scenario.hpp"
#include "sim_server.hpp"

namespace {

TEST(FinderLan, RecognisesAQ7304AByItsIdentificationAndLabelsIt) {
    const char* program = std::getenv("GU_SIM_SERVER");
    if (program == nullptr) GTEST_SKIP() << "run in a network namespace by LanFinder";
    gutest::SimServer server(program, "[VXI0::24::INSTR]\nq7304 = yes\n"
                                      "[GPIB0::3::INSTR]\ninterface = gpib\nloopback = yes\n");
    gutest::use_bus("[TCPIP0::127.0.0.1::inst1::INSTR]\n[TCPIP0::127.0.0.1::inst0::INSTR]\n"
                    "[TCPIP0::127.0.0.1::hislip0::INSTR]\n[TCPIP0::127.0.0.1::inst7::INSTR]\n");
    const auto trace = gutest::use_trace();
    gutest::start_runtime();
    gu::livemode = 1;
    gu::bind_visa();
    ViInt16 count = -1;
    EXPECT_EQ(gu::voex_findRsrc(gu::RSRC_LIST_SIZE, gu::rsrc_list, "?*INSTR", &count), 0);
    // The loopback device answers *IDN? as another maker's; inst7 is not served.
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(gu::rsrc_list[0], "TCPIP0::127.0.0.1::inst0::INSTR");
    EXPECT_STREQ(gu::rsrc_list[1], "TCPIP0::127.0.0.1::hislip0::INSTR");
    EXPECT_EQ(gutest::written_commands(trace), (std::vector<std::string>{"*IDN?", "*IDN?", "*IDN?"}));
}

TEST(DescribeRsrc, LabelsLanResourcesByHostAndDeviceOrPort) {
    EXPECT_STREQ(gu::describe_rsrc("TCPIP0::127.0.0.1::inst0::INSTR"),
                 "Interface: TCPIP0  Host 127.0.0.1  Device inst0");
    EXPECT_STREQ(gu::describe_rsrc("TCPIP1::[fe80::1]::hislip0,4880::INSTR"),
                 "Interface: TCPIP1  Host [fe80::1]  Device hislip0,4880");
    EXPECT_STREQ(gu::describe_rsrc("TCPIP0::dmm.lab::5025::SOCKET"), "Interface: TCPIP0  Host dmm.lab  Port 5025");
}

}  // namespace
