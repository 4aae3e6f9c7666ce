// The configuration controls against the simulated instrument: what they show is what the
// instrument has, and what the user set is what it got.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "measure_support.hpp"
#include "program_harness.hpp"

using namespace mtest;

namespace {

const char* BUS =
    "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 24\nslot = 3\nq7304 = yes\ninput.volt_dc = 1.5\ninput.noise = 0\n";
constexpr int MENU_SYNC = 2, MENU_CONFIG = 5, OK_BUTTON = 30, CANCEL_BUTTON = 31,
              TRIGGER_COUNT = 3;
constexpr int APER_04_MS = 0, APER_20_MS = 5, APER_1_PLC = 12, GATE_1_S = 2;
constexpr int CALC_FUNCTION = 3, NULL_OFFS = 11, CALC_STATE = 12;  // math panel

bool sent_prefix(const std::vector<std::string>& commands, const std::string& prefix) {
    return std::any_of(commands.begin(), commands.end(),
                       [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
}
int ring_index(int panel, int ctrl) {
    int index = -1;
    uirt::GetCtrlIndex(panel, ctrl, &index);
    return index;
}
std::string shown_label(int panel, int ctrl) {
    const int index = ring_index(panel, ctrl);
    const auto labels = uirt::test::list_labels(panel, ctrl);
    return index >= 0 && index < static_cast<int>(labels.size()) ? labels[index] : "";
}
double resolution_in_use() {
    double v = 0;
    gu::ConfigResolDisp(0, gu::MSG_GET, &v);
    return v;
}

}  // namespace

TEST(SettingsBus, RingsShowTheInstrumentsValuesAndFunctionChangesKeepTheAperture) {
    gutest::use_bus(BUS);
    const std::string trace = gutest::use_trace();
    gutest::run_program([&] {
        ASSERT_TRUE(gu::livemode);
        const int main = gu::main_panel, cfg = gu::config_panel;
        // The instrument starts at 3e-6 V: the ring shows that item, the indicator the value.
        EXPECT_EQ(shown_label(main, RESOLUTION), "3 uV");
        EXPECT_DOUBLE_EQ(resolution_in_use(), 3e-6);

        uirt::test::select_index(cfg, APERTURE, APER_1_PLC);
        std::size_t mark = gutest::trace_line_count(trace);
        uirt::test::select_index(main, FUNCTION, ITEM_AC_VOLTS);
        auto commands = gutest::written_commands_since(trace, mark);
        EXPECT_TRUE(sent_prefix(commands, "VOLT:AC:NPLC 1")) << "the user's 1 PLC kept";
        EXPECT_FALSE(sent_prefix(commands, "VOLT:AC:APER"));
        EXPECT_EQ(shown_label(cfg, APERTURE), "1 PLC");
        EXPECT_EQ(shown_label(main, RESOLUTION), "10 uV");  // AC default 1e-5
        EXPECT_DOUBLE_EQ(resolution_in_use(), 1e-5);

        // A choice through an entry point the module exports but the table once left a no-op.
        mark = gutest::trace_line_count(trace);
        uirt::test::select_index(cfg, APERTURE, APER_20_MS);
        EXPECT_TRUE(sent_prefix(gutest::written_commands_since(trace, mark), "VOLT:AC:APER 0.02"));
        EXPECT_FALSE(dimmed(cfg, APERTURE));
        ViReal64 aperture = 0;
        gu::vo_voltAcAper_Q(gu::instr_session, &aperture);
        EXPECT_DOUBLE_EQ(aperture, 0.02);

        // Where the aperture shown is not offered, the new function's default after a
        // configure: a 0.1 s gate, one power-line cycle; never the list's first item.
        mark = gutest::trace_line_count(trace);
        uirt::test::select_index(main, FUNCTION, ITEM_FREQUENCY);
        commands = gutest::written_commands_since(trace, mark);
        EXPECT_TRUE(sent_prefix(commands, "FREQ:APER 0.1")) << "not 0.01";
        EXPECT_EQ(shown_label(cfg, APERTURE), "0.1 S");
        uirt::test::select_index(cfg, APERTURE, GATE_1_S);
        mark = gutest::trace_line_count(trace);
        uirt::test::select_index(main, FUNCTION, ITEM_DC_VOLTS);
        commands = gutest::written_commands_since(trace, mark);
        EXPECT_TRUE(sent_prefix(commands, "VOLT:DC:NPLC 1"));
        EXPECT_FALSE(sent_prefix(commands, "VOLT:DC:APER"));
        EXPECT_EQ(shown_label(cfg, APERTURE), "1 PLC");
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(SettingsBus, ConfigurationOkKeepsTheOtherSettingsAndCancelRestoresTheOpeningOnes) {
    gutest::use_bus(BUS);
    gutest::run_program([&] {
        ASSERT_TRUE(gu::livemode);
        const int main = gu::main_panel, cfg = gu::config_panel;
        uirt::test::set_value(gu::trigger_panel, TRIGGER_COUNT, 5);
        uirt::test::pick_menu(gu::menu_bar, MENU_CONFIG);
        uirt::test::press(cfg, OK_BUTTON);
        ViInt32 count = 0;
        gu::vo_trigCoun_Q(gu::instr_session, &count);
        EXPECT_EQ(count, 5);
        EXPECT_EQ(get_int(gu::TrigCount), 5);
        uirt::test::click(main, READINGS);
        for (int i = 0; i < 300 && gu::measuring; ++i) uirt::test::idle();
        const int plots = uirt::test::plot_count(main, READINGS);
        ASSERT_GT(plots, 0);
        const auto y = uirt::test::plot_y(main, READINGS, plots - 1);
        ASSERT_EQ(y.size(), 5u);
        for (double r : y) EXPECT_NEAR(r, 1.5, 0.01);
        uirt::test::set_value(gu::trigger_panel, TRIGGER_COUNT, 1);

        // Range 10 V, 1 uV, 1 PLC at opening; the user changes everything, then cancels.
        uirt::test::select_index(main, RANGE, 3);
        uirt::test::select_index(main, RESOLUTION, 3);
        uirt::test::select_index(cfg, APERTURE, APER_1_PLC);
        uirt::test::pick_menu(gu::menu_bar, MENU_CONFIG);
        uirt::test::select_index(cfg, FUNCTION2, ITEM_AC_VOLTS);
        uirt::test::select_index(cfg, APERTURE, APER_04_MS);
        uirt::test::press(cfg, CANCEL_BUTTON);

        ViInt32 function = -1;
        ViBoolean auto_range = 1;
        ViReal64 range = 0, resolution = 0, integration = 0, nplc = 0;
        gu::vo_conf_Q(gu::instr_session, &function, &auto_range, &range, &resolution,
                      &integration);
        EXPECT_EQ(function, 5 /* DC volts */);
        gu::vo_voltDcRang_Q(gu::instr_session, &auto_range, &range);
        EXPECT_EQ(auto_range, 0);
        EXPECT_DOUBLE_EQ(range, 10.0);
        gu::vo_voltDcRes_Q(gu::instr_session, &resolution);
        EXPECT_DOUBLE_EQ(resolution, 1e-6);
        gu::vo_voltDcNplc_Q(gu::instr_session, &nplc);
        EXPECT_DOUBLE_EQ(nplc, 1.0);
        EXPECT_EQ(shown_label(main, RANGE), "10 V");
        EXPECT_EQ(shown_label(main, RESOLUTION), "1 uV");
        EXPECT_EQ(shown_label(cfg, APERTURE), "1 PLC");
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

// Math on with a null offset stays on through a Cancel that configures the function again.
TEST(SettingsBus, ConfigurationCancelKeepsMathOn) {
    gutest::use_bus(BUS);
    const std::string trace = gutest::use_trace();
    gutest::run_program([&] {
        ASSERT_TRUE(gu::livemode);
        const int math = gu::math_panel, cfg = gu::config_panel;
        uirt::test::select_index(math, CALC_FUNCTION, 0);  // null
        uirt::test::set_value(math, NULL_OFFS, 0.5);
        uirt::test::set_value(math, CALC_STATE, 1);
        uirt::test::pick_menu(gu::menu_bar, MENU_CONFIG);
        uirt::test::select_index(cfg, FUNCTION2, ITEM_AC_VOLTS);
        const std::size_t mark = gutest::trace_line_count(trace);
        uirt::test::press(cfg, CANCEL_BUTTON);
        const auto commands = gutest::written_commands_since(trace, mark);
        const auto configure = std::find(commands.begin(), commands.end(), "CONF:VOLT:DC");
        ASSERT_NE(configure, commands.end());
        EXPECT_NE(std::find(configure, commands.end(), "CALC:STAT ON"), commands.end());
        ViBoolean on = 0;
        gu::vo_calcStat_Q(gu::instr_session, &on);
        EXPECT_EQ(on, 1);
        uirt::test::click(gu::main_panel, READING);
        double value = 0;
        gu::Reading(0, gu::MSG_GET, &value);
        EXPECT_NEAR(value, 1.0, 1e-3);  // 1.5 V less the null
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

// Current functions show the resolution the instrument uses, and AC current's range is
// usable alike after a function change and after a read-back.
TEST(SettingsBus, CurrentFunctionsShowTheirResolutionOnEveryPath) {
    gutest::use_bus(BUS);
    gutest::run_program([&] {
        ASSERT_TRUE(gu::livemode);
        const int main = gu::main_panel;
        uirt::test::select_index(main, FUNCTION, ITEM_AC_CURRENT);
        EXPECT_EQ(shown_label(main, RESOLUTION), "10 uA");  // CURR:AC:RES 1E-05
        EXPECT_DOUBLE_EQ(resolution_in_use(), 1e-5);
        EXPECT_FALSE(dimmed(main, RANGE));
        uirt::test::pick_menu(gu::menu_bar, MENU_SYNC);
        EXPECT_EQ(shown_label(main, RESOLUTION), "10 uA");
        EXPECT_FALSE(dimmed(main, RANGE));
        uirt::test::select_index(main, RANGE, 2);  // "3 A"
        EXPECT_FALSE(dimmed(main, RESOLUTION));
        uirt::test::select_index(main, FUNCTION, ITEM_DC_CURRENT);
        EXPECT_EQ(shown_label(main, RESOLUTION), "30 nA");  // CURR:RES 3E-08
        EXPECT_DOUBLE_EQ(resolution_in_use(), 3e-8);
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(SettingsBus, SettingsTheModuleCannotMakeAreDimmedNotInvented) {
    gutest::use_bus(BUS);
    ::setenv("UIRT_MODULE_PATH", GU_BUILD_ROOT "/variants/missing_unused", 1);
    gutest::run_program([&] {
        ASSERT_TRUE(gu::livemode);  // optional names missing: live mode stays on
        const int main = gu::main_panel, cfg = gu::config_panel;
        uirt::test::select_index(main, FUNCTION, ITEM_AC_CURRENT);
        EXPECT_TRUE(dimmed(main, RANGE));
        EXPECT_TRUE(dimmed(main, RESOLUTION));
        EXPECT_EQ(shown_label(main, RANGE), "Auto-Range");  // as configured, not "1 A" from a no-op
        uirt::test::select_index(main, FUNCTION, ITEM_PERIOD);
        EXPECT_TRUE(dimmed(main, RANGE));                    // its range setter is missing
        uirt::test::select_index(main, FUNCTION, ITEM_AC_VOLTS);
        EXPECT_FALSE(dimmed(main, RANGE));
        EXPECT_FALSE(dimmed(cfg, APERTURE));
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}
