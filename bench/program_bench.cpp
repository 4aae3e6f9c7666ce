// Costs of the program's own work, measured inside the real main sequence on the simulated
// instrument (live mode): one setting commit end to end, Sync, and drawing a 4096-point block.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "program_harness.hpp"
#include "uirt.hpp"
#include "widgets.hpp"

namespace {

// Widget, driver, VISA, instrument and back: the sample count typed and committed.
void SettingCommit(benchmark::State& state) {
    const int ctrl = [] {
        int c = 0;
        gu::SampleCount(0, gu::MSG_GET_CTRL, &c);
        return c;
    }();
    double value = 1.0;
    for (auto _ : state) {
        value = value == 1.0 ? 2.0 : 1.0;
        uirt::SetCtrlVal(gu::main_panel, ctrl, value);
        gu::SampleCount(0, gu::MSG_COMMIT, nullptr);
    }
    state.counters["live"] = gu::livemode;
}
BENCHMARK(SettingCommit)->Unit(benchmark::kMicrosecond);

void SyncWhole(benchmark::State& state) {
    for (auto _ : state) gu::Sync();
}
BENCHMARK(SyncWhole)->Unit(benchmark::kMillisecond);

// The graph part of a block: old plots deleted, 4096 readings plotted, events processed.
void PlotBlock(benchmark::State& state) {
    int graph = 0;
    gu::Readings(0, gu::MSG_GET_CTRL, &graph);
    std::vector<double> y(gu::READING_CAPACITY);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = 1.0 + 1e-6 * static_cast<double>(i % 97);
    for (auto _ : state) {
        uirt::DeleteGraphPlot(gu::main_panel, graph, -1, uirt::VAL_IMMEDIATE_DRAW);
        uirt::PlotWaveform(gu::main_panel, graph, y.data(), y.size(), uirt::VAL_DOUBLE, 1.0, 0.0,
                           1.0, 1.0, uirt::VAL_THIN_LINE, uirt::VAL_SOLID_SQUARE, uirt::VAL_SOLID,
                           1, uirt::VAL_YELLOW);
        uirt::ProcessSystemEvents();
    }
}
BENCHMARK(PlotBlock)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    return gutest::run_program([] {
        int ctrl = 0;
        gu::Readings(0, gu::MSG_GET_CTRL, &ctrl);
        int on = 1;
        gu::SampleCount(0, gu::MSG_SET, &on);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    });
}
