// Keeping and sharing readings: CSV export read back, the clipboard, graph pictures, the
// statistics against a reference, the trend of auto updates and its bound, the I/O monitor.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <regex>
#include <sstream>
#include <thread>

#include "block_stats.hpp"
#include "io_monitor.hpp"
#include "measure_support.hpp"
#include "program_harness.hpp"
#include "readings_window.hpp"
#include "session_script.hpp"
#include "trend.hpp"

using namespace mtest;

namespace {

namespace fs = std::filesystem;

// Data menu items.
constexpr int READINGS_WINDOW = 18, EXPORT_BLOCK = 19, EXPORT_TREND = 20, COPY_BLOCK = 21,
              SAVE_GRAPH = 23, CLEAR_TREND = 24, IO_MONITOR = 25, STORE_STATE = 11;
// The Readings window's controls.
constexpr int VIEW = 1, TREND_GRAPH = 2, CLEAR_TREND_BUTTON = 4, BLOCK_GRAPH = 10;
constexpr int AUTO_UPDATE = 3, BLOCK_STATS = 22, SAMPLE_COUNT = 11;
constexpr int TRIGGER_COUNT = 3;  // trigger panel

const char* BUS =
    "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 24\nslot = 3\nq7304 = yes\ninput.volt_dc = 1.5\ninput.noise = 0.001\n";

// A table as the export writes it: header rows, a blank line, column titles, readings.
struct Table {
    std::map<std::string, std::string> header;
    std::vector<std::vector<std::string>> header_rows;
    std::vector<std::string> titles;
    std::vector<std::vector<std::string>> rows;
};

std::vector<std::string> fields(const std::string& line, char sep) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') out.back() += line[++i];
            else if (c == '"') quoted = false;
            else out.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == sep) {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

Table parse(const std::string& text, char sep) {
    Table t;
    std::istringstream in(text);
    std::string line;
    int part = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            part = 1;
            continue;
        }
        auto f = fields(line, sep);
        if (part == 0) {
            t.header[f[0]] = f.size() > 1 ? f[1] : "";
            t.header_rows.push_back(f);
        } else if (part == 1) {
            t.titles = f;
            part = 2;
        } else {
            t.rows.push_back(f);
        }
    }
    return t;
}

void set_trigger_count(int n) {
    uirt::test::set_value(gu::trigger_panel, TRIGGER_COUNT, static_cast<double>(n));
}

std::vector<double> take_block() {
    uirt::test::click(gu::main_panel, READINGS);
    for (int i = 0; i < 300 && gu::measuring; ++i) uirt::test::idle();
    const int plots = uirt::test::plot_count(gu::main_panel, READINGS);
    return plots > 0 ? uirt::test::plot_y(gu::main_panel, READINGS, plots - 1) : std::vector<double>{};
}

void export_to(int item, const std::string& path, int purge_answer = 0) {
    uirt::test::push_answer({fs::exists(path) ? uirt::VAL_EXISTING_FILE_SELECTED
                                              : uirt::VAL_NEW_FILE_SELECTED,
                             path});
    if (purge_answer) uirt::test::push_answer({purge_answer, ""});
    uirt::test::pick_menu(gu::menu_bar, item);
}

// "3 \u00b5V" as a number of `unit`.
double si_number(const std::string& text, const std::string& unit) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    const std::string rest(end);
    for (const auto& [prefix, scale] : {std::pair{"n", 1e-9}, {"\u00b5", 1e-6}, {"m", 1e-3}, {"", 1.0}})
        if (rest == std::string(" ") + prefix + unit) return v * scale;
    return NAN;
}

std::string ctrl_text(int panel, int ctrl) {
    std::string text(200000, '\0');
    uirt::GetCtrlVal(panel, ctrl, text.data(), text.size());
    return text.c_str();
}

}  // namespace

