// Range, resolution and aperture: what a choice sends and how a reported value is shown.
#include <gtest/gtest.h>

#include "config_tables.hpp"
#include "measure_support.hpp"
#include "program_harness.hpp"

using namespace mtest;

namespace {

// The range index shown after the instrument reported `value` for function `f`.
int range_index_for(int f, double value, ViBoolean auto_range = 0) {
    set_int(gu::Function2, f);
    reported().auto_range = auto_range;
    reported().value = value;
    int index = -1;
    gu::ConfigRange(0, gu::MSG_QUERY, &index);
    return index;
}
int aperture_index_for(int f, double value) {
    set_int(gu::Function, f);
    reported().value = value;
    double seconds = 0;
    gu::ConfigAper(0, gu::MSG_QUERY, &seconds);
    int index = -1;
    uirt::GetCtrlIndex(gu::config_panel, APERTURE, &index);
    return index;
}

}  // namespace

TEST(Config, AperturePositionTellsSecondsFromPowerLineCycles) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        const int cfg = gu::config_panel;
        uirt::test::select_index(cfg, APERTURE, 5);  // "20.0 mS"
        EXPECT_TRUE(called("voltDcAper 0.02"));
        EXPECT_FALSE(called("voltDcNplc"));
        calls().clear();
        uirt::test::select_index(cfg, APERTURE, 10);  // "0.02 PLC"
        EXPECT_TRUE(called("voltDcNplc 0.02"));
        EXPECT_FALSE(called("voltDcAper "));
        EXPECT_TRUE(called("voltDcAper_Q"));  // read back after each choice

        set_int(gu::Function, gu::FUNC_RES_2W);
        calls().clear();
        uirt::test::select_index(cfg, APERTURE, 13);  // "10 PLC"
        EXPECT_TRUE(called("resNplc 10"));

        set_int(gu::Function, gu::FUNC_CURR_AC);
        calls().clear();
        uirt::test::clear_popups();
        uirt::test::select_index(cfg, APERTURE, 2);
        ASSERT_EQ(popups_titled("Error").size(), 1u);
        EXPECT_EQ(popups_titled("Error")[0].text,
                  "Can not set aperture with current Function setting.");
        for (const auto& c : calls()) EXPECT_EQ(c.find("Aper "), std::string::npos) << c;
    });
}

TEST(Config, ReportedRangesAtTheThresholdEdges) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        using namespace gu;
        EXPECT_EQ(range_index_for(FUNC_VOLT_DC, 0.1), 1);
        EXPECT_EQ(range_index_for(FUNC_VOLT_DC, 0.3), 1);
        EXPECT_EQ(range_index_for(FUNC_VOLT_DC, 0.5), 2);  // not below 0.5
        EXPECT_EQ(range_index_for(FUNC_VOLT_DC, 300), 5);
        EXPECT_EQ(range_index_for(FUNC_VOLT_DC, 300, 1), 0);
        EXPECT_TRUE(called("voltDcRang_Q"));
        EXPECT_EQ(range_index_for(FUNC_VOLT_AC, 199.9), 4);
        EXPECT_EQ(range_index_for(FUNC_PERIOD, 5), 3);
        EXPECT_TRUE(called("perVoltRang_Q"));
        EXPECT_EQ(range_index_for(FUNC_FREQ, 0.3), 2);
        EXPECT_EQ(range_index_for(FUNC_FREQ, 0.5), 2);
        EXPECT_EQ(range_index_for(FUNC_FREQ, 0.19), 1);
        EXPECT_EQ(range_index_for(FUNC_FREQ, 200), 5);
        EXPECT_EQ(range_index_for(FUNC_CURR_DC, 0.01), 1);
        EXPECT_EQ(range_index_for(FUNC_CURR_DC, 0.05), 2);
        EXPECT_EQ(range_index_for(FUNC_CURR_DC, 2.0), 4);
        EXPECT_EQ(range_index_for(FUNC_CURR_AC, 1.0), 1);
        EXPECT_EQ(range_index_for(FUNC_CURR_AC, 3.0), 2);
        EXPECT_EQ(range_index_for(FUNC_RES_4W, 100), 1);
        EXPECT_EQ(range_index_for(FUNC_RES_2W, 2e7), 7);
        EXPECT_EQ(range_index_for(FUNC_RES_2W, 1.99e7), 6);
        EXPECT_FALSE(dimmed(main_panel, RESOLUTION));  // manual range
        EXPECT_EQ(range_index_for(FUNC_FREQ, 2.0), 3);
        EXPECT_TRUE(dimmed(main_panel, RESOLUTION));  // never for frequency

        // A failed query keeps the shown index and names the call.
        uirt::test::clear_popups();
        reported().status = -1;
        EXPECT_EQ(range_index_for(FUNC_VOLT_DC, 0.1), 3);
        EXPECT_EQ(popups_titled("Error in vo_VoltDcRang").size(), 1u);
        reported().status = 0;

        calls().clear();
        EXPECT_EQ(range_index_for(FUNC_VOLT_RATIO, 0.1), 3);  // nothing queried
        EXPECT_TRUE(calls().empty());
        EXPECT_TRUE(dimmed(main_panel, RESOLUTION));
    });
}

