// Panels, menus, the main callback and the secondary panels' buttons.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "framework.hpp"
#include "framework_support.hpp"
#include "program_harness.hpp"

namespace {

enum MenuItem {
    MAIN = 1,
    SYNC = 2,
    UPDATE = 3,
    TRIGGER = 4,
    CONFIG = 5,
    EXIT = 13,
    HELP = 16,
    ABOUT = 17
};
constexpr int OK_BUTTON = 30, CANCEL_BUTTON = 31, APPLY_BUTTON = 32;
constexpr int TRIG_COUNT_CTRL = 3;

int panel_attr(int panel, int attribute) {
    int value = -1;
    uirt::GetPanelAttribute(panel, attribute, &value);
    return value;
}

TEST(Panels, WidgetsAreBoundAndPanelsPlacedBelowTheMenuBar) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        int ctrl = 0, panel = 0;
        gu::SampleCount(0, gu::MSG_GET_CTRL, &ctrl);
        gu::SampleCount(0, gu::MSG_GET_PANEL, &panel);
        EXPECT_EQ(ctrl, 11);
        EXPECT_EQ(panel, gu::main_panel);
        gu::TtlTrg7(0, gu::MSG_GET_CTRL, &ctrl);
        gu::TtlTrg7(0, gu::MSG_GET_PANEL, &panel);
        EXPECT_EQ(ctrl, 3);
        EXPECT_EQ(panel, gu::inout_panel);
        gu::ReadStatus(0, gu::MSG_GET_CTRL, &ctrl);
        EXPECT_EQ(ctrl, 14);  // the last of its seven records
        EXPECT_EQ(gu::live_led, 7);
        EXPECT_GT(gu::menu_height, 0);

        for (int p : {gu::trigger_panel, gu::config_panel, gu::math_panel, gu::status_panel,
                      gu::inout_panel, gu::selftest_panel, gu::trigger_wait_panel})
            EXPECT_EQ(panel_attr(p, uirt::ATTR_TOP),
                      gu::menu_height + panel_attr(p, uirt::ATTR_TITLEBAR_THICKNESS));
        EXPECT_EQ(panel_attr(gu::about_panel, uirt::ATTR_TOP), 16);
        EXPECT_FALSE(uirt::test::panel_visible(gu::trigger_wait_panel));
        EXPECT_TRUE(uirt::test::panel_visible(gu::main_panel));
    });
}

// A measurement under way goes on (and so reaches the end that turns the driver's error
// query back on).
TEST(Panels, CloseRequestAnsweredNoKeepsRunningAndTheMeasurementGoesOn) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        gu::measuring = 1;
        uirt::test::clear_popups();
        uirt::test::push_answer({0, ""});
        uirt::test::close_window(gu::frame_panel);
        EXPECT_EQ(fwtest::count_titled("Exit VO Q7304A"), 1);
        EXPECT_EQ(gu::measuring, 1);
        EXPECT_EQ(gu::closing, 0);

        int tag = 0;
        gu::measuring = 1;  // an event parked, then replayed: idle events are handled again
        gu::add_pending_event(
            [](int, int, int, void* data, int, int) {
                ++*static_cast<int*>(data);
                return 0;
            },
            0, 0, 0, &tag, 0, 0);
        gu::measuring = 0;
        ASSERT_TRUE(uirt::test::idle());
        EXPECT_EQ(tag, 1);
    });
}

TEST(Panels, CloseRequestAnsweredYesEndsTheProgramAndIgnoresLaterEvents) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        uirt::test::push_answer({1, ""});
        uirt::test::close_window(gu::frame_panel);
        EXPECT_EQ(gu::closing, 1);
        EXPECT_EQ(uirt::test::last_quit_value(), 0);
        uirt::test::close_window(gu::frame_panel);  // no second confirmation
        EXPECT_EQ(fwtest::count_titled("Exit VO Q7304A"), 1);
        gu::measuring = 1;  // idle events are no longer handled: nothing is polled
        gu::poll_count = 0;
        uirt::test::idle();
        EXPECT_EQ(gu::poll_count, 0);
        gu::measuring = 0;
    });
}