TEST(ReadingsData, ABlockExportsAsCsvAndCopiesAsTextThatReadBackToTheSameValues) {
    gutest::use_bus(BUS);
    gutest::run_program([] {
        if (!gu::livemode) GTEST_SKIP() << "no simulated instrument on the bus";
        const std::string path = gutest::write_temp_file("unused", "") + ".csv";
        export_to(EXPORT_BLOCK, path);  // no block yet: told, nothing written
        EXPECT_EQ(popups_titled("Readings").size(), 1u);
        EXPECT_FALSE(fs::exists(path));

        set_trigger_count(16);
        const std::vector<double> block = take_block();
        ASSERT_EQ(block.size(), 16u);
        export_to(EXPORT_BLOCK, path);
        const Table csv = parse(gutest::read_file(path), ',');
        EXPECT_EQ(csv.header.at("Function"), "DC Volts");
        EXPECT_EQ(csv.header.at("Range"), "Auto-Range");
        // As the configuration panel shows it ("20.0 mS"), in SI units.
        int aperture = -1;
        char label[gu::NAME_SIZE]{};
        uirt::GetCtrlIndex(gu::config_panel, APERTURE, &aperture);
        uirt::GetLabelFromIndex(gu::config_panel, APERTURE, aperture, label, sizeof label);
        EXPECT_EQ(csv.header.at("Aperture"), std::regex_replace(label, std::regex(" mS$"), " ms"));
        EXPECT_TRUE(std::regex_match(csv.header.at("Aperture"), std::regex("[0-9.]+ ms")));
        // Auto-Range dims the resolution ring; the instrument still reports the one in use.
        double reported = 0;
        uirt::GetCtrlVal(gu::config_panel, RESOL_DISP, &reported);
        ASSERT_GT(reported, 0.0);
        EXPECT_EQ(si_number(csv.header.at("Resolution"), "V"), reported);
        EXPECT_EQ(csv.header.at("Trigger source"), "Immediate");
        EXPECT_EQ(csv.header.at("Trigger count"), "16");
        EXPECT_EQ(csv.header.at("Sample count"), "1");
        EXPECT_NE(csv.header.at("Instrument").find("VXI0::24::INSTR"), std::string::npos);
        EXPECT_TRUE(std::regex_match(csv.header.at("Start"),
                                     std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")));
        EXPECT_EQ(csv.titles, (std::vector<std::string>{"Index", "Time (s)", "Value", "Unit"}));
        ASSERT_EQ(csv.rows.size(), block.size());
        for (std::size_t i = 0; i < block.size(); ++i) {
            EXPECT_EQ(csv.rows[i][0], std::to_string(i + 1));
            EXPECT_EQ(csv.rows[i][1], "");  // a block's readings are not timed
            EXPECT_EQ(std::strtod(csv.rows[i][2].c_str(), nullptr), block[i]) << i;
            EXPECT_EQ(csv.rows[i][3], "VDC");
        }

        uirt::test::pick_menu(gu::menu_bar, COPY_BLOCK);
        std::string copied;
        uirt::ClipboardGetText(copied);
        const Table tsv = parse(copied, '\t');
        ASSERT_EQ(tsv.rows.size(), block.size());
        for (std::size_t i = 0; i < block.size(); ++i)
            EXPECT_EQ(std::strtod(tsv.rows[i][2].c_str(), nullptr), block[i]);
        EXPECT_EQ(tsv.header, csv.header);
    });
}

TEST(ReadingsData, FilesAreReplacedOnlyWhenTheUserAgreesAndFailuresAreTold) {
    gutest::use_bus(BUS);
    gutest::run_program([] {
        if (!gu::livemode) GTEST_SKIP() << "no simulated instrument on the bus";
        set_trigger_count(4);
        take_block();
        const std::string path = gutest::write_temp_file("kept.csv", "earlier\n");
        uirt::test::clear_popups();
        export_to(EXPORT_BLOCK, path, 2);  // "No"
        ASSERT_EQ(popups_titled("Purge Dialog").size(), 1u);
        EXPECT_EQ(popups_titled("Purge Dialog")[0].text, "File Exists.  O.K. to delete?");
        EXPECT_EQ(gutest::read_file(path), "earlier\n");
        export_to(EXPORT_BLOCK, path, 1);  // "Yes"
        EXPECT_EQ(parse(gutest::read_file(path), ',').rows.size(), 4u);

        const std::string folder = fs::path(path).parent_path().string();
        uirt::test::clear_popups();
        export_to(EXPORT_BLOCK, folder);
        ASSERT_EQ(popups_titled("OpenFile Error").size(), 1u);
        EXPECT_EQ(popups_titled("OpenFile Error")[0].text,
                  "Open File failed on " + folder + ": " + std::strerror(EISDIR));
        export_to(EXPORT_BLOCK, "/proc/no-such-folder/block.csv");
        EXPECT_EQ(popups_titled("OpenFile Error").size(), 2u);
        EXPECT_NE(popups_titled("OpenFile Error")[1].text.find(std::strerror(ENOENT)),
                  std::string::npos);
        // A full disk: the system's reason for the Data menu's files; the Part's own text for
        // a state file.
        export_to(EXPORT_BLOCK, "/dev/full", 1);
        ASSERT_EQ(popups_titled("Write Error").size(), 1u);
        EXPECT_EQ(popups_titled("Write Error")[0].text,
                  std::string("Write to File /dev/full Failed: ") + std::strerror(ENOSPC));
        export_to(STORE_STATE, "/dev/full", 1);
        ASSERT_EQ(popups_titled("Write Error").size(), 2u);
        EXPECT_EQ(popups_titled("Write Error")[1].text, "Write to File /dev/full Failed!\n");

        for (const char* name : {"graph.png", "graph.svg"}) {
            const std::string picture = folder + "/" + name;
            export_to(SAVE_GRAPH, picture);
            const std::string bytes = gutest::read_file(picture);
            if (std::string(name).ends_with(".png"))
                EXPECT_EQ(bytes.substr(0, 4), "\x89PNG");
            else
                EXPECT_NE(bytes.find("<svg"), std::string::npos);
        }
    });
}

TEST(ReadingsData, StatisticsMatchAReferenceOnKnownData) {
    const std::vector<double> known{2, 4, 4, 4, 5, 5, 7, 9};
    const gu::ReadingStats s = gu::reading_stats(known);
    EXPECT_EQ(s.count, 8u);
    EXPECT_DOUBLE_EQ(s.mean, 5.0);
    EXPECT_DOUBLE_EQ(s.std_dev, std::sqrt(32.0 / 7.0));  // squared deviations sum to 32
    EXPECT_EQ(s.min, 2.0);
    EXPECT_EQ(s.max, 9.0);
    EXPECT_EQ(s.peak_to_peak(), 7.0);
    EXPECT_EQ(gu::reading_stats(std::vector<double>{}).count, 0u);
    EXPECT_EQ(gu::reading_stats(std::vector<double>{3.5}).std_dev, 0.0);

    // Readings far from zero with a small spread, against a two-pass reference in long double.
    std::vector<double> offset(1000);
    for (std::size_t i = 0; i < offset.size(); ++i)
        offset[i] = 1e9 + static_cast<double>((i * 7919) % 1000) * 1e-3;
    long double sum = 0;
    for (double v : offset) sum += v;
    const long double mean = sum / offset.size();
    long double squares = 0;
    for (double v : offset) squares += (v - mean) * (v - mean);
    const double sd = static_cast<double>(std::sqrt(squares / (offset.size() - 1)));
    const gu::ReadingStats o = gu::reading_stats(offset);
    EXPECT_NEAR(o.mean, static_cast<double>(mean), 1e-6);
    EXPECT_NEAR(o.std_dev, sd, sd * 1e-6);
    EXPECT_NEAR(o.peak_to_peak(), 0.999, 1e-6);

    EXPECT_EQ(gu::engineering(0.0012345678, "VDC"), "1.2346 mVDC");
    EXPECT_EQ(gu::engineering(-2.5e-7, "A DC", 3), "-250 nA DC");
    EXPECT_EQ(gu::engineering(999.9996, "Hz", 4), "1.000 kHz");
    EXPECT_EQ(gu::engineering(1.5e6, "Ohms", 3), "1.50 MOhms");
    EXPECT_EQ(gu::engineering(0.0, "V/V", 3), "0.00 V/V");
}

TEST(ReadingsData, TheMainPanelShowsTheStatisticsOfTheShownBlock) {
    gutest::use_bus(BUS);
    gutest::run_program([] {
        if (!gu::livemode) GTEST_SKIP() << "no simulated instrument on the bus";
        set_trigger_count(8);
        const std::vector<double> block = take_block();
        ASSERT_EQ(block.size(), 8u);
        EXPECT_TRUE(visible(gu::main_panel, BLOCK_STATS));
        const gu::ReadingStats s = gu::reading_stats(block);
        const std::string text = ctrl_text(gu::main_panel, BLOCK_STATS);
        EXPECT_EQ(text.rfind("n 8 ", 0), 0u) << text;
        EXPECT_NE(text.find("mean " + gu::engineering(s.mean, "VDC", 7)), std::string::npos) << text;
        EXPECT_NE(text.find("p-p " + gu::engineering(s.peak_to_peak(), "VDC", 4)), std::string::npos);
        // A new sample count clears the graph, and its statistics with it.
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT, 2.0);
        EXPECT_EQ(uirt::test::plot_count(gu::main_panel, READINGS), 0);
        EXPECT_EQ(ctrl_text(gu::main_panel, BLOCK_STATS), "");
        EXPECT_EQ(take_block().size(), 16u);
        EXPECT_EQ(ctrl_text(gu::main_panel, BLOCK_STATS).rfind("n 16 ", 0), 0u);
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT, 1.0);
        set_trigger_count(1);  // one reading: a number, no graph and no statistics
        EXPECT_FALSE(visible(gu::main_panel, BLOCK_STATS));
    });
}

