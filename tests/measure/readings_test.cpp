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

            uirt::test::clear_popups();  // auto update decides with the same product
            gu::update();
            EXPECT_EQ(popups_titled("Error").size(), 2u) << triggers << " x " << samples;
            EXPECT_TRUE(calls().empty());
        }
    });
}

// A fetch that failed or returned fewer readings than asked for shows what came back and
// nothing older.
TEST(Readings, OnlyWhatThisMeasurementReturnedIsShown) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        set_int(gu::TrigSource, 2);
        set_counts(1, 1);
        uirt::test::click(gu::main_panel, READING);
        double value = 0;
        gu::Reading(0, gu::MSG_GET, &value);
        ASSERT_DOUBLE_EQ(value, 1.5);

        reported().fetch_status = static_cast<ViStatus>(0xBFFF003E);  // I/O error
        reported().failing_fetches = 1;
        uirt::test::click(gu::main_panel, READING);
        gu::Reading(0, gu::MSG_GET, &value);
        EXPECT_EQ(value, 0.0);
        char text[32]{};
        uirt::GetCtrlAttribute(gu::main_panel, READING, uirt::ATTR_TEXT_IN_PLACE_OF_VALUE, text,
                               sizeof text);
        EXPECT_STREQ(text, "no reading");

        set_counts(10, 1);
        reported().available = 10;
        gu::Readings(0, gu::MSG_QUERY, nullptr);
        EXPECT_EQ(points_plotted(), 10u);
        reported().available = 4;
        reported().reading = 2.5;
        gu::Readings(0, gu::MSG_QUERY, nullptr);
        const int n = uirt::test::plot_count(gu::main_panel, READINGS);
        ASSERT_EQ(n, 1);
        EXPECT_EQ(uirt::test::plot_y(gu::main_panel, READINGS, 0), std::vector<double>(4, 2.5));
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
        calls().clear();
        gu::Reading(0, gu::MSG_FINISH, &value);
        EXPECT_TRUE(called("timedFetch_Q 500 1"));  // bounded in time as well

        set_counts(100, 100);  // finishing a block larger than the buffer
        calls().clear();
        gu::Readings(0, gu::MSG_FINISH, nullptr);
        EXPECT_TRUE(called("timedFetch_Q 500 4096"));
        EXPECT_FALSE(called("fetc_Q"));
        EXPECT_EQ(points_plotted(), 4096u);
    });
}

