// Failed initiates and fetches of single readings and blocks: reported, the measurement
// ended (or finished later) with nothing left measuring, and the next one taken whole.
#include "fault_scenario.hpp"

using namespace faulttest;

namespace {

const Commands BLOCK = {"INIT", "FETC?", "SYST:ERR?"};

bool wait_panel_shown() {
    return uirt::test::panel_visible(gu::trigger_wait_panel);
}
std::string reading_text() {
    char text[64]{};
    uirt::GetCtrlAttribute(gu::main_panel, READING, uirt::ATTR_TEXT_IN_PLACE_OF_VALUE, text,
                           sizeof text);
    return text;
}

// A click on `control` that shows only `failed`, sends `expected` and leaves nothing measuring.
void expect_failed_click(const std::string& trace, int control, const Shown& failed,
                         const Commands& expected) {
    const auto [popups, sent] = click_main(trace, control);
    EXPECT_EQ(popups, std::vector<Shown>{failed});
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(gu::measuring, 0);
    EXPECT_FALSE(abort_button_shown());
}

void expect_block_of_readings(const std::string& trace, std::size_t n) {
    const auto [popups, sent] = click_main(trace, GRAPH);
    EXPECT_TRUE(popups.empty());
    EXPECT_EQ(sent, BLOCK);
    EXPECT_TRUE(all_near(plotted(), n, VOLTS));
    EXPECT_EQ(gu::measuring, 0);
}

TEST(InitiateFaults, AFailedInitiateEndsTheMeasurementAndTheNextOneIsTaken) {
    std::string trace;
    run_live("fault.write.fail = INIT\nfault.times = 2\n", trace, [&] {
        const Shown failed{"Error in vo_initImm", IO_ERROR_TEXT};
        expect_failed_click(trace, READING, failed, Commands{"INIT"});
        EXPECT_EQ(uirt::test::mouse_cursor(), uirt::VAL_DEFAULT_CURSOR);

        set_samples(4);
        expect_failed_click(trace, GRAPH, failed, Commands{"INIT"});
        EXPECT_FALSE(wait_panel_shown());

        expect_block_of_readings(trace, 4);
        expect_still_working(trace);
    });
}

TEST(FetchFaults, AFailedTimedFetchIsReportedAndEndsTheMeasurement) {
    std::string trace;
    run_live("fault.write.fail = FETC?\nfault.times = 2\n", trace, [&] {
        const Shown failed{"Error in vo_timedFetch_Q", IO_ERROR_TEXT};
        expect_failed_click(trace, READING, failed, Commands{"INIT", "FETC?"});
        let_the_reading_end();

        // A block goes on to the error queue and plots what the buffer holds.
        set_samples(4);
        expect_failed_click(trace, GRAPH, failed, BLOCK);
        let_the_reading_end();

        expect_block_of_readings(trace, 4);
        set_samples(1);
        const Commands sent = sent_by(trace, [] { uirt::test::click(gu::main_panel, READING); });
        EXPECT_EQ(sent, (Commands{"INIT", "FETC?"}));
        EXPECT_NEAR(reading(), VOLTS, 1e-3);
        expect_still_working(trace);
    });
}

// The reply the timed fetch missed is there by the first poll, which finishes the reading.
TEST(FetchFaults, ATimedOutFetchWaitsAndThePollFinishesTheReading) {
    std::string trace;
    run_live("fault.read.timeout = FETC?\nfault.times = 1\n", trace, [&] {
        double zero = 0.0;
        gu::Reading(0, gu::MSG_SET, &zero);
        Commands sent = sent_by(trace, [] { uirt::test::click(gu::main_panel, READING); });
        EXPECT_EQ(sent, (Commands{"INIT", "FETC?"}));
        EXPECT_EQ(gu::measuring, 1);
        EXPECT_TRUE(abort_button_shown());

        std::vector<Shown> popups;
        popups = shown_by([&] { sent = sent_by(trace, [] { EXPECT_TRUE(idle_until_done()); }); });
        EXPECT_TRUE(popups.empty());
        EXPECT_EQ(sent, Commands{"FETC?"});
        EXPECT_NEAR(reading(), VOLTS, 1e-3);
        EXPECT_FALSE(abort_button_shown());
        expect_still_working(trace);
    });
}

// The reply of a fetch whose read failed is cleared from the instrument: the next action
// starts clean instead of being told "Query INTERRUPTED". The display says "no reading"
// before the failure is reported over it.
TEST(FetchFaults, AFailedReadIsClearedAndNotBlamedOnTheNextAction) {
    std::string trace;
    run_live("fault.read.fail = FETC?\nfault.skip = 1\nfault.times = 1\n", trace, [&] {
        uirt::test::click(gu::main_panel, READING);  // a reading on the display
        std::string shown_behind;
        uirt::test::set_responder([&](const uirt::test::Popup&) {
            shown_behind = reading_text();
            return uirt::test::Answer{};
        });
        std::vector<std::string> clears;
        auto popups = shown_by([&] {
            clears = calls_by(trace, "viClear", [] { uirt::test::click(gu::main_panel, READING); });
        });
        uirt::test::set_responder({});
        EXPECT_EQ(popups, (std::vector<Shown>{{"Error in vo_timedFetch_Q", IO_ERROR_TEXT}}));
        EXPECT_EQ(shown_behind, "no reading");
        EXPECT_EQ(clears.size(), 1u);

        constexpr int ITEM_AC_VOLTS = 1;
        popups = shown_by([] { uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_AC_VOLTS); });
        EXPECT_TRUE(popups.empty());
        int code = 1;
        gu::ErrorVal(0, gu::MSG_GET, &code);
        EXPECT_EQ(code, 0);
        expect_still_working(trace);
    });
}

