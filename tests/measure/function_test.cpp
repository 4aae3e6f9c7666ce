// Choosing the measurement function: enabling, lists, re-sent settings, units, number or graph.
#include <gtest/gtest.h>

#include "measure_support.hpp"
#include "program_harness.hpp"

using namespace mtest;

namespace {

std::string units_text() {
    char text[gu::NAME_SIZE]{};
    uirt::GetCtrlVal(gu::main_panel, UNITS, text, sizeof text);
    return text;
}

}  // namespace

TEST(Function, AcCurrentAndVoltageRatioSetTheConfigurationControls) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        reported().auto_range = 1;  // as after a configure call
        const int cfg = gu::config_panel, main = gu::main_panel;

        uirt::test::select_index(main, FUNCTION, ITEM_AC_CURRENT);
        EXPECT_EQ(get_int(gu::Function2), 6);
        EXPECT_TRUE(called("confCurrAc"));
        EXPECT_TRUE(dimmed(cfg, APERTURE));
        EXPECT_FALSE(dimmed(main, RANGE));  // the send step enables it again
        EXPECT_EQ(get_int(gu::ConfigRange), 0);
        EXPECT_EQ(uirt::test::list_labels(main, RANGE),
                  (std::vector<std::string>{"Auto-Range", "1 A", "3 A"}));
        EXPECT_EQ(count_calls("currAcRang_Q"), 1);
        for (const char* aperture : {"voltDcAper", "voltDcNplc", "currDcAper", "resAper"})
            EXPECT_FALSE(called(aperture)) << aperture;  // queried, not committed
        for (const auto& p : uirt::test::popups())       // others' settings may fail on stand-ins
            EXPECT_EQ(p.title.find("Aper"), std::string::npos) << p.title;

        calls().clear();
        uirt::test::select_index(main, FUNCTION, ITEM_RATIO);
        EXPECT_TRUE(called("confVoltDcRat"));
        EXPECT_TRUE(dimmed(main, RANGE));
        EXPECT_TRUE(dimmed(main, RESOLUTION));
        EXPECT_TRUE(dimmed(cfg, APERTURE));
        EXPECT_TRUE(uirt::test::list_labels(main, RANGE).empty());
        EXPECT_TRUE(uirt::test::list_labels(main, RESOLUTION).empty());
        EXPECT_TRUE(uirt::test::list_labels(cfg, APERTURE).empty());

        calls().clear();
        uirt::test::select_index(cfg, FUNCTION2, ITEM_DC_VOLTS);  // the mirror ring
        EXPECT_EQ(get_int(gu::Function), 5);
        EXPECT_TRUE(called("confVoltDc"));
        EXPECT_FALSE(dimmed(cfg, APERTURE));
        EXPECT_TRUE(dimmed(main, RESOLUTION));  // Auto-Range
        EXPECT_EQ(uirt::test::list_labels(cfg, APERTURE).size(), 15u);
        EXPECT_EQ(uirt::test::list_labels(main, RESOLUTION).front(), "30 nV");
    });
}

TEST(Function, TheTriggerDelayIsResentOnlyWithoutAutoDelay) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        set_int(gu::TrigAutoDelay, 0);
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_DC_CURRENT);
        EXPECT_EQ(count_calls("trigDel 0"), 2);  // auto delay off, then the delay itself

        calls().clear();
        set_int(gu::TrigAutoDelay, 1);
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_AC_VOLTS);
        EXPECT_EQ(count_calls("trigDel "), 1);  // only the auto delay
        EXPECT_EQ(count_calls("trigDel 1"), 1);

        calls().clear();
        int code = 0;
        gu::Function(0, gu::MSG_QUERY, &code);  // a query always reads the delay
        EXPECT_EQ(code, 4);
        EXPECT_EQ(count_calls("trigDel_Q"), 2);  // auto delay and delay
    });
}

TEST(Function, UnitsFollowFunctionAndMath) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        EXPECT_EQ(units_text(), "VDC");
        set_int(gu::CalcState, 1);
        set_int(gu::CalcFunction, 3);
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_DC_VOLTS);
        EXPECT_EQ(units_text(), "dBm");
        set_int(gu::CalcFunction, 4);
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_AC_VOLTS);
        EXPECT_EQ(units_text(), "dB");
        char yname[gu::NAME_SIZE]{};
        uirt::GetCtrlAttribute(gu::main_panel, READINGS, uirt::ATTR_YNAME, yname, sizeof yname);
        EXPECT_STREQ(yname, "dB");  // the graph's axis follows the unit

        set_int(gu::CalcState, 0);
        gu::FuncBase(0);
        EXPECT_EQ(units_text(), "VAC");
        set_int(gu::CalcState, 1);
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_DC_CURRENT);
        EXPECT_EQ(units_text(), "A DC");  // math units only for volts
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_FREQUENCY);
        EXPECT_EQ(units_text(), "Hz");
        double reading = 1.0;
        gu::Reading(0, gu::MSG_GET, &reading);
        EXPECT_EQ(reading, 0.0);  // cleared on each change
    });
}

TEST(Function, CountsChooseNumberOrGraph) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        const int main = gu::main_panel;
        EXPECT_TRUE(visible(main, READING));
        EXPECT_TRUE(visible(main, UNITS));
        EXPECT_FALSE(visible(main, READINGS));

        set_int(gu::TrigCount, 2);
        gu::check_reading_type();
        EXPECT_FALSE(visible(main, READING));
        EXPECT_FALSE(visible(main, UNITS));
        EXPECT_TRUE(visible(main, READINGS));

        set_int(gu::TrigCount, 1);
        uirt::test::set_value(main, 11, 3.0);  // sample count 3 from the user
        EXPECT_TRUE(visible(main, READINGS));
        EXPECT_FALSE(visible(main, READING));

        uirt::test::set_value(main, 11, 1.0);
        EXPECT_TRUE(visible(main, READING));
        EXPECT_TRUE(visible(main, UNITS));
        EXPECT_FALSE(visible(main, READINGS));
    });
}

TEST(Function, AnsweredMessagesAndDiagnostics) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        testing::internal::CaptureStdout();
        EXPECT_EQ(gu::Function(0, gu::MSG_GET_CTRL, nullptr), -1);
        EXPECT_EQ(gu::Function(0, gu::MSG_FINISH, nullptr), -1);
        EXPECT_EQ(gu::Function2(0, gu::MSG_GET_CTRL, nullptr), -1);
        EXPECT_EQ(gu::Units(0, gu::MSG_ENABLE, nullptr), -1);
        gu::measuring = 1;
        EXPECT_EQ(gu::Readings(0, gu::MSG_SET, nullptr), 0);
        EXPECT_EQ(gu::measuring, 0);  // cleared on unknown messages too
        set_int(gu::Function, 11);
        gu::FuncBase(0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "invalid msg in Function: 7\ninvalid msg in Function: 13\n"
                  "invalid msg in Function2: 7\ninvalid msg in Units: 9\n"
                  "invalid msg in Readings\ninvalid function in func_base: 11\n");
        EXPECT_EQ(units_text(), "VDC");  // left unchanged
    });
}