TEST(Panels, ResizingChoosesScrollBarsAndCutsTheSize) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        const int p = gu::frame_panel;
        uirt::test::resize(p, 350, 300);
        EXPECT_EQ(panel_attr(p, uirt::ATTR_SCROLL_BARS), uirt::VAL_BOTH_SCROLL_BARS);
        EXPECT_EQ(panel_attr(p, uirt::ATTR_WIDTH), 350);
        uirt::test::resize(p, 500, 300);
        EXPECT_EQ(panel_attr(p, uirt::ATTR_SCROLL_BARS), uirt::VAL_VERT_SCROLL_BAR);
        EXPECT_EQ(panel_attr(p, uirt::ATTR_WIDTH), 400);
        EXPECT_EQ(panel_attr(p, uirt::ATTR_HEIGHT), 300);
        uirt::test::resize(p, 500, 400);
        EXPECT_EQ(panel_attr(p, uirt::ATTR_SCROLL_BARS), uirt::VAL_NO_SCROLL_BARS);
        EXPECT_EQ(panel_attr(p, uirt::ATTR_WIDTH), 400);
        EXPECT_EQ(panel_attr(p, uirt::ATTR_HEIGHT), 316);
        uirt::test::resize(p, 300, 500);
        EXPECT_EQ(panel_attr(p, uirt::ATTR_SCROLL_BARS), uirt::VAL_HORIZ_SCROLL_BAR);
    });
}

TEST(Menus, PanelSwitchingAboutUpdateSyncAndExit) {
    gutest::use_bus(fwtest::live_bus());
    const auto trace = gutest::use_trace();
    gutest::run_program([&] {
        uirt::test::pick_menu(gu::menu_bar, TRIGGER);
        EXPECT_EQ(gu::shown_panel, gu::trigger_panel);
        EXPECT_TRUE(uirt::test::panel_visible(gu::trigger_panel));

        uirt::test::pick_menu(gu::menu_bar, ABOUT);  // over the trigger panel
        EXPECT_TRUE(uirt::test::panel_visible(gu::about_panel));
        EXPECT_FALSE(uirt::test::panel_visible(gu::trigger_panel));
        EXPECT_EQ(gu::shown_panel, gu::trigger_panel);
        uirt::test::send_event(gu::about_panel, 0, uirt::EVENT_LEFT_CLICK);
        EXPECT_FALSE(uirt::test::panel_visible(gu::about_panel));
        EXPECT_TRUE(uirt::test::panel_visible(gu::trigger_panel));

        uirt::test::pick_menu(gu::menu_bar, MAIN);
        EXPECT_EQ(gu::shown_panel, 0);
        EXPECT_FALSE(uirt::test::panel_visible(gu::trigger_panel));

        uirt::test::pick_menu(gu::menu_bar, UPDATE);
        EXPECT_EQ(gu::auto_update, 1);
        uirt::test::pick_menu(gu::menu_bar, UPDATE);
        EXPECT_EQ(gu::auto_update, 0);

        gu::measuring = 1;
        auto before = gutest::trace_line_count(trace);
        uirt::test::pick_menu(gu::menu_bar, SYNC);
        EXPECT_TRUE(gutest::written_commands_since(trace, before).empty());
        gu::measuring = 0;
        uirt::test::pick_menu(gu::menu_bar, SYNC);
        EXPECT_FALSE(gutest::written_commands_since(trace, before).empty());

        uirt::test::clear_popups();
        uirt::test::push_answer({0, ""});
        uirt::test::pick_menu(gu::menu_bar, EXIT);
        EXPECT_EQ(fwtest::count_titled("Exit VO Q7304A"), 1);
    });
}