TEST(Trend, AutoUpdateReadingsJoinItAndAFunctionChangeStartsATraceWithItsUnit) {
    gutest::use_bus(BUS);
    gutest::run_program([] {
        if (!gu::livemode) GTEST_SKIP() << "no simulated instrument on the bus";
        uirt::test::click(gu::main_panel, READING);  // not auto update: not in the trend
        EXPECT_EQ(gu::trend_size(), 0u);
        uirt::test::pick_menu(gu::menu_bar, READINGS_WINDOW);
        uirt::test::select_index(gu::readings_window(), 1, 1);  // the trend shown
        uirt::test::pick_menu(gu::menu_bar, AUTO_UPDATE);
        ASSERT_TRUE(idle_times(10));
        const std::size_t first = gu::trend_size();
        EXPECT_GE(first, 5u);
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_AC_VOLTS);
        ASSERT_TRUE(idle_times(10));
        uirt::test::pick_menu(gu::menu_bar, AUTO_UPDATE);
        ASSERT_TRUE(idle_times(3));
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // the strip chart's frame
        ASSERT_TRUE(idle_times(1));
        const std::size_t kept = gu::trend_size();
        const auto& traces = gu::trend_traces();
        ASSERT_EQ(traces.size(), 2u);
        EXPECT_EQ(traces[0].unit, "VDC");
        EXPECT_EQ(traces[1].unit, "VAC");
        EXPECT_EQ(traces[1].settings.function, "AC Volts");
        EXPECT_EQ(traces[0].count + traces[1].count, kept);
        // The strip chart shows the newest trace in its unit.
        char unit[32]{};
        uirt::GetCtrlAttribute(gu::readings_window(), 2, uirt::ATTR_YNAME, unit, sizeof unit);
        EXPECT_STREQ(unit, "VAC");
        EXPECT_EQ(uirt::test::plot_y(gu::readings_window(), 2, 0).size(), traces[1].count);

        const std::string path = gutest::write_temp_file("unused", "") + ".csv";
        export_to(EXPORT_TREND, path);
        const Table csv = parse(gutest::read_file(path), ',');
        ASSERT_EQ(csv.rows.size(), kept);
        EXPECT_EQ(csv.header.at("Trace 2"), "AC Volts");
        // Every trace with its own settings, in SI units.
        for (const auto& r : csv.header_rows) {
            if (r[0].rfind("Trace ", 0) != 0) continue;
            ASSERT_EQ(r.size(), 7u);
            EXPECT_EQ(r[4], "Auto-Range");
            EXPECT_NE(r[5], "n/a");
            EXPECT_TRUE(std::regex_match(r[6], std::regex("[0-9.]+ ms"))) << r[6];
        }
        double last_time = -1;
        for (std::size_t i = 0; i < kept; ++i) {
            const double t = std::strtod(csv.rows[i][1].c_str(), nullptr);
            EXPECT_GE(t, last_time);
            last_time = t;
            EXPECT_EQ(csv.rows[i][3], i < traces[0].count ? "VDC" : "VAC");
        }
        uirt::test::pick_menu(gu::menu_bar, CLEAR_TREND);
        EXPECT_EQ(gu::trend_size(), 0u);
        EXPECT_EQ(uirt::test::plot_count(gu::readings_window(), 2), 0);
    });
}

