// Live mode over the LAN: a Q7304A served by visa-sim-server in the test's private network
// namespace (GU_SIM_SERVER names it; skipped without), the server lost and back mid-run.
#include <gtest/gtest.h>

#include <cstdlib>

#include "scenario.hpp"
#include "sim_server.hpp"

namespace {

constexpr int SAMPLE_COUNT = 11;  // on the main panel

// Start-up, a setting, the server lost (the error shown once, live mode kept) and back.
void survive_the_network(const char* name) {
    const char* program = std::getenv("GU_SIM_SERVER");
    if (program == nullptr) GTEST_SKIP() << "run in a network namespace by LiveModeOverLan";
    gutest::SimServer server(program, "[VXI0::24::INSTR]\nq7304 = yes\n");
    gutest::use_bus(std::string("[") + name + "]\n");
    const int result = gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 1);
        EXPECT_STREQ(gu::rsrc_name, name);
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT, 5.0);
        EXPECT_EQ(apptest::sample_count(), 5);
        EXPECT_TRUE(uirt::test::popups().empty());

        server.stop();
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT, 4.0);
        const auto lost = apptest::shown();
        ASSERT_EQ(lost.size(), 1u);
        EXPECT_NE(lost[0].second.find("connection"), std::string::npos) << lost[0].second;
        EXPECT_EQ(gu::livemode, 1);

        server.start();
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT, 3.0);
        EXPECT_EQ(apptest::shown().size(), 1u);  // nothing new
        EXPECT_EQ(apptest::sample_count(), 3);
        EXPECT_EQ(gu::livemode, 1);
    });
    EXPECT_EQ(result, 0);
}

TEST(LiveLan, OverVxi11TheLostConnectionIsShownOnceAndTheNextActionWorks) {
    survive_the_network("TCPIP0::127.0.0.1::inst0::INSTR");
}

TEST(LiveLan, OverHislipTheLostConnectionIsShownOnceAndTheNextActionWorks) {
    survive_the_network("TCPIP0::127.0.0.1::hislip0::INSTR");
}

}  // namespace
