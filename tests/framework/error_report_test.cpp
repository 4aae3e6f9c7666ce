// Error pop-ups for driver failures and for errors the instrument has queued.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework.hpp"
#include "framework_support.hpp"
#include "program_harness.hpp"

namespace {

constexpr int TIMEOUT_STATUS = static_cast<int>(0xBFFF0015);

void auto_update_on() {
    if (!gu::auto_update) uirt::test::pick_menu(gu::menu_bar, gu::MENU_ITEM_UPDATE);
    ASSERT_EQ(gu::auto_update, 1);
}

int update_checked() {
    int checked = -1;
    uirt::GetMenuBarAttribute(gu::menu_bar, gu::MENU_ITEM_UPDATE, uirt::ATTR_CHECKED, &checked);
    return checked;
}

TEST(ErrorReport, DriverFailuresShowTheirTextAndSwitchAutoUpdateOffOnce) {
    gutest::use_bus(fwtest::live_bus());
    gutest::run_program([&] {
        auto_update_on();
        uirt::test::clear_popups();
        char expected[gu::ERROR_TEXT_SIZE] = {};
        gu::vo_error_message(gu::instr_session, TIMEOUT_STATUS, expected);
        ASSERT_NE(expected[0], '\0');
        gu::drv_status = 5;

        EXPECT_EQ(gu::display_error(gu::instr_session, TIMEOUT_STATUS, "vo_sampCoun"), 1);
        EXPECT_EQ(gu::display_error(gu::instr_session, TIMEOUT_STATUS, "vo_trigCoun"), 1);
        const auto first = fwtest::popups_titled("Error in vo_sampCoun");
        ASSERT_EQ(first.size(), 1u);
        EXPECT_EQ(first[0].text, "Error -1073807339: " + std::string(expected));
        EXPECT_EQ(fwtest::count_titled("Error in vo_trigCoun"), 1);
        const auto notes = fwtest::popups_titled("Message");
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].text, "Auto Update Disabled.");
        EXPECT_EQ(gu::auto_update, 0);
        EXPECT_EQ(update_checked(), 0);
        EXPECT_EQ(gu::drv_status, 5);  // never changed by the report

        const std::string long_name(300, 'x');  // titles are cut, never overrun
        EXPECT_EQ(gu::display_error(gu::instr_session, TIMEOUT_STATUS, long_name.c_str()), 1);
        EXPECT_LT(uirt::test::popups().back().title.size(), 80u);
    });
}

TEST(ErrorReport, QueuedInstrumentErrorsReachThePopupAndTheStatusPanel) {
    gutest::use_bus(fwtest::live_bus());
    gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 1);
        const char bogus[] = "XYZZY\n";
        ViUInt32 count = 0;
        ASSERT_EQ(gu::ViWrite(gu::instr_session, reinterpret_cast<ViConstBuf>(bogus),
                              static_cast<ViUInt32>(std::strlen(bogus)), &count),
                  0);
        uirt::test::clear_popups();
        const int code =
            gu::display_error(gu::instr_session, gu::instr_error_detected, "vo_sampCoun");
        EXPECT_LT(code, 0);
        const auto shown = fwtest::popups_titled("Device Error in vo_sampCoun");
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text.rfind("Error " + std::to_string(code) + ": ", 0), 0u);
        int shown_code = 0;
        gu::ErrorVal(0, gu::MSG_GET, &shown_code);
        EXPECT_EQ(shown_code, code);

        // The queue is empty now: nothing shown, the status panel shows code 0.
        uirt::test::clear_popups();
        EXPECT_EQ(gu::display_error(gu::instr_session, gu::instr_error_detected, "vo_x"), 0);
        EXPECT_TRUE(uirt::test::popups().empty());
        gu::ErrorVal(0, gu::MSG_GET, &shown_code);
        EXPECT_EQ(shown_code, 0);
        gu::Name text{};
        gu::ErrorMsg(0, gu::MSG_GET, text.data());
        EXPECT_STREQ(text.data(), gu::error_text);
    });
}

TEST(ErrorReport, QueuedErrorWithLiveModeOffShowsNothing) {
    gutest::use_bus(fwtest::OFFLINE_BUS);
    gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 0);
        uirt::test::clear_popups();
        EXPECT_EQ(gu::display_error(gu::instr_session, gu::instr_error_detected, "vo_x"), 1);
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

}  // namespace
