// The status panel: error queue, event indicators and their buttons.
#include <gtest/gtest.h>

#include "panel_scenario.hpp"

namespace {

using namespace paneltest;

constexpr int ERROR_VAL = 2, ERROR_MSG = 3, CLEAR_STATUS = 4, ERROR_BTN = 5;
constexpr int EVENT_VOLT = 13, EVENT_RESIST = 10, EVENT_CURR = 12;

bool error_query_detect() {
    ViBoolean on = 9;
    gu::vo_errorQueryDetect_Q(gu::instr_session, &on);
    return on == 1;
}

TEST(StatusPanel, IndicatorsAndTextsWithoutAnInstrument) {
    run_offline([] {
        const int p = gu::status_panel;
        // Bound by ReadStatus on its own panel.
        const std::pair<gu::Handler, int> bound[] = {{gu::EventVolt, 13},
                                                     {gu::EventResist, 10},
                                                     {gu::EventCurr, 12},
                                                     {gu::EventLimLo, 11},
                                                     {gu::EventLimHi, 9}};
        for (auto [widget, ctrl] : bound) {
            int id = -1, panel = -1;
            widget(0, gu::MSG_GET_CTRL, &id);
            widget(0, gu::MSG_GET_PANEL, &panel);
            EXPECT_EQ(id, ctrl);
            EXPECT_EQ(panel, p);
        }

        // A long error text is cut to 79 characters.
        const std::string long_text(200, 'x');
        gu::ErrorMsg(0, gu::MSG_SET, const_cast<char*>(long_text.c_str()));
        EXPECT_EQ(ctrl_text(p, ERROR_MSG), std::string(79, 'x'));

        // Clear Status re-shows every event indicator.
        int on = 1;
        for (gu::Handler h : {gu::EventVolt, gu::EventResist, gu::EventCurr})
            h(0, gu::MSG_SET, &on);
        for (int c : {EVENT_VOLT, EVENT_RESIST, EVENT_CURR}) uirt::SetCtrlVal(p, c, 0);
        uirt::test::click(p, CLEAR_STATUS);
        EXPECT_EQ(ctrl_int(p, EVENT_VOLT), 1);
        EXPECT_EQ(ctrl_int(p, EVENT_RESIST), 1);
        EXPECT_EQ(ctrl_int(p, EVENT_CURR), 1);

        uirt::test::press(p, ERROR_BTN);  // nothing to read from
        EXPECT_EQ(ctrl_text(p, ERROR_MSG), std::string(79, 'x'));
        EXPECT_EQ(gu::OpcQuery(0, gu::MSG_ENABLE, &on), -1);
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(StatusPanel, NextErrorReadsTheQueueWithDetectionOffMeanwhile) {
    std::string trace;
    run_live("", trace, [&] {
        const int p = gu::status_panel;
        gu::vo_errorQueryDetect(gu::instr_session, 0);
        gu::vo_trigCoun(gu::instr_session, 0);  // out of range: queued by the instrument
        const auto sent = sent_by(trace, [&] { uirt::test::press(p, ERROR_BTN); });
        EXPECT_TRUE(has(sent, "SYST:ERR?"));
        EXPECT_EQ(get<int>(gu::ErrorVal), -222);
        EXPECT_EQ(ctrl_int(p, ERROR_VAL), -222);
        EXPECT_NE(ctrl_text(p, ERROR_MSG).find("Data out of range"), std::string::npos);
        EXPECT_TRUE(error_query_detect());
        EXPECT_TRUE(uirt::test::popups().empty());

        // The voltage event indicator reads the questionable event register.
        EXPECT_TRUE(has(sent_by(trace, [&] { uirt::test::click(p, EVENT_VOLT); }), "STAT:QUES?"));
    });
}

TEST(StatusPanel, FailedQueueReadKeepsTheDisplaysAndDetectionComesBack) {
    std::string trace;
    run_live("fault.read.fail = SYST:ERR\n", trace, [&] {
        const int p = gu::status_panel;
        int code = 5;
        gu::ErrorVal(0, gu::MSG_SET, &code);
        gu::ErrorMsg(0, gu::MSG_SET, const_cast<char*>("kept"));
        gu::vo_errorQueryDetect(gu::instr_session, 0);

        uirt::test::press(p, ERROR_BTN);
        EXPECT_EQ(popup_titles(), (std::vector<std::string>{"Error in vo_error_query"}));
        EXPECT_EQ(ctrl_int(p, ERROR_VAL), 5);
        EXPECT_EQ(ctrl_text(p, ERROR_MSG), "kept");
        EXPECT_TRUE(error_query_detect());
    });
}

TEST(StatusPanel, ClearStatusShowsTheErrorsItClearsAndReadStatusFillsBothRows) {
    std::string trace;
    run_live("input.volt_dc = 500\n", trace, [&] {
        const int p = gu::status_panel;
        gu::vo_errorQueryDetect(gu::instr_session, 0);
        gu::vo_trigCoun(gu::instr_session, 0);              // -222
        gu::vo_cmd(gu::instr_session, "TRIG:SOUR NOWHERE");  // -224 or another refusal
        gu::vo_errorQueryDetect(gu::instr_session, 1);
        const auto sent = sent_by(trace, [&] { uirt::test::click(p, CLEAR_STATUS); });
        EXPECT_LT(position(sent, "SYST:ERR?"), position(sent, "*CLS"));
        EXPECT_EQ(ctrl_int(p, ERROR_VAL), -222);  // the oldest, not "0 No error"
        EXPECT_NE(ctrl_text(p, ERROR_MSG).find("Data out of range"), std::string::npos);
        ASSERT_EQ(popup_titles(), (std::vector<std::string>{"Errors Cleared"}));
        const std::string listed = uirt::test::popups()[0].text;
        EXPECT_EQ(listed.rfind("-222, Data out of range\n", 0), 0u) << listed;
        EXPECT_NE(listed.find('\n'), std::string::npos);
        EXPECT_TRUE(error_query_detect());

        // One entry: shown, no pop-up; an empty queue shows "No error".
        uirt::test::clear_popups();
        gu::vo_errorQueryDetect(gu::instr_session, 0);
        gu::vo_trigCoun(gu::instr_session, 0);
        gu::vo_errorQueryDetect(gu::instr_session, 1);
        uirt::test::click(p, CLEAR_STATUS);
        EXPECT_EQ(ctrl_int(p, ERROR_VAL), -222);
        uirt::test::click(p, CLEAR_STATUS);
        EXPECT_EQ(ctrl_int(p, ERROR_VAL), 0);
        EXPECT_TRUE(uirt::test::popups().empty());

        // An overloaded reading sets the voltage condition; Read Status shows both rows.
        constexpr int READ_STATUS = 14, COND_VOLT = 15, COND_CURR = 16;
        double reading = 0;
        gu::vo_read_Q(gu::instr_session, &reading);
        uirt::SetCtrlVal(p, COND_CURR, 7);
        uirt::test::press(p, READ_STATUS);
        EXPECT_EQ(ctrl_int(p, EVENT_VOLT), 1);
        EXPECT_EQ(ctrl_int(p, COND_VOLT), 1);
        EXPECT_EQ(ctrl_int(p, COND_CURR), 0);
        uirt::SetCtrlVal(p, COND_VOLT, 7);
        uirt::test::click(p, COND_VOLT);  // the row's own click reads it again
        EXPECT_EQ(ctrl_int(p, COND_VOLT), 1);
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

// After a current overload, Clear Status reads every row back: none keeps the 1 it had.
TEST(StatusPanel, ClearStatusReadsEveryRowAgain) {
    std::string trace;
    run_live("input.curr_dc = 10\n", trace, [&] {
        constexpr int ITEM_DC_CURRENT = 2, FUNCTION = 6, READING = 4;  // main panel
        constexpr int READ_STATUS = 14, EVENT_LIM_LO = 11, EVENT_LIM_HI = 9;
        const int p = gu::status_panel;
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_DC_CURRENT);
        uirt::test::click(gu::main_panel, READING);  // an overload
        uirt::test::press(p, READ_STATUS);
        EXPECT_EQ(ctrl_int(p, EVENT_CURR), 1);
        uirt::test::click(gu::main_panel, READING);  // another: the event is set again
        const auto sent = sent_by(trace, [&] { uirt::test::click(p, CLEAR_STATUS); });
        EXPECT_LT(position(sent, "*CLS"), position(sent, "STAT:QUES?"));
        EXPECT_EQ(starting(sent, "STAT:QUES?").size(), 5u);
        EXPECT_EQ(starting(sent, "STAT:QUES:COND?").size(), 5u);
        for (int c : {EVENT_VOLT, EVENT_RESIST, EVENT_CURR, EVENT_LIM_LO, EVENT_LIM_HI})
            EXPECT_EQ(ctrl_int(p, c), 0) << c;
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

}  // namespace
