// Events parked while a measurement runs, their replay, and the poll's time limit.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <vector>

#include "framework.hpp"
#include "framework_support.hpp"
#include "program_harness.hpp"

namespace {

constexpr int SAMPLE_COUNT_CTRL = 11;
constexpr int ABORT_CTRL = 5;  // on the trigger-wait panel

struct Delivered {
    int panel, control, event;
    void* data;
    int data1, data2;
};
std::vector<Delivered> delivered;

int recorder(int panel, int control, int event, void* data, int data1, int data2) {
    delivered.push_back({panel, control, event, data, data1, data2});
    return 0;
}

// Replayed oldest first, so changes reach the instrument in the order the user made them;
// a change that finds the queue full is refused visibly, its control showing the value
// the widget has.
TEST(DeferredEvents, ElevenEventsKeepTenRefuseTheEleventhAndReplayOldestFirst) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        gu::measuring = 1;
        uirt::test::clear_popups();
        static int tags[10];
        for (int i = 0; i < 10; ++i)
            gu::add_pending_event(recorder, 100 + i, 200 + i, i, &tags[i], 300 + i, -i);
        EXPECT_EQ(gu::pending_count, 10);
        EXPECT_TRUE(uirt::test::popups().empty());
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT_CTRL, 9.0);  // the eleventh
        EXPECT_EQ(gu::pending_count, 10);
        ASSERT_EQ(fwtest::count_titled("Message"), 1);
        EXPECT_EQ(fwtest::popups_titled("Message")[0].text,
                  "Too many changes wait for the measurement in progress: this one was not made.");
        double shown = 0;
        uirt::GetCtrlVal(gu::main_panel, SAMPLE_COUNT_CTRL, &shown);
        EXPECT_EQ(shown, 1.0);  // the sample count the widget has, not the refused 9

        gu::measuring = 0;
        for (int n = 1; n <= 10; ++n) {
            ASSERT_TRUE(uirt::test::idle());
            ASSERT_EQ(delivered.size(), static_cast<std::size_t>(n));
        }
        EXPECT_EQ(gu::pending_count, 0);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(delivered[i].panel, 100 + i);
            EXPECT_EQ(delivered[i].control, 200 + i);
            EXPECT_EQ(delivered[i].event, i);
            EXPECT_EQ(delivered[i].data, &tags[i]);
            EXPECT_EQ(delivered[i].data1, 300 + i);
            EXPECT_EQ(delivered[i].data2, -i);
        }
        EXPECT_EQ(gu::process_pending_event(), 0);
        int stored = 0;
        gu::SampleCount(0, gu::MSG_GET, &stored);
        EXPECT_EQ(stored, 1);
    });
}

TEST(DeferredEvents, UserEventsWaitDuringAMeasurementAbortActsAtOnce) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        gu::measuring = 1;
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT_CTRL, 9.0);
        int stored = 0;
        gu::SampleCount(0, gu::MSG_GET, &stored);
        EXPECT_EQ(stored, 1);             // not reached the widget
        ASSERT_GE(gu::pending_count, 1);  // value change and commit both wait
        const auto& last = gu::pending_events[gu::pending_count - 1];
        EXPECT_EQ(last.callback, gu::SampleCountCallback);
        EXPECT_EQ(last.panel, gu::main_panel);
        EXPECT_EQ(last.control, SAMPLE_COUNT_CTRL);
        EXPECT_EQ(last.event, uirt::EVENT_COMMIT);

        const int waiting = gu::pending_count;
        uirt::DisplayPanel(gu::trigger_wait_panel);
        uirt::test::press(gu::trigger_wait_panel, ABORT_CTRL);
        EXPECT_EQ(gu::measuring, 0);  // Abort is never deferred
        EXPECT_EQ(gu::pending_count, waiting);

        ASSERT_TRUE(fwtest::idle_times(waiting));
        gu::SampleCount(0, gu::MSG_GET, &stored);
        EXPECT_EQ(stored, 9);  // the replayed commit reached the widget
        EXPECT_EQ(gu::pending_count, 0);
    });
}

// Sets the three settings the poll limit is made of.
void set_limit_settings(int timeout_ms, int triggers, int samples) {
    gu::Timeout(0, gu::MSG_SET, &timeout_ms);
    gu::TrigCount(0, gu::MSG_SET, &triggers);
    gu::SampleCount(0, gu::MSG_SET, &samples);
}

TEST(DeferredEvents, ThePollTimesOutAfterTimeoutTimesTriggersTimesSamplesIdleEvents) {
    gutest::use_bus(fwtest::live_bus());  // nothing measured: the status byte never has MAV
    gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 1);
        set_limit_settings(1000, 2, 3);
        uirt::DisplayPanel(gu::trigger_wait_panel);
        uirt::test::clear_popups();
        gu::poll_count = 0;
        gu::measuring = 1;
        ASSERT_TRUE(fwtest::idle_times(60));
        EXPECT_EQ(gu::measuring, 1);
        EXPECT_EQ(gu::poll_count, 60);
        EXPECT_EQ(fwtest::count_titled("Error"), 0);

        ASSERT_TRUE(uirt::test::idle());  // the 61st
        EXPECT_EQ(gu::measuring, 0);
        EXPECT_EQ(gu::poll_count, 0);
        const auto shown = fwtest::popups_titled("Error");
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "Measurement Timed Out.");
        EXPECT_FALSE(uirt::test::panel_visible(gu::trigger_wait_panel));
        EXPECT_EQ(uirt::test::mouse_cursor(), uirt::VAL_DEFAULT_CURSOR);

        set_limit_settings(99, 1, 1);  // below 100 ms: the first poll gives up
        gu::measuring = 1;
        EXPECT_EQ(gu::message_available(), -1);
        EXPECT_EQ(fwtest::count_titled("Error"), 2);
    });
}

TEST(DeferredEvents, HugeSettingsGiveAHugeLimitNotAWrappedOne) {
    constexpr auto max64 = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(gu::poll_limit(1000, 2, 3), 60);
    EXPECT_EQ(gu::poll_limit(32767000, 16777215, 16777215), max64);
    EXPECT_EQ(gu::poll_limit(INT_MAX, INT_MAX, -INT_MAX), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(gu::poll_limit(10000, 65536, 65536), 100LL * 65536 * 65536);  // wraps to 0 in int

    gutest::use_bus(fwtest::live_bus());
    gutest::run_program([&] {
        set_limit_settings(10000, 65536, 65536);
        gu::poll_count = 1'000'000;
        gu::measuring = 1;
        uirt::test::clear_popups();
        EXPECT_EQ(gu::message_available(), 0);
        EXPECT_EQ(gu::measuring, 1);
        EXPECT_EQ(fwtest::count_titled("Error"), 0);
        gu::measuring = 0;
    });
}

}  // namespace
