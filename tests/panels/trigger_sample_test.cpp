// Trigger and sample settings as the user meets them on the trigger and main panels.
#include <gtest/gtest.h>

#include "panel_scenario.hpp"

namespace {

using namespace paneltest;
using uirt::test::press;
using uirt::test::set_value;

constexpr int TRIG_COUNT = 3, TRIG_DELAY = 4, TRIG_AUTO = 5;  // trigger panel
constexpr int SAMPLE_COUNT = 11, READING = 4, GRAPH = 8;      // main panel
constexpr int MENU_TRIGGER = 4, CANCEL = 31;

TEST(TriggerPanel, AutoDelayDimsTheDelayWithoutAnInstrument) {
    run_offline([] {
        const int p = gu::trigger_panel;
        // Defaults: the instrument chooses the delay.
        EXPECT_DOUBLE_EQ(ctrl_double(p, TRIG_DELAY), 0.00035);
        EXPECT_TRUE(dimmed(p, TRIG_DELAY));
        EXPECT_EQ(ctrl_int(p, TRIG_AUTO), 1);
        EXPECT_EQ(ctrl_attr_text(p, TRIG_AUTO, uirt::ATTR_ON_TEXT), "Auto");
        EXPECT_EQ(ctrl_attr_text(p, TRIG_AUTO, uirt::ATTR_OFF_TEXT), "Manual");

        // Manual: the delay is usable and re-shown from the stored value.
        uirt::SetCtrlVal(p, TRIG_DELAY, 0.5);
        set_value(p, TRIG_AUTO, 0);
        EXPECT_FALSE(dimmed(p, TRIG_DELAY));
        EXPECT_DOUBLE_EQ(ctrl_double(p, TRIG_DELAY), 0.00035);

        set_value(p, TRIG_AUTO, 1);
        EXPECT_TRUE(dimmed(p, TRIG_DELAY));
        EXPECT_EQ(get<int>(gu::TrigAutoDelay), 1);
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(TriggerPanel, CountsSwitchTheReadingDisplayWithoutAnInstrument) {
    run_offline([] {
        const int m = gu::main_panel;
        set_value(m, SAMPLE_COUNT, 4.0);
        EXPECT_EQ(get<int>(gu::SampleCount), 4);
        EXPECT_TRUE(visible(m, GRAPH));
        EXPECT_FALSE(visible(m, READING));

        set_value(m, SAMPLE_COUNT, 1.0);
        EXPECT_FALSE(visible(m, GRAPH));
        EXPECT_TRUE(visible(m, READING));

        set_value(gu::trigger_panel, TRIG_COUNT, 2);
        EXPECT_EQ(get<int>(gu::TrigCount), 2);
        EXPECT_TRUE(visible(m, GRAPH));
    });
}

TEST(TriggerPanel, SettingsReachTheInstrument) {
    std::string trace;
    run_live("", trace, [&] {
        const int p = gu::trigger_panel;

        // A typed sample count of 3.9 is truncated.
        auto sent = sent_by(trace, [] { set_value(gu::main_panel, SAMPLE_COUNT, 3.9); });
        EXPECT_TRUE(has(sent, "SAMP:COUN 3"));
        EXPECT_EQ(get<int>(gu::SampleCount), 3);
        int count = -1;
        gu::SampleCount(0, gu::MSG_QUERY, &count);
        EXPECT_EQ(count, 3);

        // A restored count of the maximum goes out unchanged.
        int restored = 16777215;
        gu::TrigCount(0, gu::MSG_SET, &restored);
        EXPECT_EQ(ctrl_int(p, TRIG_COUNT), 16777215);
        sent = sent_by(trace, [] { gu::TrigCount(0, gu::MSG_COMMIT, nullptr); });
        EXPECT_TRUE(has(sent, "TRIG:COUN 16777215"));
        // So many points cannot be graphed: the graph says so when it is cleared.
        ASSERT_EQ(uirt::test::popups().size(), 2u);
        EXPECT_EQ(uirt::test::popups()[0].text, "The maximum of 4096 data points has been exceeded.");
        uirt::test::clear_popups();

        // A typed delay leaves automatic delay; "Auto" gets it back and shows its delay.
        set_value(p, TRIG_AUTO, 0);
        sent = sent_by(trace, [&] { set_value(p, TRIG_DELAY, 0.25); });
        EXPECT_TRUE(has(sent, "TRIG:DEL 0.25"));
        sent = sent_by(trace, [&] { set_value(p, TRIG_AUTO, 1); });
        EXPECT_TRUE(has(sent, "TRIG:DEL:AUTO ON"));
        EXPECT_LT(position(sent, "TRIG:DEL:AUTO ON"), position(sent, "TRIG:DEL?"));
        EXPECT_DOUBLE_EQ(ctrl_double(p, TRIG_DELAY), 0.00035);
        EXPECT_TRUE(dimmed(p, TRIG_DELAY));

        // Read back: the auto flag dims the delay too.
        set_value(p, TRIG_AUTO, 0);
        int flag = -1;
        gu::TrigAutoDelay(0, gu::MSG_QUERY, &flag);
        EXPECT_EQ(flag, 0);
        EXPECT_FALSE(dimmed(p, TRIG_DELAY));
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(TriggerPanel, CancelRestoresAndResendsDelayBeforeAutoFlag) {
    std::string trace;
    run_live("", trace, [&] {
        const int p = gu::trigger_panel;
        uirt::test::pick_menu(gu::menu_bar, MENU_TRIGGER);
        set_value(p, TRIG_COUNT, 5);
        set_value(p, TRIG_AUTO, 0);
        set_value(p, TRIG_DELAY, 0.5);
        EXPECT_TRUE(sent_by(trace, [] { gu::TrigSend(0); }).empty());  // all sent already

        const auto sent = sent_by(trace, [&] { press(p, CANCEL); });
        EXPECT_TRUE(has(sent, "TRIG:COUN 1"));
        EXPECT_EQ(starting(sent, "TRIG:SOUR"), (std::vector<std::string>{"TRIG:SOUR IMM"}));
        const long delay = position(sent, "TRIG:DEL 0.00035");
        ASSERT_GE(delay, 0);
        EXPECT_LT(delay, position(sent, "TRIG:DEL:AUTO ON"));
        EXPECT_EQ(ctrl_int(p, TRIG_COUNT), 1);
        EXPECT_EQ(get<int>(gu::TrigAutoDelay), 1);
        EXPECT_TRUE(dimmed(p, TRIG_DELAY));
    });
}

}  // namespace

namespace {

TEST(TriggerPanel, CountsAndRefusedValuesShowWhatTheInstrumentHas) {
    std::string trace;
    run_live("", trace, [&] {
        const int m = gu::main_panel;
        auto sent = sent_by(trace, [&] { set_value(m, SAMPLE_COUNT, 3.9); });
        EXPECT_TRUE(has(sent, "SAMP:COUN 3"));
        EXPECT_DOUBLE_EQ(ctrl_double(m, SAMPLE_COUNT), 3.0);  // not a rounded "4"

        // Past the instrument's limit: the limit goes out and is shown, nothing wraps.
        sent = sent_by(trace, [&] { set_value(m, SAMPLE_COUNT, 3e9); });
        EXPECT_TRUE(has(sent, "SAMP:COUN 16777215"));
        EXPECT_DOUBLE_EQ(ctrl_double(m, SAMPLE_COUNT), 16777215.0);
        EXPECT_EQ(get<int>(gu::SampleCount), 16777215);
        uirt::test::clear_popups();  // the graph's 4096-point notice
        set_value(m, SAMPLE_COUNT, 1.0);

        // A value the instrument refuses is reported once and replaced by its own.
        constexpr int CALC_FUNCTION = 3, ITEM_DBM = 3, DBM_REF = 2;
        uirt::test::select_index(gu::math_panel, CALC_FUNCTION, ITEM_DBM);  // shows the reference
        sent = sent_by(trace, [&] { set_value(gu::math_panel, DBM_REF, 10); });
        EXPECT_TRUE(has(sent, "CALC:DBM:REF 10"));
        EXPECT_TRUE(has(sent, "CALC:DBM:REF?"));
        EXPECT_EQ(popup_titles(), (std::vector<std::string>{"Device Error in vo_calcDbmRef"}));
        EXPECT_EQ(ctrl_int(gu::math_panel, DBM_REF), 600);
        EXPECT_EQ(get<int>(gu::dBmRef), 600);
    });
}

}  // namespace
