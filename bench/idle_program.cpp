// The program as started by a user, idling in its event loop with the real idle timer.
//   bench_idle_program        idle
//   bench_idle_program auto   Auto Update ticked as soon as the event loop runs
#include <QTimer>
#include <cstring>

#include "globals.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

int main(int argc, char** argv) {
    if (!uirt::InitCVIRTE(argc, argv)) return -1;
    if (argc > 1 && std::strcmp(argv[1], "auto") == 0) {
        // The first timer to fire runs inside the main sequence's event loop.
        QTimer::singleShot(0, [] { uirt::test::pick_menu(gu::menu_bar, gu::MENU_ITEM_UPDATE); });
    }
    const int result = gu::main(1, argv);
    uirt::CloseCVIRTE();
    return result;
}
