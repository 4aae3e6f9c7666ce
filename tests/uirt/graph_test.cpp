// The readings graph: waveforms, clearing and axes, and the chart view loaded late.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "recorder.hpp"
#include "support.hpp"

namespace uirt_tests {
namespace {

using namespace uirt;

class GraphTest : public LoadedPanel {
protected:
    void SetUp() override {
        LoadedPanel::SetUp();
        DisplayPanel(panel);
    }
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

TEST_F(GraphTest, AFullBlockReplacesTheEarlierPlotAndRescales) {
    std::vector<double> y(4096);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = std::sin(static_cast<double>(i) / 50.0);
    const auto replot = [&](double gain) {
        DeleteGraphPlot(panel, GRAPH, -1, VAL_IMMEDIATE_DRAW);
        PlotWaveform(panel, GRAPH, y.data(), y.size(), VAL_DOUBLE, gain, 0.0, 1.0, 1.0,
                     VAL_THIN_LINE, VAL_SOLID_SQUARE, VAL_SOLID, 1, VAL_YELLOW);
        ProcessSystemEvents();
    };
    replot(1.0);
    replot(3.0);
    EXPECT_EQ(test::plot_count(panel, GRAPH), 1);
    ASSERT_EQ(test::plot_y(panel, GRAPH, 0).size(), 4096u);
    EXPECT_DOUBLE_EQ(test::plot_y(panel, GRAPH, 0)[100], 3.0 * std::sin(2.0));

    double lo = 0, hi = 0;
    ASSERT_TRUE(test::axis_range(panel, GRAPH, false, lo, hi));
    EXPECT_EQ(lo, 1.0);  // x0 = 1, dx = 1
    EXPECT_EQ(hi, 4096.0);
    ASSERT_TRUE(test::axis_range(panel, GRAPH, true, lo, hi));
    EXPECT_NEAR(lo, -3.0, 1e-3);
    EXPECT_NEAR(hi, 3.0, 1e-3);
}

// Axis changes are applied late but never lost: the last of several calls holds, a
// constant plot still gets a drawable range, and a manual range wins over the data.
TEST_F(GraphTest, AxesFollowTheLastChange) {
    const double flat[3] = {2.0, 2.0, 2.0};
    const double wide[2] = {-50.0, 50.0};
    PlotY(panel, GRAPH, wide, 2, VAL_DOUBLE, VAL_THIN_LINE, 0, 0, 1, VAL_RED);
    DeleteGraphPlot(panel, GRAPH, -1, VAL_IMMEDIATE_DRAW);
    PlotY(panel, GRAPH, flat, 3, VAL_DOUBLE, VAL_THIN_LINE, 0, 0, 1, VAL_RED);
    double lo = 0, hi = 0;
    ASSERT_TRUE(test::axis_range(panel, GRAPH, true, lo, hi));
    EXPECT_LT(lo, 2.0);
    EXPECT_GT(hi, 2.0);
    EXPECT_GT(lo, 1.0);  // not the range of the deleted plot
    ProcessSystemEvents();
    test::axis_range(panel, GRAPH, true, lo, hi);
    EXPECT_GT(lo, 1.0);

    ASSERT_EQ(SetAxisRange(panel, GRAPH, VAL_MANUAL, 0.0, 200.0, VAL_MANUAL, -100.0, 100.0), 0);
    PlotY(panel, GRAPH, wide, 2, VAL_DOUBLE, VAL_THIN_LINE, 0, 0, 1, VAL_RED);
    ProcessSystemEvents();
    test::axis_range(panel, GRAPH, true, lo, hi);
    EXPECT_EQ(lo, -100.0);
    EXPECT_EQ(hi, 100.0);
    test::axis_range(panel, GRAPH, false, lo, hi);
    EXPECT_EQ(hi, 200.0);
    EXPECT_FALSE(test::axis_range(panel, NUM_INT, true, lo, hi));
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

namespace uirt_tests {
namespace {

using namespace uirt;

bool charts_mapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("libQt6Charts") != std::string::npos) return true;
    return false;
}

// The panel is loaded but not yet displayed.
class UnshownGraphTest : public LoadedPanel {};

TEST_F(UnshownGraphTest, ChartsLoadOnlyWhenAGraphIsFirstShown) {
    const double y[3] = {1.0, 2.0, 3.0};
    PlotY(panel, GRAPH, y, 3, VAL_DOUBLE, VAL_THIN_LINE, 0, 0, 1, VAL_RED);
    ProcessSystemEvents();
    EXPECT_FALSE(charts_mapped());
    EXPECT_EQ(test::drawn_plots(panel, GRAPH), -1);

    // A hidden graph on a displayed panel is not shown either.
    SetCtrlAttribute(panel, GRAPH, ATTR_VISIBLE, 0);
    DisplayPanel(panel);
    ProcessSystemEvents();
    EXPECT_FALSE(charts_mapped());
    EXPECT_EQ(test::drawn_plots(panel, GRAPH), -1);

    SetCtrlAttribute(panel, GRAPH, ATTR_VISIBLE, 1);
    EXPECT_TRUE(charts_mapped());
    EXPECT_EQ(test::drawn_plots(panel, GRAPH), 1);

    // Every graph shown gets a view of its own.
    const int second = load();
    ASSERT_GT(second, 0);
    EXPECT_EQ(test::drawn_plots(second, GRAPH), -1);
    DisplayPanel(second);
    EXPECT_EQ(test::drawn_plots(second, GRAPH), 0);
    EXPECT_EQ(test::drawn_plots(panel, GRAPH), 1);
}

TEST_F(UnshownGraphTest, PlotsMadeBeforeTheFirstShowAreDrawnOnceShown) {
    const std::vector<double> y{1.0, -2.0, 3.5, 0.0, 8.0};
    const int line = PlotY(panel, GRAPH, y.data(), 3, VAL_DOUBLE, VAL_THIN_LINE, 0, 0, 1, VAL_RED);
    const int scatter = PlotY(panel, GRAPH, y.data(), 5, VAL_DOUBLE, VAL_SCATTER, 0, 0, 1, VAL_RED);
    PlotWaveform(panel, GRAPH, y.data(), 2, VAL_DOUBLE, 1.0, 0.0, 10.0, 0.5, VAL_CONNECTED_POINTS,
                 VAL_SOLID_SQUARE, VAL_SOLID, 1, VAL_YELLOW);
    ASSERT_EQ(DeleteGraphPlot(panel, GRAPH, scatter, VAL_IMMEDIATE_DRAW), 0);
    ASSERT_EQ(SetAxisRange(panel, GRAPH, VAL_MANUAL, -5.0, 20.0, VAL_AUTOSCALE, 0.0, 0.0), 0);
    SetCtrlAttribute(panel, GRAPH, ATTR_YNAME, "Volts");

    // The model answers without a view.
    EXPECT_EQ(test::plot_count(panel, GRAPH), 2);
    EXPECT_EQ(test::plot_y(panel, GRAPH, 1), (std::vector<double>{1.0, -2.0}));
    EXPECT_EQ(test::drawn_points(panel, GRAPH, 0), -1);
    double x_lo = 0, x_hi = 0, y_lo = 0, y_hi = 0;
    ASSERT_TRUE(test::axis_range(panel, GRAPH, false, x_lo, x_hi));
    ASSERT_TRUE(test::axis_range(panel, GRAPH, true, y_lo, y_hi));
    EXPECT_EQ(x_lo, -5.0);
    EXPECT_EQ(x_hi, 20.0);
    EXPECT_EQ(y_lo, -2.0);
    EXPECT_EQ(y_hi, 3.5);

    DisplayPanel(panel);
    EXPECT_EQ(test::drawn_plots(panel, GRAPH), 2);
    EXPECT_EQ(test::drawn_points(panel, GRAPH, 0), 3);
    EXPECT_EQ(test::drawn_points(panel, GRAPH, 1), 2);
    double lo = 0, hi = 0;
    test::axis_range(panel, GRAPH, false, lo, hi);
    EXPECT_EQ(lo, x_lo);
    EXPECT_EQ(hi, x_hi);
    test::axis_range(panel, GRAPH, true, lo, hi);
    EXPECT_EQ(lo, y_lo);
    EXPECT_EQ(hi, y_hi);

    // Once shown, every change reaches the view: the freed scatter slot is reused.
    std::vector<double> block(4096, 1.0);
    block[7] = 40.0;
    PlotY(panel, GRAPH, block.data(), block.size(), VAL_DOUBLE, VAL_SCATTER, 0, 0, 1, VAL_RED);
    EXPECT_EQ(test::drawn_plots(panel, GRAPH), 3);
    EXPECT_EQ(test::drawn_points(panel, GRAPH, 2), 4096);
    test::axis_range(panel, GRAPH, true, lo, hi);
    EXPECT_EQ(hi, 40.0);
    DeleteGraphPlot(panel, GRAPH, line, VAL_IMMEDIATE_DRAW);
    EXPECT_EQ(test::drawn_plots(panel, GRAPH), 2);
    DeleteGraphPlot(panel, GRAPH, -1, VAL_IMMEDIATE_DRAW);
    EXPECT_EQ(test::drawn_plots(panel, GRAPH), 0);
    EXPECT_EQ(test::drawn_points(panel, GRAPH, 0), -1);
}

// Run by uirt.no_chart_module from a folder without the module; skipped beside it.
TEST_F(UnshownGraphTest, WithoutTheChartModuleAGraphKeepsItsModelAndTheProgramGoesOn) {
    const auto here = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    if (std::filesystem::exists(here / "uirt_chart.so"))
        GTEST_SKIP() << "the chart module is beside this binary";
    const std::vector<double> y{1.0, 2.0, 3.0};
    PlotY(panel, GRAPH, y.data(), y.size(), VAL_DOUBLE, VAL_THIN_LINE, 0, 0, 1, VAL_RED);

    testing::internal::CaptureStderr();
    DisplayPanel(panel);
    ProcessSystemEvents();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("graphs are not drawn"),
              std::string::npos);
    EXPECT_FALSE(charts_mapped());
    EXPECT_EQ(test::drawn_plots(panel, GRAPH), -1);
    EXPECT_EQ(test::plot_y(panel, GRAPH, 0), y);
    double lo = 0, hi = 0;
    ASSERT_TRUE(test::axis_range(panel, GRAPH, true, lo, hi));
    EXPECT_LE(lo, 1.0);
    EXPECT_GE(hi, 3.0);

    // Said once per process; the graph still takes clicks.
    const int second = load();
    testing::internal::CaptureStderr();
    DisplayPanel(second);
    ProcessSystemEvents();
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("graphs are not drawn"),
              std::string::npos);
    events().clear();
    test::click(panel, GRAPH);
    ASSERT_FALSE(events().empty());
    EXPECT_EQ(events().back(), (Event{'C', panel, GRAPH, EVENT_LEFT_CLICK}));
}

}  // namespace
}  // namespace uirt_tests
