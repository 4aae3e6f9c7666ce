// The program with Auto Update on, as bench_idle_program auto, and the Readings window showing
// a full trend: every reading joins it and the strip chart of 10,000 readings is drawn again.
#include <QTimer>
#include <vector>

#include "globals.hpp"
#include "readings_window.hpp"
#include "trend.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

int main(int argc, char** argv) {
    constexpr int READINGS_WINDOW_ITEM = 18, VIEW_RING = 1, TREND_VIEW = 1;
    if (!uirt::InitCVIRTE(argc, argv)) return -1;
    QTimer::singleShot(0, [] {
        // A full trend of DC volts from the start: the readings that come join its trace.
        std::vector<double> earlier(gu::TREND_CAPACITY, 1.2345);
        gu::trend_add(earlier.data(), static_cast<int>(earlier.size()), 5, "VDC");
        uirt::test::pick_menu(gu::menu_bar, READINGS_WINDOW_ITEM);
        uirt::test::select_index(gu::readings_window(), VIEW_RING, TREND_VIEW);
        uirt::test::pick_menu(gu::menu_bar, gu::MENU_ITEM_UPDATE);
    });
    const int result = gu::main(1, argv);
    uirt::CloseCVIRTE();
    return result;
}