// Bus-triggered blocks with a trigger from the panel: the wait's own fetch passes, the
// fetch after the triggers fails once.
TEST(FetchFaults, AFailedFetchAfterAWaitIsReportedAndTheNextWaitEndsWell) {
    std::string trace;
    run_live("fault.write.fail = FETC?\nfault.skip = 1\nfault.times = 1\n", trace, [&] {
        select_trigger_source(SOURCE_BUS);
        set_trigger_count(2);
        set_samples(3);
        for (const bool fails : {true, false}) {
            uirt::test::click(gu::main_panel, GRAPH);
            ASSERT_EQ(gu::measuring, 1);
            ASSERT_TRUE(wait_panel_shown());
            Commands sent;
            const auto popups =
                shown_by([&] { sent = sent_by(trace, [] { fetch_after_trigger(); }); });
            EXPECT_EQ(sent, (Commands{"FETC?", "SYST:ERR?"}));
            if (fails) {
                EXPECT_EQ(popups,
                          (std::vector<Shown>{{"Error in vo_timedFetch_Q", IO_ERROR_TEXT}}));
                EXPECT_TRUE(plotted().empty());  // nothing came back: no block is shown
            } else {
                EXPECT_TRUE(popups.empty());
                EXPECT_TRUE(all_near(plotted(), 6, VOLTS));
            }
            EXPECT_EQ(gu::measuring, 0);
            EXPECT_FALSE(wait_panel_shown());
            EXPECT_FALSE(abort_button_shown());
        }
        select_trigger_source(SOURCE_IMMEDIATE);
        expect_still_working(trace);
    });
}

// A wait that ends without data, by the user's abort or by the poll's time-out, turns
// the driver's error query back on like every other end of a measurement.
TEST(WaitFaults, AnAbortedOrTimedOutWaitLeavesInstrumentErrorsReported) {
    std::string trace;
    run_live("", trace, [&] {
        constexpr int ABORT = 5;  // trigger-wait panel
        select_trigger_source(SOURCE_BUS);
        set_trigger_count(2);  // the second trigger never comes
        uirt::test::click(gu::main_panel, GRAPH);
        ASSERT_EQ(gu::measuring, 1);
        uirt::test::press(gu::trigger_wait_panel, ABORT);
        EXPECT_EQ(gu::measuring, 0);
        expect_still_working(trace);

        // No trigger ever comes; a zero time-out gives up at the first poll.
        uirt::test::set_value(gu::config_panel, TIMEOUT, 0.0);
        set_samples(1);
        uirt::test::click(gu::main_panel, GRAPH);
        ASSERT_EQ(gu::measuring, 1);
        const auto popups = shown_by([] { EXPECT_TRUE(idle_until_done(1)); });
        EXPECT_EQ(popups, (std::vector<Shown>{{"Error", "Measurement Timed Out."}}));
        expect_still_working(trace);
    });
}

// The reply the failed read left behind is cleared before the error query, which would
// otherwise cut it off (-410) and report that as the instrument's error too.
TEST(FetchFaults, AFailedBlockReadAfterAWaitIsReportedOnceAndItsReplyCleared) {
    std::string trace;
    run_live("fault.read.fail = FETC?\nfault.skip = 1\nfault.times = 1\n", trace, [&] {
        select_trigger_source(SOURCE_BUS);
        set_trigger_count(2);
        set_samples(3);
        uirt::test::click(gu::main_panel, GRAPH);
        ASSERT_EQ(gu::measuring, 1);
        Commands sent;
        const auto popups = shown_by([&] { sent = sent_by(trace, [] { fetch_after_trigger(); }); });
        EXPECT_EQ(popups, (std::vector<Shown>{{"Error in vo_timedFetch_Q", IO_ERROR_TEXT}}));
        EXPECT_EQ(sent, (Commands{"FETC?", "SYST:ERR?"}));
        EXPECT_EQ(gu::measuring, 0);
        EXPECT_FALSE(wait_panel_shown());
        EXPECT_FALSE(abort_button_shown());
        expect_still_working(trace);
    });
}

}  // namespace
