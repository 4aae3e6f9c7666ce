// The math panel: the function decides which parameters are shown and read back.
#include <gtest/gtest.h>

#include "panel_scenario.hpp"

namespace {

using namespace paneltest;

constexpr int CALC_FUNCTION = 3, CALC_STATE = 12;
constexpr int DBM_REF = 2, AVER_COUNT = 5, NULL_OFFS = 11, LOWER = 10, UPPER = 9;
// Every parameter control with its companions.
constexpr int ALL_MATH_CONTROLS[] = {11, 27, 7, 18, 22, 4, 19, 6, 20, 5, 21,
                                     10, 23, 9, 24, 25, 2, 17, 8, 15, 16};

std::vector<int> visible_math_controls() {
    std::vector<int> out;
    for (int c : ALL_MATH_CONTROLS)
        if (visible(gu::math_panel, c)) out.push_back(c);
    std::sort(out.begin(), out.end());
    return out;
}

TEST(MathPanel, LimitTestShowsOnlyTheLimitsAndReadsLowerFirst) {
    std::string trace;
    run_live("", trace, [&] {
        const int p = gu::math_panel;
        auto sent = sent_by(trace, [&] { uirt::test::select_index(p, CALC_FUNCTION, 2); });
        EXPECT_TRUE(has(sent, "CALC:FUNC LIM"));
        const long lower = position(sent, "CALC:LIM:LOW?");
        ASSERT_GE(lower, 0);
        EXPECT_LT(lower, position(sent, "CALC:LIM:UPP?"));
        EXPECT_FALSE(has(sent, "CALC:NULL:OFFS?"));
        const std::vector<int> limits{9, 10, 23, 24, 25};
        EXPECT_EQ(visible_math_controls(), limits);

        // Math on: the same group is read again, nothing appears or disappears.
        sent = sent_by(trace, [&] { uirt::test::set_value(p, CALC_STATE, 1); });
        EXPECT_TRUE(has(sent, "CALC:STAT ON"));
        EXPECT_TRUE(has(sent, "CALC:LIM:UPP?"));
        EXPECT_EQ(get<int>(gu::CalcState), 1);
        EXPECT_EQ(visible_math_controls(), limits);

        // A limit typed by the user goes to the instrument.
        sent = sent_by(trace, [&] { uirt::test::set_value(p, UPPER, 2.5); });
        EXPECT_TRUE(has(sent, "CALC:LIM:UPP 2.5"));
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(MathPanel, DbmReferenceIsCarriedAsWholeOhms) {
    std::string trace;
    run_live("", trace, [&] {
        const int p = gu::math_panel;
        EXPECT_EQ(ctrl_int(p, DBM_REF), 50);  // default, not read at start-up (function NULL)
        ASSERT_EQ(gu::vo_calcDbmRef(gu::instr_session, 75.9), 0);
        int ohms = 0;
        gu::dBmRef(0, gu::MSG_QUERY, &ohms);
        EXPECT_EQ(ohms, 75);
        EXPECT_EQ(ctrl_int(p, DBM_REF), 75);

        ASSERT_EQ(gu::vo_calcDbmRef(gu::instr_session, 600.0), 0);
        gu::dBmRef(0, gu::MSG_QUERY, &ohms);
        EXPECT_EQ(ohms, 600);
        EXPECT_EQ(ctrl_int(p, DBM_REF), 600);

        int flag = 1;
        EXPECT_EQ(gu::dBmRef(0, gu::MSG_ENABLE, &flag), -1);  // no enable for this one
        EXPECT_EQ(gu::NullOffs(0, gu::MSG_ENABLE, &flag), 0);
        EXPECT_EQ(gu::NullOffs(0, gu::MSG_CLEAR, nullptr), -1);
    });
}

TEST(MathPanel, UnknownFunctionHidesAndReadsNothingWithoutAnInstrument) {
    run_offline([] {
        const int p = gu::math_panel;
        int code = 7;
        gu::CalcFunction(0, gu::MSG_SET, &code);
        uirt::SetCtrlVal(p, NULL_OFFS, 5.0);  // a query would put back the stored 0
        gu::get_math_couplings(p, 1);
        EXPECT_TRUE(visible_math_controls().empty());
        EXPECT_DOUBLE_EQ(ctrl_double(p, NULL_OFFS), 5.0);

        code = 0;
        gu::CalcFunction(0, gu::MSG_SET, &code);
        gu::get_math_couplings(p, 1);
        EXPECT_DOUBLE_EQ(ctrl_double(p, NULL_OFFS), 0.0);
        EXPECT_EQ(visible_math_controls(), (std::vector<int>{11, 27}));

        // The statistics count is an int carried as a double.
        double count = 12.7;
        gu::AverCount(0, gu::MSG_SET, &count);
        EXPECT_EQ(ctrl_int(p, AVER_COUNT), 12);
        count = -1.0;
        gu::AverCount(0, gu::MSG_GET, &count);
        EXPECT_DOUBLE_EQ(count, 12.0);
        uirt::test::click(p, AVER_COUNT);  // re-read: only re-shows the stored count offline
        EXPECT_EQ(ctrl_int(p, AVER_COUNT), 12);
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

}  // namespace