// Far more readings than the trend keeps, in blocks and singles, with unit changes.
TEST(Trend, KeepsTheLast10000ReadingsOverASoak) {
    gutest::run_program([] {
        gu::trend_clear();
        std::vector<double> all;
        for (int n = 0; all.size() < 35000; ++n) {
            std::vector<double> chunk(static_cast<std::size_t>(n % 7 == 0 ? 4096 : 1 + n % 13));
            for (double& v : chunk) v = static_cast<double>(all.size() + (&v - chunk.data()));
            const int function = (all.size() / 9000) % 2 ? 4 : 5;
            gu::trend_add(chunk.data(), static_cast<int>(chunk.size()), function,
                          function == 4 ? "VAC" : "VDC");
            all.insert(all.end(), chunk.begin(), chunk.end());
            ASSERT_LE(gu::trend_size(), gu::TREND_CAPACITY);
        }
        ASSERT_EQ(gu::trend_size(), gu::TREND_CAPACITY);
        const auto rows = gu::trend_rows();
        ASSERT_EQ(rows.size(), gu::TREND_CAPACITY);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::size_t added = all.size() - gu::TREND_CAPACITY + i;
            ASSERT_EQ(rows[i].index, added + 1);
            ASSERT_EQ(rows[i].point.value, all[added]);
        }
        std::size_t counted = 0;
        for (const auto& t : gu::trend_traces()) {
            EXPECT_GT(t.count, 0u);  // traces whose readings all went are gone
            counted += t.count;
        }
        EXPECT_EQ(counted, gu::TREND_CAPACITY);
        // Each trace's points, read across the ring's end, are its rows.
        std::size_t row = 0;
        for (std::size_t n = 0; n < gu::trend_traces().size(); ++n)
            for (const gu::TrendPoint& p : gu::trend_points(n)) {
                ASSERT_EQ(rows[row].trace, n);
                ASSERT_EQ(p.value, rows[row++].point.value);
            }
        EXPECT_EQ(row, rows.size());
    });
}

