// Self-test, line frequency, About texts and the VXI identity of the instrument.
#include <gtest/gtest.h>

#include "panel_scenario.hpp"

namespace {

using namespace paneltest;

constexpr int SELF_TEST = 2, RESULTS = 3;             // self-test panel
constexpr int VTL_VER = 2, DLL_VER = 3, DRV_VER = 4;  // about panel
constexpr int VXI_SLOT = 9, VXI_LA = 10;              // main panel
constexpr int LINE_FREQUENCY = 7;                     // configuration panel

std::string bus_at_24(const std::string& changes) {
    return "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
           "q7304 = yes\n" +
           changes;
}

TEST(Identity, WithoutAnInstrumentNothingIsAsked) {
    run_offline([] {
        uirt::test::press(gu::selftest_panel, SELF_TEST);
        EXPECT_EQ(ctrl_text(gu::selftest_panel, RESULTS), "");
        gu::AboutGet(0);
        for (int c : {DRV_VER, DLL_VER, VTL_VER}) EXPECT_EQ(ctrl_text(gu::about_panel, c), "?");
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(Identity, LiveInstrumentTellsItsRevisionsAndSelfTest) {
    std::string trace;
    run_live("", trace, [&] {
        EXPECT_NE(ctrl_text(gu::about_panel, DRV_VER), "?");  // firmware revision, read at Sync
        EXPECT_NE(ctrl_text(gu::about_panel, DLL_VER), "?");
        EXPECT_STREQ(gu::rsrc_name, "VXI0::24::INSTR");
        char name[gu::NAME_SIZE] = {};
        gu::VXIDest(0, gu::MSG_QUERY, name);
        EXPECT_STREQ(name, "VXI0::24::INSTR");

        const auto sent = sent_by(trace, [] { uirt::test::press(gu::selftest_panel, SELF_TEST); });
        EXPECT_TRUE(has(sent, "*TST?"));
        EXPECT_EQ(ctrl_text(gu::selftest_panel, RESULTS), "Self test passed");
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(Identity, LineFrequencyIsSentReadBackThenApertureFollows) {
    std::string trace;
    run_live("", trace, [&] {
        const auto sent = sent_by(trace, [] {
            int hz = 60;
            gu::CalLfr(0, gu::MSG_SET, &hz);
            gu::CalLfr(0, gu::MSG_COMMIT, nullptr);
        });
        const long set = position(sent, "SYST:LFR 60");
        const long read = position(sent, "SYST:LFR?");
        ASSERT_GE(set, 0);
        EXPECT_LT(set, read);
        EXPECT_GT(static_cast<long>(sent.size()), read + 1);  // the aperture query comes after
        EXPECT_EQ(get<int>(gu::CalLfr), 60);
        EXPECT_EQ(ctrl_int(gu::config_panel, LINE_FREQUENCY), 60);
    });
}

TEST(Identity, VisaVersionAndHighestLogicalAddress) {
    gutest::use_bus(
        "[VXI0::255::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
        "logical_address = 255\nslot = 3\nq7304 = yes\nspec_version = 0x00300000\n");
    gutest::run_program([] {
        ASSERT_EQ(gu::livemode, 1) << "the instrument was not opened";
        EXPECT_EQ(ctrl_text(gu::about_panel, VTL_VER), "3.00.00");  // read at Sync
        int la = 0;
        gu::VXILogAddr(0, gu::MSG_QUERY, &la);
        EXPECT_EQ(la, 255);
        EXPECT_EQ(ctrl_int(gu::main_panel, VXI_LA), 255);
        EXPECT_EQ(ctrl_int(gu::main_panel, VXI_SLOT), 3);
    });
}

TEST(Identity, LogicalAddressAbove255IsShownAsUnknown) {
    gutest::use_bus(bus_at_24("logical_address = 256\nslot = 3\n"));
    gutest::run_program([] {
        ASSERT_EQ(gu::livemode, 1) << "the instrument was not opened";
        int la = 0;
        gu::VXILogAddr(0, gu::MSG_QUERY, &la);
        EXPECT_EQ(la, -1);
        EXPECT_EQ(ctrl_int(gu::main_panel, VXI_LA), -1);
    });
}

TEST(Identity, FailedSlotReadLeavesTheDisplay) {
    gutest::use_bus(bus_at_24("logical_address = 24\nslot = 3\nfault.attr = 0x3FFF00E8\n"));
    gutest::run_program([] {
        ASSERT_EQ(gu::livemode, 1) << "the instrument was not opened";
        uirt::test::clear_popups();
        uirt::SetCtrlVal(gu::main_panel, VXI_SLOT, 7);
        gu::VXISlot(0, gu::MSG_QUERY, nullptr);
        EXPECT_NE(gu::drv_status, 0);
        EXPECT_EQ(ctrl_int(gu::main_panel, VXI_SLOT), 7);
        EXPECT_TRUE(uirt::test::popups().empty());  // kept, not reported
    });
}

}  // namespace
