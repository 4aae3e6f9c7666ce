// Taking readings: counts, waits, polls, triggers from the panel, abort, and the bounds.
#include <gtest/gtest.h>

#include "measure_support.hpp"
#include "program_harness.hpp"

using namespace mtest;

namespace {

void set_counts(int triggers, int samples) {
    set_int(gu::TrigCount, triggers);
    set_int(gu::SampleCount, samples);
    gu::check_reading_type();
}
std::size_t points_plotted() {
    const int n = uirt::test::plot_count(gu::main_panel, READINGS);
    return n > 0 ? uirt::test::plot_y(gu::main_panel, READINGS, n - 1).size() : 0;
}

}  // namespace

TEST(Readings, AtMost4096PointsAndNoProductSlipsPast) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        uirt::test::clear_popups();
        set_counts(64, 64);
        gu::Readings(0, gu::MSG_QUERY, nullptr);
        EXPECT_TRUE(called("initImm"));
        EXPECT_TRUE(called("timedFetch_Q 500 4096"));
        EXPECT_EQ(points_plotted(), 4096u);
        EXPECT_EQ(gu::measuring, 0);

        for (auto [triggers, samples] : {std::pair{4097, 1}, {65536, 65536}, {65537, 65535}}) {
            set_counts(triggers, samples);  // the graph's clear warns already
            EXPECT_GE(popups_titled("Error").size(), 2u);
            calls().clear();
            uirt::test::clear_popups();
            gu::Readings(0, gu::MSG_QUERY, nullptr);
            const auto shown = popups_titled("Error");
            ASSERT_EQ(shown.size(), 2u) << triggers << " x " << samples;
            EXPECT_EQ(shown[0].text, "The maximum of 4096 data points has been exceeded.");
            EXPECT_EQ(shown[1].text, "Reduce either sample count or trigger count.");
            EXPECT_TRUE(calls().empty());  // no instrument traffic
            EXPECT_EQ(gu::measuring, 0);
        }
    });
}

TEST(Readings, FetchesNeverAskForMoreThanTheBufferHolds) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        set_counts(3, 1);  // a single reading asked for while three are measured
        double value = 0;
        gu::Reading(0, gu::MSG_QUERY, &value);
        EXPECT_TRUE(called("timedFetch_Q 500 1"));
        EXPECT_DOUBLE_EQ(value, 1.5);
        gu::Reading(0, gu::MSG_FINISH, &value);
        EXPECT_TRUE(called("fetc_Q 1"));

        set_counts(100, 100);  // finishing a block larger than the buffer
        calls().clear();
        gu::Readings(0, gu::MSG_FINISH, nullptr);
        EXPECT_TRUE(called("fetc_Q 4096"));
        EXPECT_EQ(points_plotted(), 4096u);
    });
}

TEST(Readings, BusTriggerFromTheProgramAndThePanel) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        const int wait = gu::trigger_wait_panel;
        set_int(gu::TrigSource, 0);
        set_counts(1, 1);
        uirt::test::click(gu::main_panel, READING);
        EXPECT_EQ(count_calls("trg"), 1);
        EXPECT_FALSE(called("timedFetch_Q"));
        EXPECT_TRUE(uirt::test::panel_visible(wait));
        EXPECT_TRUE(dimmed(wait, SINGLE_TRIG));
        EXPECT_TRUE(dimmed(wait, MULTI_TRIG));
        EXPECT_TRUE(visible(gu::main_panel, ABORT2));
        EXPECT_EQ(gu::measuring, 1);

        uirt::test::press(wait, FETCH);
        EXPECT_EQ(gu::measuring, 0);
        EXPECT_FALSE(uirt::test::panel_visible(wait));
        EXPECT_FALSE(visible(gu::main_panel, ABORT2));
        double value = 0;
        gu::Reading(0, gu::MSG_GET, &value);
        EXPECT_DOUBLE_EQ(value, 1.5);

        // Three triggers: the program gives the first, the panel the other two.
        set_counts(3, 1);
        calls().clear();
        gu::Readings(0, gu::MSG_QUERY, nullptr);
        EXPECT_EQ(count_calls("trg"), 1);
        EXPECT_FALSE(dimmed(wait, SINGLE_TRIG));
        uirt::test::press(wait, SINGLE_TRIG);
        EXPECT_FALSE(dimmed(wait, SINGLE_TRIG));
        uirt::test::press(wait, SINGLE_TRIG);
        EXPECT_EQ(count_calls("trg"), 3);
        EXPECT_TRUE(dimmed(wait, SINGLE_TRIG));
        uirt::test::press(wait, SINGLE_TRIG);
        EXPECT_EQ(count_calls("trg"), 3);  // never more than asked for
        uirt::test::press(wait, FETCH);
        EXPECT_EQ(points_plotted(), 3u);

        set_counts(4, 1);
        calls().clear();
        gu::Readings(0, gu::MSG_QUERY, nullptr);
        uirt::test::press(wait, MULTI_TRIG);
        EXPECT_EQ(count_calls("trg"), 4);
        EXPECT_TRUE(dimmed(wait, MULTI_TRIG));
        uirt::test::press(wait, ABORT);
        EXPECT_EQ(gu::measuring, 0);
    });
}