// Readings added with the time they were taken: times count from the first, in both clocks.
TEST(Trend, TimesCountFromTheFirstReadingTaken) {
    gutest::run_program([] {
        using namespace std::chrono;
        gu::trend_clear();
        const auto first = steady_clock::now() - seconds(10);
        const double v = 1.0;
        gu::trend_add(&v, 1, 5, "VDC", first);
        gu::trend_add(&v, 1, 5, "VDC", first + milliseconds(2500));
        gu::trend_add(&v, 1, 4, "VAC", first + seconds(4));
        ASSERT_EQ(gu::trend_traces().size(), 2u);
        const auto dc = gu::trend_points(0), ac = gu::trend_points(1);
        ASSERT_EQ(dc.size(), 2u);
        EXPECT_DOUBLE_EQ(dc[0].seconds, 0.0);
        EXPECT_DOUBLE_EQ(dc[1].seconds, 2.5);
        ASSERT_EQ(ac.size(), 1u);
        EXPECT_DOUBLE_EQ(ac[0].seconds, 4.0);
        const double ago = duration<double>(system_clock::now() - gu::trend_start()).count();
        EXPECT_NEAR(ago, 10.0, 1.0);
        const double ac_start =
            duration<double>(gu::trend_traces()[1].start - gu::trend_start()).count();
        EXPECT_NEAR(ac_start, 4.0, 0.1);
        gu::trend_clear();
    });
}

TEST(IoMonitor, ShowsTheCallsAsTheyHappenWithPauseAndClear) {
    gutest::use_bus(BUS);
    gutest::run_program([] {
        if (!gu::livemode) GTEST_SKIP() << "no simulated instrument on the bus";
        constexpr int LOG = 2, PAUSE = 3, CLEAR = 4;
        uirt::test::pick_menu(gu::menu_bar, IO_MONITOR);
        const int monitor = gu::io_monitor();
        ASSERT_GT(monitor, 0);
        EXPECT_TRUE(uirt::test::panel_visible(monitor));
        const auto lines = [&] {
            int n = 0;
            uirt::GetNumTextBoxLines(monitor, LOG, &n);
            return n;
        };
        uirt::test::click(gu::main_panel, READING);
        ASSERT_TRUE(uirt::test::idle());
        const std::string shown = ctrl_text(monitor, LOG);
        EXPECT_NE(shown.find("viWrite(0x"), std::string::npos);
        EXPECT_NE(shown.find("\"FETC?\\n\""), std::string::npos) << shown;
        EXPECT_EQ(lines(), static_cast<int>(std::count(shown.begin(), shown.end(), '\n')) + 1);

        uirt::test::press(monitor, PAUSE);
        const int paused = lines();
        uirt::test::click(gu::main_panel, READING);
        ASSERT_TRUE(uirt::test::idle());
        EXPECT_EQ(lines(), paused);
        uirt::test::press(monitor, PAUSE);  // resumed
        uirt::test::click(gu::main_panel, READING);
        ASSERT_TRUE(uirt::test::idle());
        EXPECT_GT(lines(), paused);
        uirt::test::press(monitor, CLEAR);
        EXPECT_EQ(lines(), 0);

        // Its close box hides it; the program does not ask to quit.
        uirt::test::clear_popups();
        uirt::test::close_window(monitor);
        ASSERT_TRUE(uirt::test::idle());
        EXPECT_FALSE(uirt::test::panel_visible(monitor));
        EXPECT_TRUE(uirt::test::popups().empty());
    });
}

