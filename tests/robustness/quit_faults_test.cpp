// A session close that fails at quit: ignored, and the program still ends cleanly.
#include "fault_scenario.hpp"

using namespace faulttest;

namespace {

constexpr int CLOSE_BUTTON = 16;  // main panel

uirt::test::Answer yes() {
    return uirt::test::Answer{.result = 1, .path = {}};
}

void expect_closed_and_unloaded(const std::vector<std::string>& closes) {
    ASSERT_EQ(closes.size(), 2u);  // the instrument session, then the driver's manager
    EXPECT_NE(closes[0].find("VI_ERROR_CLOSING_FAILED"), std::string::npos) << closes[0];
    EXPECT_NE(closes[1].find("= VI_SUCCESS"), std::string::npos) << closes[1];
    EXPECT_EQ(gu::livemode, 0);
    EXPECT_EQ(uirt::GetExternalModuleAddr(gu::module, "voq7304_init", nullptr), nullptr);
    EXPECT_EQ(uirt::GetExternalModuleAddr(gu::visa_module, "viOpen", nullptr), nullptr);
}

TEST(CloseFaults, AFailedCloseAtQuitIsIgnoredAndTheProgramEnds) {
    std::string trace;
    std::vector<std::string> closes;
    std::vector<Shown> popups;
    const int result = run_live("fault.close = fail\n", trace, [&] {
        uirt::test::push_answer(yes());
        closes = calls_by(trace, "viClose", [&] {
            popups = shown_by([] { uirt::test::press(gu::main_panel, CLOSE_BUTTON); });
        });
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(popups.empty());  // nothing but the confirmation
    EXPECT_EQ(uirt::test::popups().size(), 1u);
    expect_closed_and_unloaded(closes);
}

// The window's close request during a wait: the measurement is dropped and the quit goes on.
TEST(CloseFaults, AFailedCloseDuringAWaitStillEndsTheProgram) {
    std::string trace;
    std::vector<std::string> closes;
    const int result = run_live("fault.close = fail\n", trace, [&] {
        select_trigger_source(SOURCE_BUS);
        set_trigger_count(2);  // waits for the second trigger
        uirt::test::click(gu::main_panel, GRAPH);
        ASSERT_EQ(gu::measuring, 1);
        uirt::test::push_answer(yes());
        closes = calls_by(trace, "viClose", [] { uirt::test::close_window(gu::frame_panel); });
        EXPECT_EQ(gu::measuring, 0);
    });
    EXPECT_EQ(result, 0);
    expect_closed_and_unloaded(closes);
}

}  // namespace
