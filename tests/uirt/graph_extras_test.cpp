// Plots over x, zoom and the pointer readout, pictures of a graph, text box lines, clipboard.
#include <cmath>
#include <string>
#include <vector>

#include "recorder.hpp"
#include "support.hpp"

namespace uirt_tests {
namespace {

using namespace uirt;
constexpr int TEXT_BOX = 13;

class GraphExtrasTest : public LoadedPanel {};

TEST_F(GraphExtrasTest, PlotsOverTimeZoomBackAndReadOutThePointUnderThePointer) {
    DisplayPanel(panel);
    const std::vector<double> x{0.0, 0.5, 2.0, 3.0}, y{1e-3, 2e-3, 4e-3, 3e-3};
    ASSERT_GT(PlotXY(panel, GRAPH, x.data(), y.data(), x.size(), VAL_DOUBLE, VAL_DOUBLE,
                     VAL_THIN_LINE, VAL_SOLID_SQUARE, VAL_SOLID, 1, VAL_RED),
              0);
    EXPECT_EQ(test::plot_y(panel, GRAPH, 0), y);
    EXPECT_LT(PlotXY(panel, GRAPH, x.data(), y.data(), 4, VAL_INTEGER, VAL_DOUBLE, 0, 0, 0, 1, 0), 0);
    double lo = 0, hi = 0;
    ASSERT_TRUE(test::axis_range(panel, GRAPH, false, lo, hi));
    EXPECT_DOUBLE_EQ(lo, 0.0);
    EXPECT_DOUBLE_EQ(hi, 3.0);

    test::zoom_graph(panel, GRAPH, 0.4, 2.5, 1.5e-3, 4.5e-3);
    test::zoom_graph(panel, GRAPH, 1.0, 2.2, 3.0e-3, 4.2e-3);
    int depth = 0;
    GetGraphZoomDepth(panel, GRAPH, &depth);
    EXPECT_EQ(depth, 2);
    test::axis_range(panel, GRAPH, false, lo, hi);
    EXPECT_DOUBLE_EQ(lo, 1.0);
    // New data keeps the zoom the user chose; back goes one step, then all the way.
    PlotXY(panel, GRAPH, x.data(), y.data(), x.size(), VAL_DOUBLE, VAL_DOUBLE, 0, 0, 0, 1, 0);
    test::axis_range(panel, GRAPH, false, lo, hi);
    EXPECT_DOUBLE_EQ(hi, 2.2);
    ZoomGraphBack(panel, GRAPH, 0);
    test::axis_range(panel, GRAPH, false, lo, hi);
    EXPECT_DOUBLE_EQ(lo, 0.4);
    ZoomGraphBack(panel, GRAPH, 1);
    test::axis_range(panel, GRAPH, true, lo, hi);
    EXPECT_DOUBLE_EQ(lo, 1e-3);
    EXPECT_DOUBLE_EQ(hi, 4e-3);

    if (test::drawn_plots(panel, GRAPH) < 0) GTEST_SKIP() << "no chart view";
    SetCtrlAttribute(panel, GRAPH, ATTR_XUNITS, "s");
    SetCtrlAttribute(panel, GRAPH, ATTR_YUNITS, "VDC");
    EXPECT_EQ(test::graph_readout(panel, GRAPH, 2.1, 3.9e-3), "2 s: 4 mVDC");
    DeleteGraphPlot(panel, GRAPH, -1, VAL_IMMEDIATE_DRAW);
    const std::vector<double> block{5.0, 6.0, 7.0};
    PlotWaveform(panel, GRAPH, block.data(), 3, VAL_DOUBLE, 1.0, 0.0, 1.0, 1.0, 0, 0, 0, 1, 0);
    SetCtrlAttribute(panel, GRAPH, ATTR_XUNITS, "");
    SetCtrlAttribute(panel, GRAPH, ATTR_XWHOLE_TICKS, 1);
    EXPECT_EQ(test::graph_readout(panel, GRAPH, 2.2, 6.0), "2: 6 VDC");
}

// A strip chart's ranges grow and jump as readings come: the ticks stay at round numbers.
TEST_F(GraphExtrasTest, TicksStayAtRoundNumbersThroughRangeChanges) {
    DisplayPanel(panel);
    const std::vector<double> x{0.0, 1.0}, y{1.2345, 1.2346};
    PlotXY(panel, GRAPH, x.data(), y.data(), x.size(), VAL_DOUBLE, VAL_DOUBLE, 0, 0, 0, 1, 0);
    if (test::drawn_plots(panel, GRAPH) < 0) GTEST_SKIP() << "no chart view";
    const auto round = [](double step) {
        if (!(step > 0.0)) return false;
        const double m = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        return std::abs(m - 1.0) < 1e-6 || std::abs(m - 2.0) < 1e-6 || std::abs(m - 5.0) < 1e-6;
    };
    for (const double hi : {4.5, 6.0, 8.0, 10.0, 15.0, 20.0, 30.0, 6.0, 45.0, 1e6, 3.0, 2000.0}) {
        SetAxisRange(panel, GRAPH, VAL_MANUAL, 0.0, hi, VAL_MANUAL, 1.2344, 1.2346 + hi * 1e-6);
        ProcessSystemEvents();
        EXPECT_TRUE(round(test::tick_step(panel, GRAPH, false))) << "x up to " << hi;
        EXPECT_TRUE(round(test::tick_step(panel, GRAPH, true))) << "x up to " << hi;
    }
}

// Readings alternating low and high: the readout names the point nearest the pointer, not
// the one whose index is nearest its x.
TEST_F(GraphExtrasTest, TheReadoutNamesThePointNearestThePointer) {
    DisplayPanel(panel);
    SetCtrlAttribute(panel, GRAPH, ATTR_HEIGHT, 180);
    std::vector<double> y(30);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = i % 2 ? 10.0 : 0.0;
    PlotWaveform(panel, GRAPH, y.data(), y.size(), VAL_DOUBLE, 1.0, 0.0, 0.0, 1.0, 0, 0, 0, 1, 0);
    if (test::drawn_plots(panel, GRAPH) < 0) GTEST_SKIP() << "no chart view";
    SetCtrlAttribute(panel, GRAPH, ATTR_XWHOLE_TICKS, 1);
    SetCtrlAttribute(panel, GRAPH, ATTR_YUNITS, "V");
    EXPECT_EQ(test::graph_readout(panel, GRAPH, 14.4, 9.9), "15: 10 V");
    EXPECT_EQ(test::graph_readout(panel, GRAPH, 14.6, 0.1), "14: 0 V");
    DeleteGraphPlot(panel, GRAPH, -1, VAL_IMMEDIATE_DRAW);
    std::vector<double> x(y.size());
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = 0.1 * static_cast<double>(i);
    PlotXY(panel, GRAPH, x.data(), y.data(), x.size(), VAL_DOUBLE, VAL_DOUBLE, 0, 0, 0, 1, 0);
    SetCtrlAttribute(panel, GRAPH, ATTR_XWHOLE_TICKS, 0);
    SetCtrlAttribute(panel, GRAPH, ATTR_XUNITS, "s");
    EXPECT_EQ(test::graph_readout(panel, GRAPH, 1.44, 9.9), "1.5 s: 10 V");
}

// However short the graph and wherever the range falls, its value axis has two labels.
TEST_F(GraphExtrasTest, TheValueAxisAlwaysHasTwoLabels) {
    DisplayPanel(panel);
    SetCtrlAttribute(panel, GRAPH, ATTR_HEIGHT, 100);
    const std::vector<double> x{0.0, 1.0}, y{1.0, 2.0};
    PlotXY(panel, GRAPH, x.data(), y.data(), x.size(), VAL_DOUBLE, VAL_DOUBLE, 0, 0, 0, 1, 0);
    if (test::drawn_plots(panel, GRAPH) < 0) GTEST_SKIP() << "no chart view";
    for (const auto& [lo, hi] : {std::pair{1.01, 1.99}, {0.99, 2.02}, {0.706990, 0.707014},
                                 {-0.3, 0.4}, {12.1, 17.9}, {1e9 + 0.1, 1e9 + 0.9}}) {
        SetAxisRange(panel, GRAPH, VAL_MANUAL, 0.0, 1.0, VAL_MANUAL, lo, hi);
        ProcessSystemEvents();
        const double step = test::tick_step(panel, GRAPH, true);
        ASSERT_GT(step, 0.0) << lo;
        EXPECT_GE(std::floor(hi / step) - std::ceil(lo / step) + 1, 2.0) << lo << " to " << hi;
    }
}

TEST_F(GraphExtrasTest, AGraphGivesItsPictureAsPngOrSvgShownOrNot) {
    const std::vector<double> y{1.0, 3.0, 2.0};
    PlotY(panel, GRAPH, y.data(), y.size(), VAL_DOUBLE, 0, 0, 0, 1, VAL_YELLOW);
    std::string png, svg;
    // Never shown: drawn at the control's size all the same.
    ASSERT_EQ(GetGraphImage(panel, GRAPH, VAL_PNG, png), 0);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    DisplayPanel(panel);
    ASSERT_EQ(GetGraphImage(panel, GRAPH, VAL_SVG, svg), 0);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
    EXPECT_LT(GetGraphImage(panel, GRAPH, 7, svg), 0);
    EXPECT_LT(GetGraphImage(panel, NUM_INT, VAL_PNG, svg), 0);
}

TEST_F(GraphExtrasTest, TextBoxesTakeLinesAndTheClipboardText) {
    for (bool shown : {false, true}) {
        if (shown) DisplayPanel(panel);
        ResetTextBox(panel, TEXT_BOX, "");
        for (const char* line : {"one", "two", "three", "four"})
            ASSERT_EQ(InsertTextBoxLine(panel, TEXT_BOX, -1, line), 0);
        InsertTextBoxLine(panel, TEXT_BOX, 1, "between");
        int n = 0;
        GetNumTextBoxLines(panel, TEXT_BOX, &n);
        EXPECT_EQ(n, 5);
        DeleteTextBoxLines(panel, TEXT_BOX, 0, 2);
        char text[64]{};
        GetCtrlVal(panel, TEXT_BOX, text, sizeof text);
        EXPECT_STREQ(text, "two\nthree\nfour");
        DeleteTextBoxLines(panel, TEXT_BOX, 1, -1);
        GetCtrlVal(panel, TEXT_BOX, text, sizeof text);
        EXPECT_STREQ(text, "two");
        GetNumTextBoxLines(panel, TEXT_BOX, &n);
        EXPECT_EQ(n, 1);
        EXPECT_LT(DeleteTextBoxLines(panel, TEXT_BOX, 1, 1), 0);
        EXPECT_LT(InsertTextBoxLine(panel, NUM_INT, -1, "x"), 0);
        // A line's colour moves with the line.
        InsertTextBoxLine(panel, TEXT_BOX, -1, "red");
        ASSERT_EQ(SetTextBoxLineColor(panel, TEXT_BOX, 1, VAL_RED), 0);
        InsertTextBoxLine(panel, TEXT_BOX, 0, "first");
        InsertTextBoxLine(panel, TEXT_BOX, -1, "last");
        EXPECT_EQ(test::text_box_line_color(panel, TEXT_BOX, 2), VAL_RED);
        EXPECT_EQ(test::text_box_line_color(panel, TEXT_BOX, 3), -1);
        DeleteTextBoxLines(panel, TEXT_BOX, 0, 2);
        EXPECT_EQ(test::text_box_line_color(panel, TEXT_BOX, 0), VAL_RED);
        EXPECT_LT(SetTextBoxLineColor(panel, TEXT_BOX, 5, VAL_RED), 0);
        ResetTextBox(panel, TEXT_BOX, "plain");
        EXPECT_EQ(test::text_box_line_color(panel, TEXT_BOX, 0), -1);
    }
    ClipboardPutText("a\tb\r\n1\t2\r\n");
    std::string got;
    ClipboardGetText(got);
    EXPECT_EQ(got, "a\tb\r\n1\t2\r\n");
}

}  // namespace
}  // namespace uirt_tests
