// A serial poll that always fails and an error queue that cannot be read once: reported,
// measurements still end, and the commands after them are the usual ones.
#include "fault_scenario.hpp"

using namespace faulttest;

namespace {

const Shown STB_FAILED{"Error in vo_readStatusByte", IO_ERROR_TEXT};

int status_byte() {
    int v = -1;
    gu::StatusByte(0, gu::MSG_GET, &v);
    return v;
}

// Every driver call that serial-polls fails too, from start-up on.
TEST(StatusByteFaults, AFailingSerialPollIsReportedAndMeasurementsStillEnd) {
    std::string trace;
    run_live(
        "fault.stb = fail\n", trace,
        [&] {
            auto popups = shown_by([] { uirt::test::press(gu::status_panel, STATUS_BYTE); });
            EXPECT_EQ(popups, std::vector<Shown>{STB_FAILED});
            EXPECT_EQ(status_byte(), 0);

            // The setting is sent once; only its completion check failed.
            Commands sent;
            popups =
                shown_by([&] { sent = sent_by(trace, [] { select_trigger_source(SOURCE_BUS); }); });
            EXPECT_EQ(sent, Commands{"TRIG:SOUR BUS"});
            EXPECT_EQ(popups, (std::vector<Shown>{{"Error in vo_TrigSource", IO_ERROR_TEXT}}));

            // The first failed poll is reported once and ends the wait, the instrument
            // cleared of it; later idle events report nothing.
            set_trigger_count(2);  // waits for the second trigger
            uirt::test::click(gu::main_panel, GRAPH);
            ASSERT_EQ(gu::measuring, 1);
            std::vector<std::string> clears;
            popups = shown_by([&] {
                clears = calls_by(trace, "viClear", [] {
                    for (int i = 0; i < 5; ++i) EXPECT_TRUE(uirt::test::idle());
                });
            });
            EXPECT_EQ(popups, std::vector<Shown>{STB_FAILED});
            EXPECT_EQ(clears.size(), 1u);
            EXPECT_EQ(gu::measuring, 0);
            EXPECT_FALSE(uirt::test::panel_visible(gu::trigger_wait_panel));
            EXPECT_FALSE(abort_button_shown());

            // A measurement that needs no poll is still taken.
            select_trigger_source(SOURCE_IMMEDIATE);
            set_trigger_count(1);
            set_samples(1);
            popups = shown_by([] { uirt::test::click(gu::main_panel, READING); });
            EXPECT_TRUE(popups.empty());
            EXPECT_NEAR(reading(), VOLTS, 1e-3);

            EXPECT_TRUE(uirt::test::idle());
            sent = sent_by(trace, [] { set_samples(7); });
            EXPECT_EQ(sent, Commands{"SAMP:COUN 7"});
        },
        Start::reported);
}

// A function change makes a dozen driver calls, each failing its serial poll: one pop-up,
// the first failure's, says how many more there were; the next action reports afresh.
TEST(StatusByteFaults, OneActionGivesOneReport) {
    std::string trace;
    run_live(
        "fault.stb = fail\n", trace,
        [&] {
            constexpr int ITEM_DC_CURRENT = 2;
            auto popups = shown_by(
                [] { uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_DC_CURRENT); });
            ASSERT_EQ(popups.size(), 1u);
            EXPECT_EQ(popups[0].title, "Error in vo_confCurrDc");
            const std::string& text = popups[0].text;
            const std::string more = "\nand ";
            ASSERT_EQ(text.rfind(IO_ERROR_TEXT + more, 0), 0u) << text;
            EXPECT_GE(std::stoi(text.substr(std::string(IO_ERROR_TEXT).size() + more.size())), 10);
            EXPECT_EQ(text.substr(text.size() - 5), " more");

            popups = shown_by([] { set_samples(3); });
            EXPECT_EQ(popups, (std::vector<Shown>{{"Error in vo_sampCoun", IO_ERROR_TEXT}}));
        },
        Start::reported);
}

// Start-up reads the queue once (Clear Status); the next two reads fail.
TEST(ErrorQueueFaults, AFailedQueueReadIsReportedAndTheNextReadWorks) {
    std::string trace;
    run_live("fault.write.fail = SYST:ERR?\nfault.skip = 1\nfault.times = 2\n", trace, [&] {
        const Shown failed{"Error in vo_error_query", IO_ERROR_TEXT};
        // After a block of readings: reported, and the block is still plotted.
        set_samples(4);
        Commands sent;
        auto popups = shown_by(
            [&] { sent = sent_by(trace, [] { uirt::test::click(gu::main_panel, GRAPH); }); });
        EXPECT_EQ(popups, std::vector<Shown>{failed});
        EXPECT_EQ(sent, (Commands{"INIT", "FETC?", "SYST:ERR?"}));
        EXPECT_TRUE(all_near(plotted(), 4, VOLTS));
        EXPECT_EQ(gu::measuring, 0);

        // From the status panel: reported, the displays kept, the next press reads.
        const int p = gu::status_panel;
        int code = 5;
        gu::ErrorVal(0, gu::MSG_SET, &code);
        popups = shown_by([&] { sent = sent_by(trace, [&] { uirt::test::press(p, ERROR_BTN); }); });
        EXPECT_EQ(popups, std::vector<Shown>{failed});
        EXPECT_EQ(sent, Commands{"SYST:ERR?"});
        int shown_code = -1;
        uirt::GetCtrlVal(p, ERROR_VAL, &shown_code);
        EXPECT_EQ(shown_code, 5);
        popups = shown_by([&] { sent = sent_by(trace, [&] { uirt::test::press(p, ERROR_BTN); }); });
        EXPECT_TRUE(popups.empty());
        EXPECT_EQ(sent, Commands{"SYST:ERR?"});
        uirt::GetCtrlVal(p, ERROR_VAL, &shown_code);
        EXPECT_EQ(shown_code, 0);
        expect_still_working(trace);
    });
}

}  // namespace