TEST(Config, RangeAndResolutionChoicesSendTheirRowsValue) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        reported().auto_range = 1;
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_DC_CURRENT);
        calls().clear();
        reported().auto_range = 0;
        reported().value = 0.1;
        uirt::test::select_index(gu::main_panel, RANGE, 2);  // "100 mA"
        EXPECT_TRUE(called("currDcRang 0 0.1"));
        EXPECT_FALSE(dimmed(gu::main_panel, RESOLUTION));

        calls().clear();
        uirt::test::select_index(gu::main_panel, RESOLUTION, 7);  // "9 uA"
        EXPECT_TRUE(called("currDcRes 9e-06"));
        EXPECT_EQ(uirt::test::list_labels(gu::main_panel, RESOLUTION)[7], "9 uA");

        uirt::test::select_index(gu::main_panel, RANGE, 0);
        EXPECT_TRUE(called("currDcRang 1 -1"));
        EXPECT_TRUE(dimmed(gu::main_panel, RESOLUTION));
    });
}

TEST(Config, ReportedResolutionAndApertureSelectTheirPositions) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        go_live_on_stand_ins();
        using namespace gu;
        set_int(Function, FUNC_VOLT_DC);
        reported().value = 3e-7;
        double shown = 0;
        ConfigResolDisp(0, MSG_QUERY, &shown);
        EXPECT_DOUBLE_EQ(shown, 3e-7);
        EXPECT_EQ(get_int(ConfigResolution), 2);  // "300 nV", the value's own item

        uirt::test::select_index(main_panel, FUNCTION, ITEM_AC_VOLTS);
        reported().value = 0.1;
        ConfigResolDisp(0, MSG_QUERY, &shown);
        EXPECT_EQ(get_int(ConfigResolution), 6);  // the last AC item, never past it

        set_int(Function, FUNC_CURR_DC);  // currents are read back too
        reported().value = 3e-7;
        ConfigResolDisp(0, MSG_QUERY, &shown);
        EXPECT_TRUE(called("currDcRes_Q"));
        EXPECT_DOUBLE_EQ(shown, 3e-7);
        EXPECT_FALSE(dimmed(config_panel, RESOL_DISP));
        set_int(Function, FUNC_FREQ);
        ConfigResolDisp(0, MSG_QUERY, &shown);
        EXPECT_TRUE(dimmed(config_panel, RESOL_DISP));  // no resolution for frequency

        uirt::test::select_index(main_panel, FUNCTION, ITEM_DC_VOLTS);
        EXPECT_EQ(aperture_index_for(FUNC_VOLT_DC, 0.0167), 4);
        EXPECT_EQ(aperture_index_for(FUNC_VOLT_DC, 1.0), 8);
        EXPECT_EQ(aperture_index_for(FUNC_VOLT_DC, 100), 9);
        EXPECT_EQ(aperture_index_for(FUNC_VOLT_DC, 0.00045), 1);
        reported().status = -1;
        EXPECT_EQ(aperture_index_for(FUNC_VOLT_DC, 0.0004), 1);  // kept after a failure
        EXPECT_EQ(popups_titled("Error in vo_voltDcAper").size(), 1u);
        reported().status = 0;
        double kept = 0;
        ConfigAper(0, MSG_GET, &kept);
        EXPECT_DOUBLE_EQ(kept, 0.00045);

        uirt::test::select_index(main_panel, FUNCTION, ITEM_FREQUENCY);
        EXPECT_EQ(aperture_index_for(FUNC_FREQ, 0.05), 1);
        EXPECT_EQ(aperture_index_for(FUNC_FREQ, 0.049), 0);
        EXPECT_EQ(aperture_index_for(FUNC_FREQ, 1.0), 2);
    });
}

TEST(Config, OfflineQueriesKeepStoredValuesAndRememberRestores) {
    gutest::use_bus(OFFLINE_BUS);
    gutest::run_program([] {
        using namespace gu;
        ASSERT_EQ(livemode, 0);
        double aperture = 0;
        ConfigAper(0, MSG_GET, &aperture);
        EXPECT_DOUBLE_EQ(aperture, 0.01667);

        set_int(ConfigRange, 2);
        RangeGet(0);
        EXPECT_EQ(get_int(ConfigRange), 2);  // no reported range: the stored index

        ConfigRemember(0, MSG_GET);
        uirt::test::select_index(config_panel, FUNCTION2, ITEM_AC_CURRENT);
        uirt::test::select_index(config_panel, APERTURE, 9);
        ConfigRemember(0, MSG_SET);
        EXPECT_EQ(get_int(Function2), FUNC_VOLT_DC);
        EXPECT_EQ(get_int(Function), FUNC_VOLT_DC);
        EXPECT_FALSE(dimmed(config_panel, APERTURE));
    });
}
