// Auto update left on for thousands of idle events against the simulated instrument: every
// event takes a reading (or a block), nothing is reported, and resident memory stays flat
// once warmed up. Idle events come from the scripted hook, with the toolkit's own events
// processed between them as the event loop would.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>
#include <cstdio>
#include <string>

#include "program_harness.hpp"
#include "reading_log.hpp"
#include "resident_memory.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

namespace {

constexpr int READING = 4, READINGS = 8, SAMPLE_COUNT = 11;  // main panel
constexpr int APERTURE = 3;                                  // config panel
constexpr int TRIG_DELAY = 4, TRIG_AUTO_DELAY = 5;           // trigger panel
constexpr int APERTURE_0_4_MS = 0;                           // first item of the ring
constexpr long GROWTH_LIMIT_KB = 1024;

constexpr int WARM_UP = 500;
constexpr int SINGLE_READINGS = 10000;
constexpr int BLOCKS = 1000;

const std::string BUS =
    "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
    "logical_address = 24\nslot = 3\nq7304 = yes\ninput.volt_dc = 1.5\n";

// The shortest aperture and no trigger delay, as a user sets them; then Auto Update on.
void fast_auto_update() {
    uirt::test::select_index(gu::config_panel, APERTURE, APERTURE_0_4_MS);
    uirt::test::set_value(gu::trigger_panel, TRIG_AUTO_DELAY, 0);
    uirt::test::set_value(gu::trigger_panel, TRIG_DELAY, 0.0);
    uirt::test::pick_menu(gu::menu_bar, gu::MENU_ITEM_UPDATE);
    ASSERT_EQ(gu::auto_update, 1);
}

void idle_events(int n) {
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(uirt::test::idle()) << "idle event " << i << " refused";
        uirt::ProcessSystemEvents();
    }
}

long count_sent(const std::string& trace, std::size_t from, const std::string& command) {
    const auto sent = gutest::written_commands_since(trace, from);
    return std::count(sent.begin(), sent.end(), command);
}

// Runs `n` idle events after a warm-up; each must have started one measurement and the
// resident size must not have grown past the limit.
void run_soak(const std::string& trace, int n) {
    idle_events(WARM_UP);
    const long before_kb = soak::resident_kb();
    const std::size_t from = gutest::trace_line_count(trace);
    idle_events(n);
    const long after_kb = soak::resident_kb();
    std::printf("%d idle events: resident %ld kB -> %ld kB\n", n, before_kb, after_kb);

    // A fetch that missed its 500 ms leaves a poll for the next idle event; allow a few.
    const long started = count_sent(trace, from, "INIT");
    EXPECT_LE(started, n);
    EXPECT_GE(started, n - n / 100) << "idle events did not take readings";
    EXPECT_GE(count_sent(trace, from, "FETC?"), started);
    EXPECT_EQ(gu::measuring, 0);
    EXPECT_EQ(gu::auto_update, 1);
    EXPECT_TRUE(uirt::test::popups().empty()) << uirt::test::popups().front().text;

    // A sanitizer's allocator keeps freed blocks in quarantine, so its resident size means
    // nothing; there leaks are left to LeakSanitizer at exit.
    if (soak::MEMORY_SANITIZED) return;
    ASSERT_GT(before_kb, 0);
    EXPECT_LT(after_kb - before_kb, GROWTH_LIMIT_KB)
        << "resident memory grew from " << before_kb << " kB to " << after_kb << " kB over " << n
        << " idle events";
}

TEST(Soak, AutoUpdateOfSingleReadingsKeepsMemoryFlat) {
    gutest::use_bus(BUS);
    const std::string trace = gutest::use_trace();
    gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 1);
        fast_auto_update();
        uirt::test::clear_popups();
        run_soak(trace, SINGLE_READINGS);
        double value = 0.0;
        uirt::GetCtrlVal(gu::main_panel, READING, &value);
        EXPECT_NEAR(value, 1.5, 0.01);
    });
}

TEST(Soak, AutoUpdateOfBlocksKeepsMemoryFlat) {
    gutest::use_bus(BUS);
    const std::string trace = gutest::use_trace();
    gutest::run_program([&] {
        ASSERT_EQ(gu::livemode, 1);
        uirt::test::set_value(gu::main_panel, SAMPLE_COUNT, 4.0);
        fast_auto_update();
        uirt::test::clear_popups();
        run_soak(trace, BLOCKS);
        const int plots = uirt::test::plot_count(gu::main_panel, READINGS);
        ASSERT_EQ(plots, 1);  // each block replaces the one before
        const auto y = uirt::test::plot_y(gu::main_panel, READINGS, 0);
        ASSERT_EQ(y.size(), 4u);
        for (double r : y) EXPECT_NEAR(r, 1.5, 0.01);
    });
}

// A log of a million readings: every one on file, resident memory flat.
TEST(Soak, ALogOfAMillionReadingsKeepsMemoryFlat) {
    gutest::use_bus(BUS);
    gutest::run_program([&] {
        const std::string path = gutest::write_temp_file("unused", "") + ".csv";
        ASSERT_TRUE(gu::reading_log_start(path.c_str()));
        std::vector<double> block(1000);
        const auto log_blocks = [&](int n) {
            for (int b = 0; b < n; ++b) {
                for (std::size_t i = 0; i < block.size(); ++i) block[i] = 1.5 + 1e-6 * (b + i);
                gu::reading_log_add(block.data(), static_cast<int>(block.size()), 5, "VDC");
            }
        };
        log_blocks(50);
        const long before_kb = soak::resident_kb();
        log_blocks(950);
        const long after_kb = soak::resident_kb();
        std::printf("a million readings logged: resident %ld kB -> %ld kB\n", before_kb, after_kb);
        EXPECT_EQ(gu::reading_log_rows(), 1000000u);
        EXPECT_TRUE(gu::reading_log_on());
        EXPECT_GT(std::filesystem::file_size(path), 1000000u * 20);
        gu::reading_log_stop();
        std::filesystem::remove(path);
        if (soak::MEMORY_SANITIZED) return;
        EXPECT_LT(after_kb - before_kb, GROWTH_LIMIT_KB);
    });
}

}  // namespace
