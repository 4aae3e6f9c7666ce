// Failed setting commits and setting queries: reported under the call's name, the value
// the user chose kept, and nothing after them lost.
#include <algorithm>

#include "fault_scenario.hpp"

using namespace faulttest;

namespace {

int trigger_count() {
    int n = 0;
    gu::TrigCount(0, gu::MSG_GET, &n);
    return n;
}

bool graph_shown() {
    int on = 0;
    uirt::GetCtrlAttribute(gu::main_panel, GRAPH, uirt::ATTR_CTRL_VISIBLE, &on);
    return on != 0;
}

TEST(SettingFaults, AFailedCommitIsReportedOnceAndTheNextCommitIsSent) {
    std::string trace;
    run_live("fault.write.fail = SAMP:COUN 5\n", trace, [&] {
        uirt::test::pick_menu(gu::menu_bar, MENU_AUTO_UPDATE);
        ASSERT_EQ(gu::auto_update, 1);
        Commands sent;
        auto popups = shown_by([&] { sent = sent_by(trace, [] { set_samples(5); }); });
        EXPECT_EQ(sent, Commands{"SAMP:COUN 5"});
        EXPECT_EQ(popups, (std::vector<Shown>{{"Error in vo_sampCoun", IO_ERROR_TEXT},
                                              {"Message", "Auto Update Disabled."}}));
        EXPECT_EQ(gu::auto_update, 0);
        int samples = 0;
        gu::SampleCount(0, gu::MSG_GET, &samples);
        EXPECT_EQ(samples, 5);      // what the user entered
        EXPECT_TRUE(graph_shown());  // the coupling still ran

        // The same failure again: its own report only, auto update being off already.
        set_samples(6);
        popups = shown_by([&] { sent = sent_by(trace, [] { set_samples(5); }); });
        EXPECT_EQ(sent, Commands{"SAMP:COUN 5"});
        EXPECT_EQ(popups, (std::vector<Shown>{{"Error in vo_sampCoun", IO_ERROR_TEXT}}));
        expect_still_working(trace);
    });
}

// An action under a fault that strikes once sends what the same action sends when healthy.
TEST(SettingFaults, FunctionAndRangeCommitsFailOnceAndLoseNothing) {
    std::string trace;
    run_live(
        "fault.write.fail = CONF:RES\nfault.times = 1\n"
        "fault.write.fail = VOLT:DC:RANG 1\nfault.times = 1\n",
        trace, [&] {
            constexpr int ITEM_DC_VOLTS = 0, ITEM_OHMS = 4, RANGE_1V = 2, RANGE_10V = 3;
            auto choose_function = [&] {
                return sent_by(trace, [] {
                    uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_OHMS);
                });
            };
            Commands failed;
            auto popups = shown_by([&] { failed = choose_function(); });
            ASSERT_EQ(popups.size(), 1u);
            EXPECT_EQ(popups[0], (Shown{"Error in vo_confRes", IO_ERROR_TEXT}));
            ASSERT_FALSE(failed.empty());
            EXPECT_EQ(failed.front(), "CONF:RES");
            uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_DC_VOLTS);
            Commands healthy;
            popups = shown_by([&] { healthy = choose_function(); });
            EXPECT_TRUE(popups.empty());
            EXPECT_EQ(failed, healthy);

            uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_DC_VOLTS);
            auto choose_range = [&] {
                return sent_by(trace, [] {
                    uirt::test::select_index(gu::main_panel, RANGE, RANGE_1V);
                });
            };
            popups = shown_by([&] { failed = choose_range(); });
            ASSERT_EQ(popups.size(), 1u);
            EXPECT_EQ(popups[0], (Shown{"Error in vo_VoltDcRang", IO_ERROR_TEXT}));
            ASSERT_FALSE(failed.empty());
            EXPECT_EQ(failed.front(), "VOLT:DC:RANG 1");
            uirt::test::select_index(gu::main_panel, RANGE, RANGE_10V);
            popups = shown_by([&] { healthy = choose_range(); });
            EXPECT_TRUE(popups.empty());
            EXPECT_EQ(failed, healthy);
            expect_still_working(trace);
        });
}

// Start-up reads the trigger count twice; the third read is the user's Sync.
TEST(QueryFaults, AFailedQueryInSyncIsReportedAndTheRestOfSyncRuns) {
    std::string trace;
    run_live("fault.write.fail = TRIG:COUN?\nfault.skip = 2\nfault.times = 1\n", trace, [&] {
        uirt::test::set_value(gu::trigger_panel, 3, 3);  // trigger count
        ASSERT_EQ(trigger_count(), 3);
        auto sync = [&] {
            return sent_by(trace, [] { uirt::test::pick_menu(gu::menu_bar, MENU_SYNC); });
        };
        Commands failed;
        auto popups = shown_by([&] { failed = sync(); });
        EXPECT_EQ(popups, (std::vector<Shown>{{"Error in vo_TrigCount", IO_ERROR_TEXT}}));
        EXPECT_EQ(trigger_count(), 3);  // the failed read changed nothing
        Commands healthy;
        popups = shown_by([&] { healthy = sync(); });
        EXPECT_TRUE(popups.empty());
        EXPECT_EQ(failed, healthy);
        EXPECT_EQ(std::count(healthy.begin(), healthy.end(), "TRIG:COUN?"), 2);
        EXPECT_EQ(healthy.back(), "*IDN?");  // the last group of Sync
        expect_still_working(trace);
    });
}

}  // namespace
