// The input/output panel: auto impedance with Cancel, and the eight TTL lines.
#include <gtest/gtest.h>

#include "panel_scenario.hpp"

namespace {

using namespace paneltest;

constexpr int AUTO_IMP = 2, TTL5 = 5;  // TtlTrg0 is 10, down to TtlTrg7 at 3
constexpr int MENU_INOUT = 8, CANCEL = 31;

TEST(InOutPanel, TtlLineFiveIsSetAndReadAlone) {
    std::string trace;
    run_live("", trace, [&] {
        const int p = gu::inout_panel;
        EXPECT_EQ(ctrl_attr_text(p, TTL5, uirt::ATTR_ON_TEXT), "On");
        EXPECT_EQ(ctrl_attr_text(p, TTL5, uirt::ATTR_OFF_TEXT), "Off");
        auto sent = sent_by(trace, [&] { uirt::test::set_value(p, TTL5, 1); });
        EXPECT_EQ(starting(sent, "OUTP:TTLT"), (std::vector<std::string>{"OUTP:TTLT5 ON"}));

        int state = -1;
        sent = sent_by(trace, [] {
            int s = -1;
            gu::TtlTrg5(0, gu::MSG_QUERY, &s);
        });
        EXPECT_EQ(starting(sent, "OUTP:TTLT"), (std::vector<std::string>{"OUTP:TTLT5?"}));
        gu::TtlTrg5(0, gu::MSG_GET, &state);
        EXPECT_EQ(state, 1);
        gu::TtlTrg4(0, gu::MSG_GET, &state);
        EXPECT_EQ(state, 0);
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(InOutPanel, CancelRestoresAutoImpedanceAndSendsItAgain) {
    std::string trace;
    run_live("", trace, [&] {
        const int p = gu::inout_panel;
        uirt::test::pick_menu(gu::menu_bar, MENU_INOUT);
        auto sent = sent_by(trace, [&] { uirt::test::set_value(p, AUTO_IMP, 1); });
        EXPECT_TRUE(has(sent, "INP:IMP:AUTO ON"));
        EXPECT_TRUE(sent_by(trace, [] { gu::InpSend(0); }).empty());

        sent = sent_by(trace, [&] { uirt::test::press(p, CANCEL); });
        EXPECT_TRUE(has(sent, "INP:IMP:AUTO OFF"));
        EXPECT_TRUE(starting(sent, "OUTP:TTLT").empty());  // the lines are not remembered
        EXPECT_EQ(ctrl_int(p, AUTO_IMP), 0);
        int state = -1;
        gu::InpAutoImp(0, gu::MSG_QUERY, &state);
        EXPECT_EQ(state, 0);  // the instrument's own state
    });
}

TEST(InOutPanel, OutGetWithoutAnInstrumentShowsStoredStates) {
    run_offline([] {
        const int p = gu::inout_panel;
        int on = 1;
        gu::TtlTrg2(0, gu::MSG_SET, &on);
        uirt::SetCtrlVal(p, 8, 0);  // TtlTrg2's control, out of step with its value
        gu::OutGet(0);
        EXPECT_EQ(ctrl_int(p, 8), 1);
        EXPECT_EQ(ctrl_int(p, 10), 0);
        EXPECT_EQ(gu::TtlTrg0(0, gu::MSG_ENABLE, &on), -1);
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

}  // namespace
