// Measurements that wait: how they end, what the displays show meanwhile, and what the
// user's actions during the wait do to them.
#include <chrono>
#include <thread>

#include "fault_scenario.hpp"

using namespace faulttest;

namespace {

constexpr int APERTURE = 3;                       // configuration panel
constexpr int ITEM_1_67_S = 8, ITEM_16_7_MS = 4;  // aperture ring items
constexpr int READ_STATUS = 14;                   // status panel
constexpr int CANCEL = 31;                        // secondary panels
constexpr int MENU_TRIGGER = 4, MENU_STATUS = 7, MENU_ABOUT = 17;
constexpr int ITEM_AC_VOLTS = 1, ITEM_10_V = 3;  // function and range rings
constexpr int CODE_AC_VOLTS = 4;

// Idle events 20 ms apart until the measurement ends (at most `ms`); false if it did not.
bool poll_until_done(int ms) {
    for (int waited = 0; gu::measuring && waited < ms; waited += 20) {
        if (!uirt::test::idle()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return gu::measuring == 0;
}

std::string text_of(int panel, int control, int attribute) {
    char text[128]{};
    uirt::GetCtrlAttribute(panel, control, attribute, text, sizeof text);
    return text;
}
std::string reading_text() {
    return text_of(gu::main_panel, READING, uirt::ATTR_TEXT_IN_PLACE_OF_VALUE);
}
std::string graph_caption() {
    return text_of(gu::main_panel, GRAPH, uirt::ATTR_XNAME);
}
bool reading_dimmed() {
    int on = 0;
    uirt::GetCtrlAttribute(gu::main_panel, READING, uirt::ATTR_DIMMED, &on);
    return on != 0;
}

// The bus-triggered reading and block end through the ordinary poll once the instrument
// has its data; an early Fetch asks nothing that could keep the window waiting.
TEST(Wait, ABusTriggeredMeasurementEndsThroughThePoll) {
    std::string trace;
    run_live("", trace, [&] {
        select_trigger_source(SOURCE_BUS);
        uirt::test::select_index(gu::config_panel, APERTURE, ITEM_1_67_S);  // beyond 500 ms
        Commands sent;
        const auto triggers = calls_by(trace, "viAssertTrigger", [&] {
            sent = sent_by(trace, [] { uirt::test::click(gu::main_panel, READING); });
        });
        EXPECT_EQ(triggers.size(), 1u);
        EXPECT_EQ(sent, (Commands{"INIT", "FETC?"}));
        ASSERT_EQ(gu::measuring, 1);
        EXPECT_EQ(reading_text(), "measuring\u2026");  // not a reading
        EXPECT_TRUE(reading_dimmed());
        EXPECT_TRUE(abort_button_shown());
        EXPECT_EQ(uirt::test::mouse_cursor(), uirt::VAL_HOUR_GLASS_CURSOR);

        sent = sent_by(trace, [] { uirt::test::press(gu::trigger_wait_panel, FETCH); });
        EXPECT_TRUE(sent.empty());  // the reply is not there yet: the wait goes on
        EXPECT_EQ(gu::measuring, 1);

        auto popups =
            shown_by([&] { sent = sent_by(trace, [] { EXPECT_TRUE(poll_until_done(5000)); }); });
        EXPECT_TRUE(popups.empty());
        EXPECT_EQ(sent, Commands{"FETC?"});
        EXPECT_NEAR(reading(), VOLTS, 1e-3);
        EXPECT_EQ(reading_text(), "");
        EXPECT_FALSE(reading_dimmed());
        EXPECT_FALSE(abort_button_shown());
        uirt::test::select_index(gu::config_panel, APERTURE, ITEM_16_7_MS);

        // A block: the program gives the first trigger, the panel the last two.
        set_trigger_count(3);
        uirt::test::click(gu::main_panel, GRAPH);
        ASSERT_EQ(gu::measuring, 1);
        EXPECT_TRUE(plotted().empty());  // no earlier block shown as this one
        EXPECT_EQ(graph_caption(), "measuring\u2026 3 readings, 1 of 3 triggers given");
        uirt::test::press(gu::trigger_wait_panel, ALL_TRIGGERS);
        EXPECT_EQ(graph_caption(), "measuring\u2026 3 readings, 3 of 3 triggers given");
        popups = shown_by([] { EXPECT_TRUE(poll_until_done(3000)); });
        EXPECT_TRUE(popups.empty());
        EXPECT_TRUE(all_near(plotted(), 3, VOLTS));
        EXPECT_EQ(graph_caption(), "Reading number");
        EXPECT_FALSE(uirt::test::panel_visible(gu::trigger_wait_panel));
        select_trigger_source(SOURCE_IMMEDIATE);
        expect_still_working(trace);
    });
}

// Status reads, a panel's Cancel and setting changes during a wait reach the instrument
// only after the measurement, in the order the user made them.
TEST(Wait, ActionsDuringAWaitTakeTheirTurnInTheOrderMade) {
    std::string trace;
    run_live("", trace, [&] {
        select_trigger_source(SOURCE_BUS);
        set_trigger_count(2);
        uirt::test::click(gu::main_panel, GRAPH);
        ASSERT_EQ(gu::measuring, 1);
        Commands sent = sent_by(trace, [] {
            uirt::test::press(gu::status_panel, READ_STATUS);
            uirt::test::pick_menu(gu::menu_bar, MENU_TRIGGER);
            set_trigger_count(5);
            uirt::test::press(gu::trigger_panel, CANCEL);
            uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_AC_VOLTS);
            uirt::test::select_index(gu::main_panel, RANGE, ITEM_10_V);
        });
        EXPECT_TRUE(sent.empty());
        EXPECT_FALSE(uirt::test::panel_visible(gu::trigger_panel));  // Cancel closes at once

        auto popups = shown_by([] { fetch_after_trigger(); });
        EXPECT_TRUE(popups.empty());  // no query cut the fetch off
        EXPECT_TRUE(all_near(plotted(), 2, VOLTS));

        popups = shown_by([&] {
            sent = sent_by(trace, [] {
                for (int i = 0; i < 20 && gu::pending_count > 0; ++i) uirt::test::idle();
            });
        });
        EXPECT_TRUE(popups.empty());
        EXPECT_EQ(gu::pending_count, 0);
        const auto first = [&](const std::string& prefix) {
            for (std::size_t i = 0; i < sent.size(); ++i)
                if (sent[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
            return -1;
        };
        ASSERT_GE(first("STAT:QUES?"), 0);
        EXPECT_LT(first("TRIG:COUN 5"), first("TRIG:COUN 2"));  // the cancel after the change
        ASSERT_GE(first("VOLT:AC:RANG 10"), 0);
        EXPECT_LT(first("CONF:VOLT:AC"), first("VOLT:AC:RANG 10"));

        int code = -1, range = -1, triggers = -1;
        gu::Function(0, gu::MSG_QUERY, &code);
        gu::ConfigRange(0, gu::MSG_QUERY, &range);
        gu::TrigCount(0, gu::MSG_QUERY, &triggers);
        EXPECT_EQ(code, CODE_AC_VOLTS);
        EXPECT_EQ(range, ITEM_10_V);
        EXPECT_EQ(triggers, 2);
    });
}

// A panel opened over the trigger-wait panel and closed again leaves it in front: the
// wait still ends by its own buttons.
TEST(Wait, TheTriggerWaitPanelComesBackInFrontWhenAPanelOverItCloses) {
    std::string trace;
    run_live("", trace, [&] {
        select_trigger_source(SOURCE_BUS);
        set_trigger_count(3);
        uirt::test::click(gu::main_panel, GRAPH);
        ASSERT_EQ(gu::measuring, 1);
        EXPECT_TRUE(uirt::test::panel_in_front(gu::trigger_wait_panel));
        uirt::test::pick_menu(gu::menu_bar, MENU_STATUS);
        EXPECT_FALSE(uirt::test::panel_in_front(gu::trigger_wait_panel));
        uirt::test::press(gu::status_panel, CANCEL);
        EXPECT_TRUE(uirt::test::panel_in_front(gu::trigger_wait_panel));
        uirt::test::pick_menu(gu::menu_bar, MENU_ABOUT);
        uirt::test::send_event(gu::about_panel, 0, uirt::EVENT_LEFT_CLICK);  // closes About
        EXPECT_TRUE(uirt::test::panel_in_front(gu::trigger_wait_panel));

        const auto triggers = calls_by(trace, "viAssertTrigger", [] {
            uirt::test::press(gu::trigger_wait_panel, ALL_TRIGGERS);
        });
        EXPECT_EQ(triggers.size(), 2u);
        EXPECT_TRUE(poll_until_done(3000));
        EXPECT_TRUE(all_near(plotted(), 3, VOLTS));
        select_trigger_source(SOURCE_IMMEDIATE);
    });
}

// The close request answered No: the measurement goes on to its end, after which
// instrument errors are reported again.
TEST(Wait, CloseAnsweredNoDuringAWaitLetsItEnd) {
    std::string trace;
    run_live("", trace, [&] {
        select_trigger_source(SOURCE_BUS);
        set_trigger_count(2);
        uirt::test::click(gu::main_panel, GRAPH);
        ASSERT_EQ(gu::measuring, 1);
        uirt::test::push_answer({0, ""});
        const auto closes =
            calls_by(trace, "viClose", [] { uirt::test::close_window(gu::frame_panel); });
        EXPECT_TRUE(closes.empty());
        EXPECT_EQ(gu::measuring, 1);
        EXPECT_TRUE(abort_button_shown());
        fetch_after_trigger();
        EXPECT_TRUE(all_near(plotted(), 2, VOLTS));
        select_trigger_source(SOURCE_IMMEDIATE);
        expect_still_working(trace);
    });
}

}  // namespace