TEST(ReadingsWindow, TheGraphGrowsWithTheWindowWhileTheFrameKeepsItsSizeRule) {
    gutest::use_bus(BUS);
    gutest::run_program([] {
        uirt::test::pick_menu(gu::menu_bar, READINGS_WINDOW);
        const int window = gu::readings_window();
        ASSERT_GT(window, 0);
        uirt::test::resize(window, 900, 620);
        ASSERT_TRUE(uirt::test::idle());
        int width = 0, height = 0;
        uirt::GetPanelAttribute(window, uirt::ATTR_WIDTH, &width);
        uirt::GetCtrlAttribute(window, 2, uirt::ATTR_WIDTH, &height);
        EXPECT_EQ(width, 900);
        EXPECT_EQ(height, 888);
        uirt::GetCtrlAttribute(window, 2, uirt::ATTR_HEIGHT, &height);
        EXPECT_GT(height, 450);

        uirt::test::resize(gu::frame_panel, 700, 500);
        ASSERT_TRUE(uirt::test::idle());
        uirt::GetPanelAttribute(gu::frame_panel, uirt::ATTR_WIDTH, &width);
        uirt::GetPanelAttribute(gu::frame_panel, uirt::ATTR_HEIGHT, &height);
        EXPECT_EQ(width, 400);
        EXPECT_EQ(height, 316);
    });
}

// Each view of the Readings window keeps its own axes and zoom; an empty trend keeps none.
TEST(ReadingsWindow, EachViewKeepsItsOwnAxesAndZoom) {
    gutest::use_bus(BUS);
    gutest::run_program([] {
        if (!gu::livemode) GTEST_SKIP() << "no simulated instrument on the bus";
        uirt::test::pick_menu(gu::menu_bar, READINGS_WINDOW);
        const int window = gu::readings_window();
        uirt::test::select_index(window, VIEW, 1);
        const std::vector<double> ac{0.706990, 0.707014, 0.707001};
        gu::trend_add(ac.data(), 3, 4, "VAC");
        gu::readings_window_draw();
        uirt::test::zoom_graph(window, TREND_GRAPH, 0.0, 0.5, 0.70699, 0.70701);
        uirt::test::press(window, CLEAR_TREND_BUTTON);
        double lo = 0, hi = 0;
        ASSERT_TRUE(uirt::test::axis_range(window, TREND_GRAPH, true, lo, hi));
        EXPECT_LT(lo, 0.7) << "the cleared trend's value axis";
        EXPECT_GT(hi, 0.71);

        set_trigger_count(20);
        const std::vector<double> block = take_block();
        ASSERT_EQ(block.size(), 20u);
        uirt::test::select_index(window, VIEW, 0);
        ASSERT_TRUE(uirt::test::axis_range(window, BLOCK_GRAPH, true, lo, hi));
        const auto [min, max] = std::minmax_element(block.begin(), block.end());
        EXPECT_LE(lo, *min);
        EXPECT_GE(hi, *max);
        // A zoom of the block outlives a look at the trend.
        uirt::test::zoom_graph(window, BLOCK_GRAPH, 2.0, 5.0, lo, hi);
        uirt::test::select_index(window, VIEW, 1);
        uirt::test::select_index(window, VIEW, 0);
        int depth = 0;
        uirt::GetGraphZoomDepth(window, BLOCK_GRAPH, &depth);
        EXPECT_EQ(depth, 1);
    });
}

// Auto Update paused for 20 s: the strip chart shows a gap, not a line across the pause.
TEST(ReadingsWindow, ThePausesOfTheTrendAreGaps) {
    gutest::run_program([] {
        using namespace std::chrono;
        gu::trend_clear();
        uirt::test::pick_menu(gu::menu_bar, READINGS_WINDOW);
        const int window = gu::readings_window();
        uirt::test::select_index(window, VIEW, 1);
        const auto start = steady_clock::now() - seconds(60);
        double v = 1.0;
        for (const int from_ms : {0, 22000, 45000})
            for (int i = 0; i < (from_ms == 45000 ? 1 : 30); ++i, v += 0.01)
                gu::trend_add(&v, 1, 5, "VDC", start + milliseconds(from_ms + 100 * i));
        gu::readings_window_draw();
        ASSERT_EQ(uirt::test::plot_count(window, TREND_GRAPH), 3);
        EXPECT_EQ(uirt::test::plot_y(window, TREND_GRAPH, 0).front(), 1.0);
        EXPECT_EQ(uirt::test::plot_y(window, TREND_GRAPH, 0).size(), 30u);
        EXPECT_EQ(uirt::test::plot_y(window, TREND_GRAPH, 1).size(), 30u);
        EXPECT_EQ(uirt::test::plot_y(window, TREND_GRAPH, 2).size(), 1u);  // a point alone
        gu::trend_clear();
    });
}

