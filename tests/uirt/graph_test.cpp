// The readings graph: waveforms, clearing, axes and the time a full block takes.
#include <chrono>
#include <cmath>
#include <vector>

#include "recorder.hpp"
#include "support.hpp"

namespace uirt_tests {
namespace {

using namespace uirt;

class GraphTest : public Runtime {
protected:
    void SetUp() override {
        Runtime::SetUp();
        register_recorders();
        panel = load();
        ASSERT_GT(panel, 0);
        DisplayPanel(panel);
    }
    int panel = 0;
};

TEST_F(GraphTest, WaveformsArePlottedScaledAndCleared) {
    const std::vector<double> y{1.0, -2.0, 3.5};
    const int first =
        PlotWaveform(panel, GRAPH, y.data(), y.size(), VAL_DOUBLE, 2.0, 0.5, 1.0, 1.0,
                     VAL_THIN_LINE, VAL_SOLID_SQUARE, VAL_SOLID, 1, MakeColor(255, 255, 0));
    ASSERT_GT(first, 0);
    EXPECT_EQ(test::plot_y(panel, GRAPH, 0), (std::vector<double>{2.5, -3.5, 7.5}));
    EXPECT_EQ(test::plot_color(panel, GRAPH, 0), VAL_YELLOW);

    const int second = PlotY(panel, GRAPH, y.data(), 2, VAL_DOUBLE, VAL_SCATTER, VAL_SOLID_SQUARE,
                             VAL_SOLID, 1, VAL_RED);
    EXPECT_GT(second, first);
    EXPECT_EQ(test::plot_count(panel, GRAPH), 2);
    EXPECT_EQ(test::plot_y(panel, GRAPH, 1), (std::vector<double>{1.0, -2.0}));

    DeleteGraphPlot(panel, GRAPH, first, VAL_IMMEDIATE_DRAW);
    EXPECT_EQ(test::plot_count(panel, GRAPH), 1);
    EXPECT_EQ(test::plot_color(panel, GRAPH, 0), VAL_RED);
    EXPECT_LT(DeleteGraphPlot(panel, GRAPH, first, VAL_IMMEDIATE_DRAW), 0);
    DeleteGraphPlot(panel, GRAPH, -1, VAL_IMMEDIATE_DRAW);
    EXPECT_EQ(test::plot_count(panel, GRAPH), 0);
    EXPECT_TRUE(test::plot_y(panel, GRAPH, 0).empty());

    EXPECT_EQ(SetAxisRange(panel, GRAPH, VAL_AUTOSCALE, 0.0, 200.0, VAL_AUTOSCALE, -100.0, 100.0),
              0);
    EXPECT_EQ(SetAxisRange(panel, GRAPH, VAL_MANUAL, 0.0, 200.0, VAL_MANUAL, -100.0, 100.0), 0);
    EXPECT_LT(SetAxisRange(panel, GRAPH, VAL_MANUAL, 5.0, 5.0, VAL_MANUAL, -1.0, 1.0), 0);
    EXPECT_LT(PlotY(panel, NUM_INT, y.data(), 3, VAL_DOUBLE, 0, 0, 0, 1, 0), 0);
    EXPECT_LT(PlotY(panel, GRAPH, y.data(), 3, VAL_INTEGER, 0, 0, 0, 1, 0), 0);
}

TEST_F(GraphTest, AFullBlockReplotsWithinAFrame) {
    std::vector<double> y(4096);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = std::sin(static_cast<double>(i) / 50.0);
    const auto replot = [&] {
        DeleteGraphPlot(panel, GRAPH, -1, VAL_IMMEDIATE_DRAW);
        PlotWaveform(panel, GRAPH, y.data(), y.size(), VAL_DOUBLE, 1.0, 0.0, 1.0, 1.0,
                     VAL_THIN_LINE, VAL_SOLID_SQUARE, VAL_SOLID, 1, VAL_YELLOW);
        ProcessSystemEvents();
    };
    replot();  // the first plot creates the series
    constexpr int rounds = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) replot();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        rounds;
    EXPECT_LT(ms, 16.0);
    EXPECT_EQ(test::plot_count(panel, GRAPH), 1);
    EXPECT_EQ(test::plot_y(panel, GRAPH, 0).size(), 4096u);
}

}  // namespace
}  // namespace uirt_tests

namespace uirt_tests {
namespace {

TEST_F(GraphTest, CloseTearsDownPanelsAndTheRunTimeStartsAgain) {
    const double y[2] = {1.0, 2.0};
    uirt::PlotY(panel, GRAPH, y, 2, uirt::VAL_DOUBLE, 0, 0, 0, 1, uirt::VAL_RED);
    uirt::ProcessSystemEvents();
    uirt::CloseCVIRTE();
    EXPECT_FALSE(uirt::test::ctrl_exists(panel, GRAPH));
    EXPECT_EQ(uirt::InitCVIRTE(0, nullptr), 1);
    EXPECT_GT(load(), 0);
}

}  // namespace
}  // namespace uirt_tests