// A bus-triggered measurement leaves a fetch with the instrument like any other, so its
// reply is what the poll sees; Fetch collects what the instrument has and never waits on
// a reply that cannot come.
TEST(Readings, BusTriggerFromTheProgramAndThePanel) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        const int wait = gu::trigger_wait_panel;
        set_int(gu::TrigSource, 0);
        set_counts(1, 1);
        uirt::test::click(gu::main_panel, READING);  // the reading is there within the fetch
        EXPECT_EQ(count_calls("trg"), 1);
        EXPECT_TRUE(called("timedFetch_Q 500 1"));
        EXPECT_EQ(gu::measuring, 0);
        EXPECT_FALSE(uirt::test::panel_visible(wait));
        double value = 0;
        gu::Reading(0, gu::MSG_GET, &value);
        EXPECT_DOUBLE_EQ(value, 1.5);

        // A long reading: the wait; Fetch before the reply keeps waiting, after it collects.
        reported().fetch_status = VI_ERROR_TMO;
        reported().failing_fetches = 1;
        reported().reading = 2.5;
        uirt::test::click(gu::main_panel, READING);
        EXPECT_TRUE(uirt::test::panel_visible(wait));
        EXPECT_TRUE(dimmed(wait, SINGLE_TRIG));
        EXPECT_TRUE(dimmed(wait, MULTI_TRIG));
        EXPECT_TRUE(visible(gu::main_panel, ABORT2));
        calls().clear();
        uirt::test::press(wait, FETCH);
        EXPECT_EQ(gu::measuring, 1);
        EXPECT_FALSE(called("dcl"));
        EXPECT_TRUE(uirt::test::panel_visible(wait));
        reported().stb_polls_before_mav = 0;
        uirt::test::press(wait, FETCH);
        EXPECT_EQ(gu::measuring, 0);
        EXPECT_FALSE(uirt::test::panel_visible(wait));
        EXPECT_FALSE(visible(gu::main_panel, ABORT2));
        gu::Reading(0, gu::MSG_GET, &value);
        EXPECT_DOUBLE_EQ(value, 2.5);

        // Three triggers: the program gives the first, the panel the other two; the fetch is
        // only handed over, since it cannot complete before them.
        set_counts(3, 1);
        calls().clear();
        reported().stb_polls_before_mav = -1;
        reported().failing_fetches = 1;  // nothing to fetch before the triggers
        gu::Readings(0, gu::MSG_QUERY, nullptr);
        EXPECT_EQ(count_calls("trg"), 1);
        EXPECT_TRUE(called("timedFetch_Q 10 3"));
        EXPECT_EQ(gu::measuring, 1);
        EXPECT_FALSE(dimmed(wait, SINGLE_TRIG));
        uirt::test::press(wait, SINGLE_TRIG);
        EXPECT_FALSE(dimmed(wait, SINGLE_TRIG));
        uirt::test::press(wait, SINGLE_TRIG);
        EXPECT_EQ(count_calls("trg"), 3);
        EXPECT_TRUE(dimmed(wait, SINGLE_TRIG));
        uirt::test::press(wait, SINGLE_TRIG);
        EXPECT_EQ(count_calls("trg"), 3);  // never more than asked for
        reported().stb_polls_before_mav = 1;
        ASSERT_TRUE(idle_times(2));  // the second poll sees the reply
        EXPECT_EQ(gu::measuring, 0);
        EXPECT_EQ(points_plotted(), 3u);

        // Fetch with triggers still to give ends the triggering: the readings taken so far,
        // and only those, are plotted.
        set_counts(4, 1);
        calls().clear();
        reported().stb_polls_before_mav = -1;
        reported().failing_fetches = 1;
        gu::Readings(0, gu::MSG_QUERY, nullptr);
        uirt::test::press(wait, SINGLE_TRIG);
        reported().available = 2;
        uirt::test::press(wait, FETCH);
        EXPECT_TRUE(called("dcl"));
        EXPECT_EQ(gu::measuring, 0);
        EXPECT_EQ(points_plotted(), 2u);
        reported().available = -1;

        reported().failing_fetches = 1;
        gu::Readings(0, gu::MSG_QUERY, nullptr);
        uirt::test::press(wait, MULTI_TRIG);
        EXPECT_EQ(count_calls("trg"), 6);  // 2 before, 1 from the program, 3 at once
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
        reported().failing_fetches = 1;
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
        EXPECT_TRUE(called("timedFetch_Q 500 10"));
        EXPECT_EQ(points_plotted(), 10u);
        EXPECT_FALSE(visible(gu::main_panel, ABORT2));

        // One reading, time-out 1000 ms: the 11th poll without a message gives up.
        set_counts(1, 1);
        int ms = 1000;
        gu::Timeout(0, gu::MSG_SET, &ms);
        reported().stb_polls_before_mav = -1;
        reported().failing_fetches = 1;
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
        // Nothing taken is shown as taken: an empty graph over the block's span, no number.
        EXPECT_EQ(uirt::test::plot_count(gu::main_panel, READINGS), 0);
        double lo = 0, hi = 0;
        ASSERT_TRUE(uirt::test::axis_range(gu::main_panel, READINGS, false, lo, hi));
        EXPECT_EQ(lo, 1.0);
        EXPECT_EQ(hi, 5.0);
        double value = 1;
        gu::Reading(0, gu::MSG_GET, &value);
        EXPECT_EQ(value, 0.0);
        char shown[32]{};
        uirt::GetCtrlAttribute(gu::main_panel, READING, uirt::ATTR_TEXT_IN_PLACE_OF_VALUE, shown,
                               sizeof shown);
        EXPECT_STREQ(shown, "no reading");
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