// More calls than the monitor holds: exactly the last 5,000, and the count says so.
TEST(IoMonitor, KeepsExactlyTheLast5000CallsAndCountsWhatItHolds) {
    gutest::use_bus(BUS);
    gutest::run_program([] {
        if (!gu::livemode) GTEST_SKIP() << "no simulated instrument on the bus";
        constexpr int LOG = 2, COUNT = 5;
        uirt::test::pick_menu(gu::menu_bar, IO_MONITOR);
        const int monitor = gu::io_monitor();
        int status = 0;
        using GetAttribute = ViStatus (*)(ViObject, ViAttr, void*);
        const auto get = reinterpret_cast<GetAttribute>(
            uirt::GetExternalModuleAddr(gu::visa_module, "viGetAttribute", &status));
        ASSERT_NE(get, nullptr);
        ViUInt16 slot = 0;
        for (int i = 0; i < 5400; ++i) {
            get(gu::instr_session, VI_ATTR_SLOT, &slot);
            if (i % 500 == 0) {
                ASSERT_TRUE(uirt::test::idle());
            }
        }
        ASSERT_TRUE(uirt::test::idle());
        int lines = 0;
        uirt::GetNumTextBoxLines(monitor, LOG, &lines);
        EXPECT_EQ(lines, 5000);
        EXPECT_EQ(ctrl_text(monitor, COUNT), "5000 calls shown");
        const std::string log = ctrl_text(monitor, LOG);
        EXPECT_NE(log.substr(log.rfind('\n')).find("viGetAttribute"), std::string::npos);
    });
}

// A log over single readings, a block and a function change, read back row by row; a
// removed file stops it with one pop-up, and readings go on.
TEST(ReadingLog, AppendsEveryReadingShownAndStopsOnceWhenItsFileGoes) {
    gutest::use_bus(BUS);
    gutest::run_program([] {
        if (!gu::livemode) GTEST_SKIP() << "no simulated instrument on the bus";
        constexpr int LOG_READINGS = 27, LOG_INFO = 11;
        const auto checked = [] {
            int on = 0;
            uirt::GetMenuBarAttribute(gu::menu_bar, LOG_READINGS, uirt::ATTR_CHECKED, &on);
            return on;
        };
        const std::string path = gutest::write_temp_file("unused", "") + ".csv";
        export_to(LOG_READINGS, path);
        ASSERT_TRUE(checked());
        std::vector<double> shown;
        const auto read_one = [&] {
            uirt::test::click(gu::main_panel, READING);
            double v = 0;
            uirt::GetCtrlVal(gu::main_panel, READING, &v);
            shown.push_back(v);
        };
        read_one();
        read_one();
        set_trigger_count(5);
        const std::vector<double> block = take_block();
        shown.insert(shown.end(), block.begin(), block.end());
        set_trigger_count(1);
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_AC_VOLTS);
        read_one();
        uirt::test::pick_menu(gu::menu_bar, READINGS_WINDOW);
        EXPECT_EQ(ctrl_text(gu::readings_window(), LOG_INFO), "Logging to " + path + ": 8 readings");

        const Table csv = parse(gutest::read_file(path), ',');
        EXPECT_EQ(csv.header.at("Function"), "DC Volts");
        ASSERT_EQ(csv.rows.size(), shown.size() + 1);
        std::size_t n = 0;
        double last_time = 0;
        for (const auto& r : csv.rows) {
            if (r[0] == "Trace 2") {
                EXPECT_EQ(n, 7u);  // where the function changed
                EXPECT_EQ(r[1], "AC Volts");
                continue;
            }
            EXPECT_EQ(r[0], std::to_string(n + 1));
            EXPECT_GE(std::strtod(r[1].c_str(), nullptr), last_time);
            last_time = std::strtod(r[1].c_str(), nullptr);
            EXPECT_EQ(std::strtod(r[2].c_str(), nullptr), shown[n]) << n;
            EXPECT_EQ(r[3], n < 7 ? "VDC" : "VAC");
            ++n;
        }

        fs::remove(path);
        uirt::test::clear_popups();
        read_one();
        read_one();
        ASSERT_EQ(popups_titled("Log Readings").size(), 1u);
        EXPECT_NE(popups_titled("Log Readings")[0].text.find(std::strerror(ENOENT)),
                  std::string::npos);
        EXPECT_FALSE(checked());
        EXPECT_FALSE(fs::exists(path));
        // A full disk at the start: told, no log.
        export_to(LOG_READINGS, "/dev/full", 1);
        EXPECT_EQ(popups_titled("Write Error").size(), 1u);
        EXPECT_FALSE(checked());
    });
}

