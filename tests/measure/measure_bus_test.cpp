// The measurement widgets against the simulated instrument, as a user works them.
#include <gtest/gtest.h>

#include <algorithm>

#include "measure_support.hpp"
#include "program_harness.hpp"

using namespace mtest;

namespace {

const char* BUS =
    "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 24\nslot = 3\nq7304 = yes\ninput.volt_dc = 1.5\ninput.noise = 0\n";

bool sent(const std::vector<std::string>& commands, const std::string& text) {
    return std::find(commands.begin(), commands.end(), text) != commands.end();
}

}  // namespace

TEST(MeasureBus, AUserTakesReadingsAndChoosesTheAperture) {
    gutest::use_bus(BUS);
    const std::string trace = gutest::use_trace();
    gutest::run_program([&] {
        if (!gu::livemode) GTEST_SKIP() << "no simulated instrument on the bus";
        uirt::test::click(gu::main_panel, READING);
        double value = 0;
        gu::Reading(0, gu::MSG_GET, &value);
        EXPECT_NEAR(value, 1.5, 0.01);
        char units[gu::NAME_SIZE]{};
        uirt::GetCtrlVal(gu::main_panel, UNITS, units, sizeof units);
        EXPECT_STREQ(units, "VDC");

        std::size_t mark = gutest::trace_line_count(trace);
        uirt::test::select_index(gu::config_panel, APERTURE, 5);  // "20.0 mS"
        auto commands = gutest::written_commands_since(trace, mark);
        EXPECT_TRUE(std::any_of(commands.begin(), commands.end(), [](const std::string& c) {
            return c.rfind("VOLT:DC:APER 0.02", 0) == 0;
        }));
        mark = gutest::trace_line_count(trace);
        uirt::test::select_index(gu::config_panel, APERTURE, 10);  // "0.02 PLC"
        commands = gutest::written_commands_since(trace, mark);
        EXPECT_TRUE(std::any_of(commands.begin(), commands.end(), [](const std::string& c) {
            return c.rfind("VOLT:DC:NPLC 0.02", 0) == 0;
        }));
        EXPECT_FALSE(sent(commands, "VOLT:DC:APER 0.02"));

        gu::vo_voltDcRang(gu::instr_session, 0, 300.0);
        int index = -1;
        gu::ConfigRange(0, gu::MSG_QUERY, &index);
        EXPECT_EQ(index, 5);  // "300 V"

        uirt::test::set_value(gu::trigger_panel, 3, 10.0);  // trigger count 10
        EXPECT_TRUE(uirt::test::panel_visible(gu::main_panel));
        uirt::test::click(gu::main_panel, READINGS);
        for (int i = 0; i < 300 && gu::measuring; ++i) uirt::test::idle();
        const int plots = uirt::test::plot_count(gu::main_panel, READINGS);
        ASSERT_GT(plots, 0);
        const auto y = uirt::test::plot_y(gu::main_panel, READINGS, plots - 1);
        ASSERT_EQ(y.size(), 10u);
        for (double r : y) EXPECT_NEAR(r, 1.5, 0.01);
    });
}

// An overload reads "OVLD" (or "-OVLD") on the display; the number is kept for the rest.
TEST(MeasureBus, AnOverloadReadsOvldOnTheDisplay) {
    gutest::use_bus(std::string(BUS) + "input.volt_dc = 1000\ninput.curr_dc = -10\n");
    gutest::run_program([&] {
        ASSERT_TRUE(gu::livemode);
        for (const int item : {ITEM_DC_VOLTS, ITEM_DC_CURRENT}) {
            uirt::test::select_index(gu::main_panel, FUNCTION, item);
            uirt::test::click(gu::main_panel, READING);
            double value = 0;
            gu::Reading(0, gu::MSG_GET, &value);
            char shown[32]{};
            uirt::GetCtrlAttribute(gu::main_panel, READING, uirt::ATTR_TEXT_IN_PLACE_OF_VALUE,
                                   shown, sizeof shown);
            const bool negative = item == ITEM_DC_CURRENT;
            EXPECT_EQ(value, negative ? -9.9e37 : 9.9e37);
            EXPECT_STREQ(shown, negative ? "-OVLD" : "OVLD");
        }
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}
