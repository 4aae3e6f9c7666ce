// The widget protocol as the user meets it: live-mode rule, failing setters, diagnostics.
#include <gtest/gtest.h>

#include <algorithm>

#include "framework_support.hpp"
#include "program_harness.hpp"
#include "widgets.hpp"

namespace {

constexpr int SAMPLE_COUNT_CTRL = 11;

TEST(WidgetProtocol, LiveModeOffCommitStoresAndQueryShowsWithoutDriverCalls) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    const auto trace = gutest::use_trace();
    gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 0);
        const auto before = gutest::trace_line_count(trace);
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT_CTRL, 7.0);
        int stored = 0;
        gu::SampleCount(0, gu::MSG_GET, &stored);
        EXPECT_EQ(stored, 7);

        uirt::SetCtrlVal(gu::main_panel, SAMPLE_COUNT_CTRL, 1.0);  // control out of step
        int queried = 0;
        EXPECT_EQ(gu::SampleCount(0, gu::MSG_QUERY, &queried), 0);
        EXPECT_EQ(queried, 7);
        double shown = 0;
        uirt::GetCtrlVal(gu::main_panel, SAMPLE_COUNT_CTRL, &shown);
        EXPECT_EQ(shown, 7.0);
        EXPECT_TRUE(gutest::written_commands_since(trace, before).empty());
    });
}

TEST(WidgetProtocol, FailingSetterNamesItsEntryPointAndKeepsTheValueEntered) {
    gutest::use_bus(fwtest::live_bus("fault.write.fail = SAMP:COUN\n"));
    gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 1);
        uirt::test::clear_popups();
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT_CTRL, 12.0);
        const auto shown = fwtest::popups_titled("Error in vo_sampCoun");
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text.rfind("Error -", 0), 0u) << shown[0].text;
        EXPECT_NE(gu::drv_status, 0);
        int stored = 0;
        gu::SampleCount(0, gu::MSG_GET, &stored);
        EXPECT_EQ(stored, 12);
    });
}

TEST(WidgetProtocol, HandlersAnswerOnlyTheirRangeOfMessages) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        int out = 0;
        testing::internal::CaptureStdout();
        EXPECT_EQ(gu::Function2(0, gu::MSG_GET_CTRL, &out), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "invalid msg in Function2: 7\n");

        gu::measuring = 1;
        double value = 0;
        testing::internal::CaptureStdout();
        EXPECT_EQ(gu::Readings(0, gu::MSG_COMMIT, &value), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "invalid msg in Readings\n");
        EXPECT_EQ(gu::measuring, 0);

        testing::internal::CaptureStdout();
        EXPECT_EQ(gu::SampleCount(0, gu::MSG_ENABLE, &out), -1);
        EXPECT_EQ(gu::SampleCount(0, gu::MSG_GET_CTRL, &out), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "invalid msg in SampleCount: 9\n");
        EXPECT_EQ(out, SAMPLE_COUNT_CTRL);
    });
}

}  // namespace
