// The main sequence in scripted mode, marking the first pass of the event loop and quitting.
// With BENCH_PRINT_SIZE set, prints the frame panel's size ("W H") and whether it is live
// instead.
#include <cstdio>
#include <cstdlib>

#include "globals.hpp"
#include "ready_mark.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

int main(int argc, char** argv) {
    uirt::test::enable();
    if (!uirt::InitCVIRTE(argc, argv)) return -1;
    uirt::test::at_main_loop([] {
        if (std::getenv("BENCH_PRINT_SIZE")) {
            int w = 0, h = 0;
            uirt::GetPanelAttribute(gu::frame_panel, uirt::ATTR_WIDTH, &w);
            uirt::GetPanelAttribute(gu::frame_panel, uirt::ATTR_HEIGHT, &h);
            std::printf("%d %d %d\n", w, h, gu::livemode);
            std::fflush(stdout);
        } else {
            mark_ready();
        }
        uirt::QuitUserInterface(0);
    });
    const int result = gu::main(argc, argv);
    uirt::CloseCVIRTE();
    return result;
}
