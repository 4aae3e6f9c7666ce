// Figures of keeping and sharing readings, inside a process that ran the main sequence
// (scripted mode, offscreen, simulated instrument in live mode): export of a full block,
// the trend's strip chart redrawn, a reading joining the trend, a console query, a reading
// joining a log.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "file_care.hpp"
#include "globals.hpp"
#include "paint.hpp"
#include "program_harness.hpp"
#include "readings_csv.hpp"
#include "reading_log.hpp"
#include "readings_window.hpp"
#include "scpi_console.hpp"
#include "trend.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

namespace {

constexpr int READINGS_WINDOW_ITEM = 18, VIEW_RING = 1, TREND_VIEW = 1, READINGS_GRAPH = 2;

double reading(std::size_t i) {
    return 1.2345 + static_cast<double>((i * 7919) % 1000) * 1e-7;
}

// The Readings window shown with the trend, exposed so that it paints.
bool show_trend_view() {
    uirt::test::pick_menu(gu::menu_bar, READINGS_WINDOW_ITEM);
    uirt::test::select_index(gu::readings_window(), VIEW_RING, TREND_VIEW);
    return bench::expose_windows();
}

// A 4096-reading block as the Data menu exports it: the table composed and written over the
// file of the run before (the replace question answered by the script).
void BM_ExportBlock4096(benchmark::State& state) {
    gu::BlockRecord block;
    block.present = true;
    block.settings = gu::take_snapshot();
    block.start = std::chrono::system_clock::now();
    for (std::size_t i = 0; i < gu::READING_CAPACITY; ++i) block.values.push_back(reading(i));
    const std::string path = gutest::write_temp_file("block.csv", "");
    for (auto _ : state) {
        const std::string table = gu::block_table(block, ',');
        if (!gu::write_file_with_care(path.c_str(), table)) state.SkipWithError("not written");
    }
    if (std::filesystem::file_size(path) < 4096 * 20) state.SkipWithError("the file is short");
}

// The table alone, without the file.
void BM_BlockTable4096(benchmark::State& state) {
    gu::BlockRecord block;
    block.settings = gu::take_snapshot();
    for (std::size_t i = 0; i < gu::READING_CAPACITY; ++i) block.values.push_back(reading(i));
    for (auto _ : state) benchmark::DoNotOptimize(gu::block_table(block, ','));
}

// The Readings window showing a trend of 10,000 readings: one more reading joins and the
// strip chart is drawn again, painted synchronously (as at most once a second while Auto
// Update runs).
void BM_TrendRedraw10000(benchmark::State& state) {
    gu::trend_clear();
    std::vector<double> values(gu::TREND_CAPACITY);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = reading(i);
    gu::trend_add(values.data(), static_cast<int>(values.size()), 5, "VDC");
    if (!show_trend_view()) state.SkipWithError("the Readings window cannot be painted");
    bench::paint_windows();
    std::size_t i = 0;
    for (auto _ : state) {
        const double v = reading(i++);
        gu::trend_add(&v, 1, 5, "VDC");
        gu::readings_window_draw();
        bench::paint_windows();
    }
    if (gu::trend_size() != gu::TREND_CAPACITY) state.SkipWithError("the trend is not full");
    uirt::HidePanel(gu::readings_window());
}

// The same frame where the time axis moves to a new range, as at nearly every frame of a young
// trend: the 10,000 readings span 1000 s and 2000 s by turns.
void BM_TrendRedraw10000AxisMoving(benchmark::State& state) {
    if (!show_trend_view()) state.SkipWithError("the Readings window cannot be painted");
    int turn = 0;
    const auto fill = [&turn] {
        gu::trend_clear();
        const auto start = std::chrono::steady_clock::now();
        const auto apart = std::chrono::milliseconds(++turn % 2 ? 100 : 200);
        for (std::size_t i = 0; i < gu::TREND_CAPACITY; ++i) {
            const double v = reading(i);
            gu::trend_add(&v, 1, 5, "VDC", start + apart * static_cast<int>(i));
        }
    };
    fill();
    gu::readings_window_draw();
    bench::paint_windows();
    double lo = 0, hi = 0, last_hi = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fill();
        state.ResumeTiming();
        gu::readings_window_draw();
        bench::paint_windows();
        uirt::test::axis_range(gu::readings_window(), READINGS_GRAPH, false, lo, hi);
        if (hi == last_hi) state.SkipWithError("the time axis did not move");
        last_hi = hi;
    }
    uirt::HidePanel(gu::readings_window());
}

