// The main sequence from start-up to the event loop, and what it leaves behind.
#include <gtest/gtest.h>

#include "scenario.hpp"

namespace {

using apptest::Shown;

constexpr int RESET_BUTTON = 14;  // on the main panel
constexpr int CLOSE_BUTTON = 16;

uirt::test::Answer yes() {
    return uirt::test::Answer{.result = 1, .path = {}};
}
uirt::test::Answer no() {
    return uirt::test::Answer{.result = 0, .path = {}};
}
// The bus offers no fault that lets the finder open a device and the driver not, so the
// driver's open is made to fail while the user picks an instrument.
ViStatus failing_init(ViRsrc, ViBoolean, ViBoolean, ViPSession session) {
    *session = VI_NULL;
    return static_cast<ViStatus>(0xBFFF0011);  // resource not found
}

TEST(MainSequence, OneInstrumentIsOpenedWithoutDialogAndReadBack) {
    gutest::use_bus(apptest::Q7304_AT_24);
    const auto trace = gutest::use_trace();
    bool ran = false;
    const int result = gutest::run_program([&] {
        ran = true;
        EXPECT_TRUE(uirt::test::popups().empty());
        EXPECT_EQ(gu::select_panel, 0);  // the dialog was never loaded
        EXPECT_EQ(gu::livemode, 1);
        EXPECT_TRUE(apptest::led_lit_green());
        EXPECT_STREQ(gu::rsrc_name, "VXI0::24::INSTR");
        EXPECT_EQ(uirt::test::idle_rate(), 100);
        EXPECT_EQ(uirt::test::mouse_cursor(), uirt::VAL_DEFAULT_CURSOR);
        EXPECT_TRUE(uirt::test::panel_visible(gu::frame_panel));
        EXPECT_EQ(gu::measuring, 0);
        EXPECT_EQ(gu::auto_update, 0);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(result, 0);
    // Opened by the driver, then every setting read back from the instrument.
    EXPECT_TRUE(apptest::contains(apptest::trace_calls(trace, "viOpen"), "VXI0::24::INSTR"));
    const auto sent = gutest::written_commands(trace);
    EXPECT_TRUE(std::find(sent.begin(), sent.end(), "SAMP:COUN?") != sent.end());
    EXPECT_TRUE(std::find(sent.begin(), sent.end(), "TRIG:COUN?") != sent.end());
}

TEST(MainSequence, NoInstrumentOnTheBusRunsWithoutLiveMode) {
    gutest::use_bus("# an empty chassis\n");
    bool ran = false;
    gutest::run_program([&] {
        ran = true;
        EXPECT_EQ(apptest::shown(),
                  (std::vector<Shown>{
                      {"Initialize Message", "Could not find an VO Q7304A.  Livemode disabled"}}));
        EXPECT_EQ(gu::livemode, 0);
        EXPECT_FALSE(apptest::led_lit_green());
        EXPECT_STREQ(gu::rsrc_name, "");
        EXPECT_EQ(apptest::sample_count(), 1);
    });
    EXPECT_TRUE(ran);
}

TEST(MainSequence, WithoutItsResourceFileTheProgramSaysSoAndEndsWithMinusOne) {
    ::setenv("UIRT_RESOURCE_DIR", "/nonexistent", 1);
    const auto trace = gutest::use_trace();
    bool ran = false;
    EXPECT_EQ(gutest::run_program([&] { ran = true; }), -1);
    EXPECT_FALSE(ran);
    EXPECT_EQ(apptest::shown(),
              (std::vector<Shown>{{"Initialize Error",
                                   "The user interface file gu7304.uir could not be loaded.  "
                                   "Exiting Program"}}));
    EXPECT_TRUE(apptest::trace_calls(trace, "viOpen").empty());  // nothing opened
}

TEST(MainSequence, NoMatchingInstrumentIsReportedAsNoneFound) {
    gutest::use_bus(
        "[VXI0::7::INSTR]\ninterface = vxi\nmanufacturer = 4095\nmodel = 705\n"
        "logical_address = 7\nq7304 = no\n");
    gutest::run_program([] {
        EXPECT_EQ(apptest::shown(),
                  (std::vector<Shown>{
                      {"Initialize Message", "No Instruments Found.  Livemode Disabled"}}));
        EXPECT_EQ(gu::livemode, 0);
        EXPECT_STREQ(gu::rsrc_name, "");
    });
}

TEST(MainSequence, FailedOpenIsReportedAndTheNameKept) {
    gutest::use_bus(std::string(apptest::Q7304_AT_24) + apptest::Q7304_AT_25);
    const auto trace = gutest::use_trace();
    uirt::test::on_install_popup([](int panel) {
        gu::vo_init = failing_init;
        uirt::test::select_index(panel, 2, 0);
        uirt::test::press(panel, 3);
    });
    std::size_t before_quit = 0;
    const int result = gutest::run_program([&] {
        EXPECT_EQ(apptest::shown(),
                  (std::vector<Shown>{
                      {"Initialize Error", "Error Initializing Instrument. Livemode disabled."}}));
        EXPECT_EQ(gu::livemode, 0);
        EXPECT_FALSE(apptest::led_lit_green());
        EXPECT_STREQ(gu::rsrc_name, "VXI0::24::INSTR");
        EXPECT_EQ(apptest::sample_count(), 1);  // defaults, nothing read back
        // Quit answered yes: no session to close, both modules unloaded, exit code 0.
        before_quit = gutest::trace_line_count(trace);
        uirt::test::push_answer(yes());
        uirt::test::press(gu::main_panel, CLOSE_BUTTON);
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(apptest::trace_calls(trace, "viClose", before_quit).empty());
    EXPECT_EQ(uirt::GetExternalModuleAddr(gu::module, "voq7304_init", nullptr), nullptr);
    EXPECT_EQ(uirt::GetExternalModuleAddr(gu::visa_module, "viOpen", nullptr), nullptr);
}

TEST(MainSequence, QuitAnsweredNoChangesNothingAndYesClosesTheSession) {
    gutest::use_bus(apptest::Q7304_AT_24);
    const auto trace = gutest::use_trace();
    const int result = gutest::run_program([&] {
        uirt::test::push_answer(no());
        uirt::test::press(gu::main_panel, CLOSE_BUTTON);
        ASSERT_EQ(uirt::test::popups().size(), 1u);
        EXPECT_EQ(uirt::test::popups()[0].kind, "confirm");
        EXPECT_EQ(uirt::test::popups()[0].title, "Exit VO Q7304A");
        EXPECT_EQ(uirt::test::popups()[0].text, "         OK to Quit?");
        EXPECT_EQ(gu::livemode, 1);
        EXPECT_TRUE(uirt::test::panel_visible(gu::frame_panel));

        const std::size_t before_quit = gutest::trace_line_count(trace);
        uirt::test::push_answer(yes());
        uirt::test::pick_menu(gu::menu_bar, 13);  // File > Exit
        EXPECT_EQ(gu::livemode, 0);
        // The instrument session and the driver's resource manager.
        EXPECT_EQ(apptest::trace_calls(trace, "viClose", before_quit).size(), 2u);
    });
    EXPECT_EQ(result, 0);
}

TEST(MainSequence, ResetReloadsDefaultsAfterClearingTheInstrument) {
    gutest::use_bus(apptest::Q7304_AT_24);
    const auto trace = gutest::use_trace();
    gutest::run_program([&] {
        uirt::test::set_value(gu::main_panel, 11, 5.0);  // sample count
        ASSERT_EQ(apptest::sample_count(), 5);
        gu::auto_update = 1;
        const std::size_t from = gutest::trace_line_count(trace);
        uirt::test::press(gu::main_panel, RESET_BUTTON);
        EXPECT_EQ(gu::livemode, 1);
        EXPECT_EQ(gu::auto_update, 0);
        EXPECT_EQ(apptest::sample_count(), 1);
        EXPECT_EQ(apptest::trace_calls(trace, "viClear", from).size(), 1u);
        const auto sent = gutest::written_commands_since(trace, from);
        EXPECT_TRUE(std::find(sent.begin(), sent.end(), "*RST") != sent.end());
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(MainSequence, ResetWithFailingClearEndsLiveModeAndSkipsTheRest) {
    gutest::use_bus(std::string(apptest::Q7304_AT_24) + "fault.clear = fail\n");
    const auto trace = gutest::use_trace();
    gutest::run_program([&] {
        uirt::test::set_value(gu::main_panel, 11, 5.0);
        ASSERT_TRUE(apptest::led_lit_green());
        const std::size_t from = gutest::trace_line_count(trace);
        uirt::test::press(gu::main_panel, RESET_BUTTON);
        EXPECT_EQ(uirt::test::popups().size(), 1u);  // the one error report
        EXPECT_EQ(gu::livemode, 0);
        EXPECT_FALSE(apptest::led_lit_green());  // the Live light follows
        EXPECT_EQ(apptest::sample_count(), 5);  // defaults not reloaded
        const auto sent = gutest::written_commands_since(trace, from);
        EXPECT_TRUE(std::find(sent.begin(), sent.end(), "*RST") == sent.end());
    });
}

}  // namespace
