// Choosing among several instruments at start-up: the Instrument Select dialog.
#include <gtest/gtest.h>

#include "scenario.hpp"

namespace {

constexpr int SELECT_LIST = 2;
constexpr int SELECT_OK = 3;
constexpr int SELECT_CANCEL = 4;

using Names = std::vector<std::string>;

std::string gpib_q7304(const std::string& name) {
    return "[" + name + "]\ninterface = gpib\nq7304 = yes\n";
}

void two_vxi_instruments() {
    gutest::use_bus(std::string(apptest::Q7304_AT_24) + apptest::Q7304_AT_25);
}

TEST(SelectDialog, OkOnTheSecondItemOpensIt) {
    two_vxi_instruments();
    Names labels;
    uirt::test::on_install_popup([&](int panel) {
        labels = uirt::test::list_labels(panel, SELECT_LIST);
        uirt::test::select_index(panel, SELECT_LIST, 1);
        uirt::test::press(panel, SELECT_OK);
    });
    bool ran = false;
    gutest::run_program([&] {
        ran = true;
        EXPECT_STREQ(gu::rsrc_name, "VXI0::25::INSTR");
        EXPECT_EQ(gu::livemode, 1);
        EXPECT_TRUE(apptest::led_lit_green());
        EXPECT_FALSE(uirt::test::panel_visible(gu::select_panel));
        EXPECT_TRUE(uirt::test::popups().empty());
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(labels, (Names{"Interface: VXI0  Log Addr 24", "Interface: VXI0  Log Addr 25"}));
}

TEST(SelectDialog, DoubleClickActsLikeOk) {
    two_vxi_instruments();
    uirt::test::on_install_popup([](int panel) {
        uirt::test::select_index(panel, SELECT_LIST, 1);
        uirt::test::double_click(panel, SELECT_LIST);
    });
    gutest::run_program([] { EXPECT_STREQ(gu::rsrc_name, "VXI0::25::INSTR"); });
}

// Cancel, and the dialog's close box, which is Cancel too.
void cancelled_by(void (*cancel)(int panel)) {
    two_vxi_instruments();
    const auto trace = gutest::use_trace();
    uirt::test::on_install_popup(cancel);
    bool ran = false;
    const int result = gutest::run_program([&] { ran = true; });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(ran);  // the event loop was never entered
    EXPECT_EQ(apptest::shown(),
              (std::vector<apptest::Shown>{
                  {"Instrument Select", "No Instrument Selected.  Exiting Program"}}));
    EXPECT_STREQ(gu::rsrc_name, "");
    EXPECT_TRUE(gutest::written_commands(trace).empty());  // nothing sent to an instrument
    const auto opens = apptest::trace_calls(trace, "viOpen");
    EXPECT_EQ(opens.size(), 2u);  // the finder's examinations only
}

TEST(SelectDialog, CancelEndsTheProgramWithoutAnInstrument) {
    cancelled_by([](int panel) { uirt::test::press(panel, SELECT_CANCEL); });
}

TEST(SelectDialog, TheCloseBoxIsCancel) {
    cancelled_by([](int panel) { uirt::test::close_window(panel); });
}

TEST(SelectDialog, PlainGpibInstrumentsAreNotOfferedTheFirstIsUsed) {
    gutest::use_bus(gpib_q7304("GPIB0::5::INSTR") + gpib_q7304("GPIB0::6::INSTR"));
    bool dialog = false;
    uirt::test::on_install_popup([&](int panel) {
        dialog = true;
        uirt::test::press(panel, SELECT_CANCEL);
    });
    gutest::run_program([] {
        EXPECT_TRUE(uirt::test::popups().empty());
        EXPECT_STREQ(gu::rsrc_name, "GPIB0::5::INSTR");
        EXPECT_EQ(gu::livemode, 1);
    });
    EXPECT_FALSE(dialog);
}

TEST(SelectDialog, OneVxiBesideGpibIsChosenWithoutDialog) {
    gutest::use_bus(gpib_q7304("GPIB0::5::INSTR") + apptest::Q7304_AT_24);
    bool dialog = false;
    uirt::test::on_install_popup([&](int panel) {
        dialog = true;
        uirt::test::press(panel, SELECT_CANCEL);
    });
    gutest::run_program([] { EXPECT_STREQ(gu::rsrc_name, "VXI0::24::INSTR"); });
    EXPECT_FALSE(dialog);
}

}  // namespace
