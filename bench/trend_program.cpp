// The program with Auto Update on, as bench_idle_program auto, and the Readings window showing
// the trend, which every reading joins; the strip chart is drawn again at most once a second.
//   bench_trend_program        a full trend: 10,000 readings taken at the idle rate before it
//   bench_trend_program young  a trend that starts with the run
//   bench_trend_program log    no Readings window: every reading logged to a file instead
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "globals.hpp"
#include "reading_log.hpp"
#include "readings_window.hpp"
#include "trend.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

int main(int argc, char** argv) {
    constexpr int READINGS_WINDOW_ITEM = 18, VIEW_RING = 1, TREND_VIEW = 1;
    const bool young = argc > 1 && std::strcmp(argv[1], "young") == 0;
    const bool log = argc > 1 && std::strcmp(argv[1], "log") == 0;
    if (!uirt::InitCVIRTE(argc, argv)) return -1;
    // The runner ends the program with SIGKILL: the file of the run before goes first.
    const std::string log_path = "/tmp/bench-reading-log.csv";
    std::remove(log_path.c_str());
    QTimer::singleShot(0, [young, log, log_path] {
        if (log) {
            if (!gu::reading_log_start(log_path.c_str())) return;
            uirt::test::pick_menu(gu::menu_bar, gu::MENU_ITEM_UPDATE);
            return;
        }
        if (!young) {
            // DC volts a tenth of a second apart, as Auto Update adds them, up to now: the
            // readings that come join the same trace.
            using namespace std::chrono;
            const auto now = steady_clock::now();
            for (std::size_t i = 0; i < gu::TREND_CAPACITY; ++i) {
                const double v = 1.2345 + 1e-4 * static_cast<double>(i % 7);
                gu::trend_add(&v, 1, 5, "VDC",
                              now - milliseconds(100) * static_cast<int>(gu::TREND_CAPACITY - i));
            }
        }
        uirt::test::pick_menu(gu::menu_bar, READINGS_WINDOW_ITEM);
        uirt::test::select_index(gu::readings_window(), VIEW_RING, TREND_VIEW);
        uirt::test::pick_menu(gu::menu_bar, gu::MENU_ITEM_UPDATE);
    });
    const int result = gu::main(1, argv);
    uirt::CloseCVIRTE();
    return result;
}
