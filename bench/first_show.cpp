// The first show of one panel in a fresh run of the main sequence (scripted mode), from the
// user's action to the frame painted: a secondary panel picked from the Panels menu, or
// the graph, which a sample count of 2 brings up and whose chart module loads then.
//   bench_first_show trigger|config|math|status|inout|selftest|about|graph
// Prints "first_show <name> <seconds>".
#include <chrono>
#include <cstdio>
#include <cstring>

#include "globals.hpp"
#include "paint.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

namespace {

struct Shown {
    const char* name;
    int menu_item;  // 0 for the graph
};
constexpr Shown shown[] = {{"trigger", 4}, {"config", 5},    {"math", 6},   {"status", 7},
                           {"inout", 8},   {"selftest", 14}, {"about", 17}, {"graph", 0}};
constexpr int SAMPLE_COUNT_CTRL = 11;

}  // namespace

int main(int argc, char** argv) {
    const Shown* what = nullptr;
    for (const Shown& s : shown)
        if (argc > 1 && std::strcmp(argv[1], s.name) == 0) what = &s;
    if (!what) {
        std::fprintf(stderr, "usage: bench_first_show <panel>|graph\n");
        return 2;
    }
    uirt::test::enable();
    if (!uirt::InitCVIRTE(1, argv)) return -1;
    uirt::test::at_main_loop([what] {
        // The main panel as it first comes up, outside the timed part.
        if (!bench::expose_windows()) {
            std::fprintf(stderr, "bench_first_show: the window was never exposed\n");
            uirt::QuitUserInterface(1);
            return;
        }
        bench::paint_windows();
        const auto t0 = std::chrono::steady_clock::now();
        if (what->menu_item)
            uirt::test::pick_menu(gu::menu_bar, what->menu_item);
        else
            uirt::test::set_value(gu::main_panel, SAMPLE_COUNT_CTRL, 2.0);
        bench::paint_windows();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("first_show %s %.9f\n", what->name, seconds);
        std::fflush(stdout);
        uirt::QuitUserInterface(0);
    });
    const int result = gu::main(1, argv);
    uirt::CloseCVIRTE();
    return result;
}