TEST(Readings, AWaitEndsByThePollOrTimesOutAfterItsLimit) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        set_int(gu::TrigSource, 2);
        set_counts(10, 1);
        reported().fetch_status = VI_ERROR_TMO;
        reported().stb_polls_before_mav = 3;
        uirt::test::click(gu::main_panel, READINGS);
        EXPECT_EQ(gu::measuring, 1);
        EXPECT_TRUE(visible(gu::main_panel, ABORT2));
        const std::size_t before = calls().size();
        uirt::test::click(gu::main_panel, READINGS);  // a second click does nothing
        EXPECT_EQ(calls().size(), before);
        for (int i = 0; i < 10 && gu::measuring; ++i) uirt::test::idle();
        EXPECT_EQ(gu::measuring, 0);
        EXPECT_EQ(count_calls("readStatusByte"), 4);
        EXPECT_TRUE(called("dcl"));
        EXPECT_TRUE(called("fetc_Q 10"));
        EXPECT_EQ(points_plotted(), 10u);
        EXPECT_FALSE(visible(gu::main_panel, ABORT2));

        // One reading, time-out 1000 ms: the 11th poll without a message gives up.
        set_counts(1, 1);
        int ms = 1000;
        gu::Timeout(0, gu::MSG_SET, &ms);
        reported().stb_polls_before_mav = -1;
        uirt::test::clear_popups();
        calls().clear();
        uirt::test::click(gu::main_panel, READING);
        ASSERT_EQ(gu::measuring, 1);
        ASSERT_TRUE(idle_times(10));
        EXPECT_EQ(gu::measuring, 1);
        ASSERT_TRUE(idle_times(1));
        EXPECT_EQ(gu::measuring, 0);
        ASSERT_EQ(popups_titled("Error").size(), 1u);
        EXPECT_EQ(popups_titled("Error")[0].text, "Measurement Timed Out.");
    });
}

TEST(Readings, AbortDuringAWait) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        set_int(gu::TrigSource, 1);
        set_counts(5, 1);
        reported().fetch_status = VI_ERROR_TMO;
        gu::Readings(0, gu::MSG_QUERY, nullptr);
        ASSERT_EQ(gu::measuring, 1);
        gu::poll_count = 7;
        uirt::SetIdleEventRate(1000);
        uirt::test::press(gu::main_panel, ABORT2);
        EXPECT_EQ(gu::measuring, 0);
        EXPECT_TRUE(called("abor"));
        EXPECT_TRUE(called("dcl"));
        EXPECT_EQ(gu::poll_count, 0);
        EXPECT_EQ(uirt::test::idle_rate(), 100);
        EXPECT_FALSE(visible(gu::main_panel, ABORT2));
        const int n = uirt::test::plot_count(gu::main_panel, READINGS);
        ASSERT_GT(n, 0);
        const auto y = uirt::test::plot_y(gu::main_panel, READINGS, n - 1);
        EXPECT_EQ(y, std::vector<double>(5, 0.0));
        double value = 1;
        gu::Reading(0, gu::MSG_GET, &value);
        EXPECT_EQ(value, 0.0);
    });
}

TEST(Readings, WithoutLiveModeReadingsAreMadeUp) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        ASSERT_EQ(gu::livemode, 0);
        uirt::test::click(gu::main_panel, READING);
        double value = -1;
        gu::Reading(0, gu::MSG_GET, &value);
        EXPECT_GE(value, 0.0);
        EXPECT_LE(value, RAND_MAX / 1000.0);
        EXPECT_EQ(gu::measuring, 0);

        set_counts(10, 2);
        gu::check_reading_type();
        uirt::test::click(gu::main_panel, READINGS);
        EXPECT_EQ(points_plotted(), 20u);
        EXPECT_EQ(gu::measuring, 0);
        int ms = 0;
        gu::Timeout(0, gu::MSG_GET, &ms);
        EXPECT_EQ(ms, 20000);
        double seconds = 0;
        uirt::GetCtrlVal(gu::config_panel, TIMEOUT, &seconds);
        EXPECT_DOUBLE_EQ(seconds, 20.0);
    });
}