// Trace lines to steps: commands, a wait on the status byte, replies; failures left out.
TEST(SessionScript, TraceLinesBecomeWritesWaitsAndQueries) {
    gu::session_record_clear();
    for (const char* line : {
             "  0.100  viWrite(0x00000011, \"SAMP:COUN 3\\n\", 12) = VI_SUCCESS (0x00000000) count=12",
             "  0.101  viReadSTB(0x00000011) = VI_SUCCESS (0x00000000) stb=0",
             "  0.102  viWrite(0x00000011, \"FETC?\\n\", 6) = VI_SUCCESS (0x00000000) count=6",
             "  0.103  viReadSTB(0x00000011) = VI_SUCCESS (0x00000000) stb=0",
             "  0.104  viReadSTB(0x00000011) = VI_SUCCESS (0x00000000) stb=16",
             "  0.105  viRead(0x00000011, 16384) = VI_SUCCESS (0x00000000) count=5 data=\"+1.5\\n\"",
             "  0.106  viWrite(0x00000011, \"BAD\\\"Q\\n\", 6) = VI_ERROR_TMO (0xBFFF0015)",
             "  0.107  viWrite(0x00000011, \"*IDN?\\n\", 6) = VI_SUCCESS (0x00000000) count=6",
             "  0.108  viRead(0x00000011, 16384) = VI_SUCCESS (0x00000000) count=5 data=\"Q,A\\n\"",
         })
        gu::session_record_line(line);
    const std::string script = gu::session_python_script("VXI0::24::INSTR", 2000);
    const std::string body = script.substr(script.find("\n\n\ninst") + 3);
    EXPECT_NE(script.find("inst = rm.open_resource(\"VXI0::24::INSTR\", resource_pyclass="
                          "pyvisa.resources.MessageBasedResource)\ninst.timeout = 2000\n"),
              std::string::npos);
    EXPECT_EQ(body, "inst.write(\"SAMP:COUN 3\")\ninst.write(\"FETC?\")\nwait_for_status(0x10)\n"
                    "print(inst.read())\nprint(inst.query(\"*IDN?\"))\ninst.close()\n");
    EXPECT_EQ(gu::session_scpi_list(), "SAMP:COUN 3\nFETC?\n*IDN?\n");
    gu::session_record_clear();
}

// A session recorded, saved as a script and run with pyvisa on a fresh instrument: the
// instrument ends up as the session left the program's.
TEST(IoMonitor, ASessionSavedAsAScriptDoesItAgainOnAFreshInstrument) {
    gutest::use_bus(BUS);
    gutest::run_program([] {
        if (!gu::livemode) GTEST_SKIP() << "no simulated instrument on the bus";
        constexpr int CLEAR = 4, SAVE_SCRIPT = 6, SAVE_SCPI = 7, RESET_BUTTON = 14;
        uirt::test::pick_menu(gu::menu_bar, IO_MONITOR);
        const int monitor = gu::io_monitor();
        uirt::test::press(monitor, CLEAR);
        uirt::test::press(gu::main_panel, RESET_BUTTON);
        ASSERT_TRUE(uirt::test::idle());
        set_trigger_count(3);
        uirt::test::select_index(gu::main_panel, FUNCTION, ITEM_AC_VOLTS);
        take_block();
        ASSERT_TRUE(uirt::test::idle());
        const std::string script = gutest::write_temp_file("session", "") + ".py";
        const std::string list = gutest::write_temp_file("session", "") + ".txt";
        uirt::test::push_answer({uirt::VAL_NEW_FILE_SELECTED, script});
        uirt::test::press(monitor, SAVE_SCRIPT);
        uirt::test::push_answer({uirt::VAL_NEW_FILE_SELECTED, list});
        uirt::test::press(monitor, SAVE_SCPI);
        EXPECT_NE(gutest::read_file(list).find("\nTRIG:COUN 3\n"), std::string::npos);

        char learned[1024]{};
        ASSERT_EQ(gu::vo_cmdString_Q(gu::instr_session, "*LRN?", sizeof learned, learned), 0);
        std::string text = gutest::read_file(script);
        text.insert(text.rfind("inst.close()"), "print(\"LRN\", inst.query(\"*LRN?\"))\n");
        const std::string run = gutest::write_temp_file("run.py", text);
        const std::string bus = gutest::write_temp_file("bus.txt", BUS);
        const std::string out = run + ".out";
#ifndef GU_PYTHON_ENV
#define GU_PYTHON_ENV ""
#endif
        const std::string command = GU_PYTHON_ENV "PYVISA_LIBRARY=" GU_BUILD_ROOT "/visa32.lib VISA_SIM_BUS=" +
                                    bus + " /usr/bin/python3 " + run + " > " + out + " 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << gutest::read_file(out);
        const std::string printed = gutest::read_file(out);
        std::string lrn = learned;
        while (!lrn.empty() && (lrn.back() == '\n' || lrn.back() == '\r')) lrn.pop_back();
        EXPECT_NE(printed.find("LRN " + lrn + "\n"), std::string::npos) << printed;
    });
}
