// The program with Auto Update on, as bench_idle_program auto, and the Readings window showing
// the trend, which every reading joins; the strip chart is drawn again at most once a second.
//   bench_trend_program        a full trend: 10,000 readings taken at the idle rate before it
//   bench_trend_program young  a trend that starts with the run
#include <QTimer>
#include <chrono>
#include <cstring>

#include "globals.hpp"
#include "readings_window.hpp"
#include "trend.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

int main(int argc, char** argv) {
    constexpr int READINGS_WINDOW_ITEM = 18, VIEW_RING = 1, TREND_VIEW = 1;
    const bool young = argc > 1 && std::strcmp(argv[1], "young") == 0;
    if (!uirt::InitCVIRTE(argc, argv)) return -1;
    QTimer::singleShot(0, [young] {
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