// A young trend's frame: ten readings a tenth of a second apart join and the strip chart is
// drawn again, its time axis (and often its value axis) moving to a new range, as in the first
// seconds of Auto Update. The trend starts again at 2 s and is drawn up to 7 s old.
void BM_TrendRedrawYoung(benchmark::State& state) {
    if (!show_trend_view()) state.SkipWithError("the Readings window cannot be painted");
    const auto start = std::chrono::steady_clock::now();
    std::size_t taken = 0;
    const auto join = [&](std::size_t count) {
        for (std::size_t k = 0; k < count; ++k, ++taken) {
            const double v = reading(taken * 13);
            gu::trend_add(&v, 1, 5, "VDC",
                          start + std::chrono::milliseconds(100) * static_cast<int>(taken));
        }
    };
    int moves = 0, frames = 0;
    double lo = 0, hi = 0, last_hi = 0;
    for (auto _ : state) {
        if (taken == 0 || taken >= 70) {
            state.PauseTiming();
            gu::trend_clear();
            taken = 0;
            join(20);
            state.ResumeTiming();
        }
        join(10);
        gu::readings_window_draw();
        bench::paint_windows();
        uirt::test::axis_range(gu::readings_window(), READINGS_GRAPH, false, lo, hi);
        moves += hi != last_hi;
        ++frames;
        last_hi = hi;
    }
    if (moves * 2 < frames) state.SkipWithError("the time axis stayed in most frames");
    uirt::HidePanel(gu::readings_window());
}

// What the trend adds to each automatic update: the reading stored, no window shown.
void BM_TrendAdd(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        const double v = reading(i++);
        gu::trend_add(&v, 1, 5, "VDC");
    }
}

// A query typed in the SCPI console, end to end: sent, its reply and the error queue read,
// the transcript written.
void BM_ConsoleQuery(benchmark::State& state) {
    constexpr int CONSOLE_ITEM = 26, CONSOLE_LINE = 3;
    uirt::test::pick_menu(gu::menu_bar, CONSOLE_ITEM);
    if (!gu::livemode || gu::scpi_console() <= 0) state.SkipWithError("no console in live mode");
    for (auto _ : state) uirt::test::set_value(gu::scpi_console(), CONSOLE_LINE, "SAMP:COUN?");
    uirt::HidePanel(gu::scpi_console());
}

// A single reading joining a running log: the row composed and written through to the file.
void BM_ReadingLogged(benchmark::State& state) {
    const std::string path = gutest::write_temp_file("log.csv", "");
    std::filesystem::remove(path);
    if (!gu::reading_log_start(path.c_str())) state.SkipWithError("no log");
    const gu::SettingsSnapshot settings = gu::take_snapshot();
    std::size_t i = 0;
    for (auto _ : state) {
        const double v = reading(i++);
        gu::reading_log_add(&v, 1, settings.function_code, settings.unit);
    }
    if (!gu::reading_log_on()) state.SkipWithError("the log stopped");
    gu::reading_log_stop();
    std::filesystem::remove(path);
}

BENCHMARK(BM_ExportBlock4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlockTable4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrendRedraw10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrendRedraw10000AxisMoving)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrendRedrawYoung)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrendAdd)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_ConsoleQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadingLogged)->Unit(benchmark::kMicrosecond);

class Collector : public benchmark::ConsoleReporter {
public:
    Collector() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> seconds, wall;  // CPU time of the thread, and wall time
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                const double unit = benchmark::GetTimeUnitMultiplier(r.time_unit);
                seconds[r.run_name.function_name] = r.GetAdjustedCPUTime() / unit;
                wall[r.run_name.function_name] = r.GetAdjustedRealTime() / unit;
            }
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
    gutest::run_program([&] { benchmark::RunSpecifiedBenchmarks(&collector); });
    benchmark::Shutdown();
    std::fflush(stdout);
    const auto get = [&](const char* name) {
        const auto it = collector.seconds.find(name);
        return it == collector.seconds.end() ? -1.0 : it->second;
    };
    // Goals are held against CPU time: on a machine shared with other work the wall time
    // holds the waits for the processor too (printed beside).
    for (const auto& [name, w] : collector.wall)
        std::printf("# %s: wall %.3f ms, CPU %.3f ms\n", name.c_str(), w * 1e3,
                    collector.seconds[name] * 1e3);
    const double exported = get("BM_ExportBlock4096") * 1e3;
    const double redraw = get("BM_TrendRedraw10000") * 1e3;
    const double moving = get("BM_TrendRedraw10000AxisMoving") * 1e3;
    const double add = get("BM_TrendAdd") * 1e9;
    if (exported >= 0) line("block_4096_csv_export", exported, "ms", "< 5 ms", exported < 5);
    const double table = get("BM_BlockTable4096") * 1e3;
    if (table >= 0) std::printf("%-28s | %10.3f %-6s | %-10s | %s\n", "block_4096_csv_table", table,
                                "ms", "(figure)", "");
    if (redraw >= 0) line("trend_10000_redraw", redraw, "ms", "< 16 ms", redraw < 16);
    if (moving >= 0) line("trend_10000_redraw_axis_moves", moving, "ms", "< 16 ms", moving < 16);
    const double young = get("BM_TrendRedrawYoung") * 1e3;
    if (young >= 0) line("trend_young_redraw", young, "ms", "< 16 ms", young < 16);
    if (add >= 0) std::printf("%-28s | %10.1f %-6s | %-10s | %s\n", "trend_add_per_reading", add,
                              "ns", "(figure)", "");
    const double console = get("BM_ConsoleQuery") * 1e3;
    if (console >= 0) line("console_query_end_to_end", console, "ms", "< 16 ms", console < 16);
    const double logged = get("BM_ReadingLogged") * 1e6;
    if (logged >= 0) std::printf("%-28s | %10.1f %-6s | %-10s | %s\n", "reading_logged", logged,
                                 "us", "(figure)", "");
    return 0;
}
