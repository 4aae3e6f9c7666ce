// Per-operation figures inside a process that ran the main sequence (scripted mode,
// offscreen, simulated instrument in live mode): the benchmarks run inside the event loop.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "globals.hpp"
#include "paint.hpp"
#include "program_harness.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

namespace {

constexpr int SAMPLE_COUNT_CTRL = 11;
constexpr int GRAPH_CTRL = 8;

// One setting end to end: control value, widget commit, driver, VISA, instrument, back.
void BM_SettingCommit(benchmark::State& state) {
    int value = 1;
    for (auto _ : state) {
        value = value == 1 ? 2 : 1;
        uirt::SetCtrlVal(gu::main_panel, SAMPLE_COUNT_CTRL, value);
        benchmark::DoNotOptimize(gu::SampleCount(0, gu::MSG_COMMIT, nullptr));
    }
    uirt::SetCtrlVal(gu::main_panel, SAMPLE_COUNT_CTRL, 1);
    gu::SampleCount(0, gu::MSG_COMMIT, nullptr);
}

void BM_Sync(benchmark::State& state) {
    for (auto _ : state) gu::Sync();
}

// The graph shown, as with a block of readings; its chart view loads then, outside the timed
// part. False when there is no chart view or the window cannot be painted.
bool show_graph() {
    uirt::SetCtrlAttribute(gu::main_panel, GRAPH_CTRL, uirt::ATTR_CTRL_VISIBLE, 1);
    return bench::expose_windows() && uirt::test::drawn_plots(gu::main_panel, GRAPH_CTRL) >= 0;
}

void hide_graph() {
    uirt::DeleteGraphPlot(gu::main_panel, GRAPH_CTRL, -1, uirt::VAL_IMMEDIATE_DRAW);
    uirt::SetCtrlAttribute(gu::main_panel, GRAPH_CTRL, uirt::ATTR_CTRL_VISIBLE, 0);
}

// Old plots removed, the block plotted as the program does, pending work of the event loop
// (the axes) done, and every visible window painted synchronously.
void draw_block(const std::vector<double>& y) {
    uirt::DeleteGraphPlot(gu::main_panel, GRAPH_CTRL, -1, uirt::VAL_IMMEDIATE_DRAW);
    uirt::PlotWaveform(gu::main_panel, GRAPH_CTRL, y.data(), y.size(), uirt::VAL_DOUBLE, 1.0, 0.0,
                       1.0, 1.0, uirt::VAL_THIN_LINE, uirt::VAL_SOLID_SQUARE, uirt::VAL_SOLID, 1,
                       uirt::MakeColor(255, 255, 0));
    bench::paint_windows();
}

std::vector<double> block(double scale) {
    std::vector<double> y(gu::READING_CAPACITY);
    for (std::size_t i = 0; i < y.size(); ++i)
        y[i] = scale * static_cast<double>((i * 37) % 1000) * 1e-3;
    return y;
}

// The drawing part of a 4096-reading block.
void BM_Plot4096(benchmark::State& state) {
    const std::vector<double> y = block(1.0);
    if (!show_graph()) state.SkipWithError("the graph has no chart view");
    for (auto _ : state) draw_block(y);
    if (uirt::test::plot_count(gu::main_panel, GRAPH_CTRL) != 1)
        state.SkipWithError("the graph did not hold the plot");
    hide_graph();
}

// The same with each block spanning other values than the one before, as blocks of readings
// do: the value axis moves at every block.
void BM_Plot4096RangeMoving(benchmark::State& state) {
    const std::vector<double> a = block(1.0), b = block(2.0);
    if (!show_graph()) state.SkipWithError("the graph has no chart view");
    // Autoscaled, as the program plots a block.
    uirt::SetAxisRange(gu::main_panel, GRAPH_CTRL, uirt::VAL_AUTOSCALE, 0.0, 0.0,
                       uirt::VAL_AUTOSCALE, 0.0, 0.0);
    bool turn = false;
    double lo = 0, hi = 0, last_hi = 0;
    for (auto _ : state) {
        draw_block((turn = !turn) ? a : b);
        uirt::test::axis_range(gu::main_panel, GRAPH_CTRL, true, lo, hi);
        if (hi == last_hi) state.SkipWithError("the value axis did not move");
        last_hi = hi;
    }
    hide_graph();
}

BENCHMARK(BM_SettingCommit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sync)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plot4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plot4096RangeMoving)->Unit(benchmark::kMillisecond);

// Keeps the console output and collects the median of the repetitions.
class Collector : public benchmark::ConsoleReporter {
public:
    Collector() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                seconds[r.run_name.function_name] =
                    r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
    }
};

void line(const char* name, double value, const char* unit, const char* goal, bool met) {
    std::printf("%-28s | %10.3f %-6s | %-10s | %s\n", name, value, unit, goal,
                met ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    static char reps[] = "--benchmark_repetitions=5";
    static char only_aggr[] = "--benchmark_report_aggregates_only=true";
    static char no_color[] = "--benchmark_color=false";
    args.insert(args.begin() + 1, {reps, only_aggr, no_color});
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());

    Collector collector;
    int live = 0;
    gutest::run_program([&] {
        live = gu::livemode;
        benchmark::RunSpecifiedBenchmarks(&collector);
    });
    benchmark::Shutdown();
    std::fflush(stdout);
    if (!live) std::fprintf(stderr, "bench_inprocess: warning: not in live mode\n");

    const auto get = [&](const char* name) {
        const auto it = collector.seconds.find(name);
        return it == collector.seconds.end() ? -1.0 : it->second;
    };
    const double commit = get("BM_SettingCommit") * 1e6;
    const double sync = get("BM_Sync") * 1e3;
    const double plot = get("BM_Plot4096") * 1e3;
    const double moving = get("BM_Plot4096RangeMoving") * 1e3;
    if (commit >= 0) line("setting_commit", commit, "us", "< 20 us", commit < 20);
    if (sync >= 0) line("sync_whole", sync, "ms", "< 2 ms", sync < 2);
    if (plot >= 0) line("block_4096_plot_draw", plot, "ms", "< 16 ms", plot < 16);
    if (moving >= 0) line("block_4096_draw_range_moves", moving, "ms", "< 16 ms", moving < 16);
    return 0;
}