TEST(SecondaryPanels, CancelRestoresAndResendsTheSettingsSavedAtOpening) {
    gutest::use_bus(fwtest::live_bus());
    const auto trace = gutest::use_trace();
    gutest::run_program([&] {
        uirt::test::pick_menu(gu::menu_bar, TRIGGER);
        uirt::test::set_value(gu::trigger_panel, TRIG_COUNT_CTRL, 5.0);
        int count = 0;
        gu::TrigCount(0, gu::MSG_GET, &count);
        ASSERT_EQ(count, 5);
        uirt::test::press(gu::trigger_panel, APPLY_BUTTON);
        EXPECT_EQ(gu::applied, 1);

        const auto before = gutest::trace_line_count(trace);
        uirt::test::press(gu::trigger_panel, CANCEL_BUTTON);
        gu::TrigCount(0, gu::MSG_GET, &count);
        EXPECT_EQ(count, 1);
        const auto sent = gutest::written_commands_since(trace, before);
        EXPECT_TRUE(std::any_of(sent.begin(), sent.end(),
                                [](const std::string& c) { return c.rfind("TRIG:COUN", 0) == 0; }));
        EXPECT_EQ(gu::applied, 0);
        EXPECT_FALSE(uirt::test::panel_visible(gu::trigger_panel));
        EXPECT_TRUE(uirt::test::panel_visible(gu::main_panel));
        EXPECT_EQ(gu::shown_panel, 0);  // the main panel is what is shown now

        uirt::test::pick_menu(gu::menu_bar, CONFIG);
        uirt::test::press(gu::config_panel, OK_BUTTON);
        EXPECT_FALSE(uirt::test::panel_visible(gu::config_panel));
        EXPECT_EQ(gu::applied, 0);
    });
}

TEST(SecondaryPanels, AutoUpdateRefreshesTheReadingAgainAfterOkOrCancel) {
    gutest::use_bus(fwtest::live_bus());
    const auto trace = gutest::use_trace();
    gutest::run_program([&] {
        const auto readings_after = [&](std::size_t from) {
            const auto sent = gutest::written_commands_since(trace, from);
            return std::count(sent.begin(), sent.end(), "FETC?");
        };
        uirt::test::pick_menu(gu::menu_bar, UPDATE);
        ASSERT_EQ(gu::auto_update, 1);

        uirt::test::pick_menu(gu::menu_bar, TRIGGER);
        auto before = gutest::trace_line_count(trace);
        uirt::test::idle();
        EXPECT_EQ(readings_after(before), 0);  // not while the trigger panel is over the main one

        uirt::test::press(gu::trigger_panel, OK_BUTTON);
        before = gutest::trace_line_count(trace);
        uirt::test::idle();
        EXPECT_EQ(readings_after(before), 1);

        uirt::test::pick_menu(gu::menu_bar, CONFIG);
        uirt::test::press(gu::config_panel, CANCEL_BUTTON);
        before = gutest::trace_line_count(trace);
        uirt::test::idle();
        EXPECT_EQ(readings_after(before), 1);

        uirt::test::pick_menu(gu::menu_bar, ABOUT);  // then back to the main panel, not the closed one
        uirt::test::send_event(gu::about_panel, 0, uirt::EVENT_LEFT_CLICK);
        EXPECT_TRUE(uirt::test::panel_visible(gu::main_panel));
        EXPECT_FALSE(uirt::test::panel_visible(gu::config_panel));
    });
}

TEST(Menus, HelpOpensTheFileInTheViewerWithoutAShell) {
    namespace fs = std::filesystem;
    const fs::path exe_dir = fs::read_symlink("/proc/self/exe").parent_path();
    const fs::path help = exe_dir / "voq7304.hlp";
    const bool had_help = fs::exists(help);
    const fs::path viewer_dir =
        fs::path(gutest::write_temp_file("viewer-marker", "")).parent_path() / "viewer-bin";
    fs::create_directories(viewer_dir);
    const fs::path seen = viewer_dir / "seen.txt";
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        ::setenv("PATH", viewer_dir.c_str(), 1);  // no viewer at all
        if (!had_help) {
            uirt::test::clear_popups();
            uirt::test::pick_menu(gu::menu_bar, HELP);
            EXPECT_EQ(fwtest::count_titled("Help"), 1);  // missing file: a note, no hang
            std::ofstream(help) << "help";
        }
        uirt::test::clear_popups();
        uirt::test::pick_menu(gu::menu_bar, HELP);
        EXPECT_EQ(fwtest::count_titled("Help"), 1);  // no viewer: a note, no crash

        const fs::path script = viewer_dir / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" << seen.string()
                              << "'\n";
        fs::permissions(script, fs::perms::owner_all);
        uirt::test::clear_popups();
        uirt::test::pick_menu(gu::menu_bar, HELP);
        EXPECT_EQ(fwtest::count_titled("Help"), 0);
        for (int i = 0; i < 100 && !fs::exists(seen); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(gutest::read_file(seen.string()), "1|" + help.string());
    });
    if (!had_help) fs::remove(help);
}

}  // namespace
