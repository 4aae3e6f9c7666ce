// Readings the user takes from the front panel when the bus triggers and its input is
// described: external edges, a second card's TTL pulse, and a noisy signal whose spread the
// aperture averages away.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numeric>
#include <thread>

#include "measure_support.hpp"
#include "program_harness.hpp"

using namespace mtest;

namespace {

constexpr int SAMPLE_COUNT = 11;  // main panel
constexpr int TRIG_SOURCE = 2;    // trigger panel: item n is source code n
constexpr int ITEM_EXTERNAL = 1, ITEM_TTL2 = 5;
constexpr int CALC_FUNCTION = 3, CALC_STATE = 12, ITEM_AVERAGE = 1;  // math panel
constexpr int APERTURE_0_4_MS = 0, APERTURE_20_MS = 5;

const std::string CARD_24 =
    "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 24\nslot = 3\nq7304 = yes\ninput.volt_dc = 1.5\ninput.noise = 0\n";

// Idle events, as time passes, until the running measurement has been shown.
bool wait_until_shown() {
    for (int i = 0; i < 300 && gu::measuring; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        uirt::test::idle();
    }
    return gu::measuring == 0;
}

double shown_reading() {
    double value = 0;
    gu::Reading(0, gu::MSG_GET, &value);
    return value;
}

std::vector<double> last_block() {
    const int plots = uirt::test::plot_count(gu::main_panel, READINGS);
    return plots > 0 ? uirt::test::plot_y(gu::main_panel, READINGS, plots - 1)
                     : std::vector<double>{};
}

double deviation(const std::vector<double>& v) {
    const double m = std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
    double sum = 0;
    for (const double x : v) sum += (x - m) * (x - m);
    return std::sqrt(sum / static_cast<double>(v.size() - 1));
}

double queried(gu::Handler widget) {
    double v = 0;
    widget(0, gu::MSG_QUERY, &v);
    return v;
}

}  // namespace

TEST(TriggerSignal, AReadingOnTheExternalTriggerCompletesWithTheScheduledEdges) {
    gutest::use_bus(CARD_24 + "trigger.external.period = 0.05\n");
    const std::string trace = gutest::use_trace();
    gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 1);
        uirt::test::select_index(gu::trigger_panel, TRIG_SOURCE, ITEM_EXTERNAL);
        const auto sent = gutest::written_commands(trace);
        EXPECT_NE(std::find(sent.begin(), sent.end(), "TRIG:SOUR EXT"), sent.end());
        uirt::test::click(gu::main_panel, READING);
        ASSERT_TRUE(wait_until_shown());
        EXPECT_NEAR(shown_reading(), 1.5, 1e-5);
        EXPECT_TRUE(popups_titled("Error").empty());
    });
}

TEST(TriggerSignal, ASecondCardsTtlPulseTriggersTheReadingTheUserWaitsFor) {
    gutest::use_bus(CARD_24 +
                    "[VXI0::25::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
                    "logical_address = 25\nslot = 4\nq7304 = yes\n");
    uirt::test::on_install_popup([](int panel) {  // two instruments: the first is chosen
        uirt::test::select_index(panel, 2, 0);
        uirt::test::press(panel, 3);
    });
    gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 1);
        ASSERT_STREQ(gu::rsrc_name, "VXI0::24::INSTR");
        uirt::test::clear_popups();
        uirt::test::select_index(gu::trigger_panel, TRIG_SOURCE, ITEM_TTL2);
        uirt::test::click(gu::main_panel, READING);
        EXPECT_EQ(gu::measuring, 1);  // no edge on line 2 yet: the reading waits
        for (int i = 0; i < 5; ++i) uirt::test::idle();
        EXPECT_EQ(gu::measuring, 1);

        // The other card, through the same driver: each of its readings pulses line 2.
        ViSession other = VI_NULL;
        ASSERT_EQ(gu::vo_init(const_cast<ViChar*>("VXI0::25::INSTR"), VI_FALSE, VI_TRUE, &other),
                  VI_SUCCESS);
        ASSERT_EQ(gu::vo_outpTtlt(other, 2, VI_TRUE), VI_SUCCESS);
        ASSERT_EQ(gu::vo_initImm(other), VI_SUCCESS);
        ASSERT_TRUE(wait_until_shown());
        EXPECT_NEAR(shown_reading(), 1.5, 1e-5);
        EXPECT_TRUE(popups_titled("Error").empty());
        gu::vo_close(other);
    });
}

TEST(TriggerSignal, StatisticsOfANoisyBlockNarrowAsTheApertureGrows) {
    gutest::use_bus(CARD_24 + "input.volt_dc.noise = 1e-4\n");
    gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 1);
        uirt::test::select_index(gu::math_panel, CALC_FUNCTION, ITEM_AVERAGE);
        uirt::test::set_value(gu::math_panel, CALC_STATE, 1);
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT, 40.0);
        auto block = [](int aperture_item) {
            uirt::test::select_index(gu::config_panel, APERTURE, aperture_item);
            uirt::test::set_value(gu::math_panel, CALC_STATE, 0);  // statistics afresh
            uirt::test::set_value(gu::math_panel, CALC_STATE, 1);
            uirt::test::click(gu::main_panel, READINGS);
            EXPECT_TRUE(wait_until_shown());
            return last_block();
        };
        const auto short_block = block(APERTURE_0_4_MS);
        const double short_spread = queried(gu::AverMax) - queried(gu::AverMin);
        const auto long_block = block(APERTURE_20_MS);
        const double long_spread = queried(gu::AverMax) - queried(gu::AverMin);
        ASSERT_EQ(short_block.size(), 40u);
        ASSERT_EQ(long_block.size(), 40u);
        // 1e-4 / sqrt(aperture): 5 mV at 0.4 ms, 0.71 mV at 20 ms.
        EXPECT_NEAR(deviation(short_block), 5e-3, 2e-3);
        EXPECT_NEAR(deviation(long_block), 7.1e-4, 3e-4);
        EXPECT_GT(short_spread, 3 * long_spread);
        EXPECT_NEAR(queried(gu::AverAverage), 1.5, 1e-3);
        EXPECT_TRUE(popups_titled("Error").empty());
    });
}
