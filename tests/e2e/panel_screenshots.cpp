// Shows each panel of the real program on the X display and saves a screenshot of it:
//   panel_screenshots <folder>   (run under Xvfb)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "callbacks.hpp"
#include "program_harness.hpp"
#include "uirt.hpp"
#include "uirt_test.hpp"

namespace {

void settle() {
    for (int i = 0; i < 20; ++i) uirt::ProcessSystemEvents();
    uirt::Delay(0.3);
    for (int i = 0; i < 20; ++i) uirt::ProcessSystemEvents();
}

// The frame window alone.
void shoot(const std::string& folder, const char* name) {
    settle();
    const std::string cmd = "import -window " +
                            std::to_string(uirt::test::window_id(gu::frame_panel)) + " " + folder +
                            "/" + name + ".png";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "screenshot %s failed\n", name);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    uirt::test::enable();
    static char name[] = "gu7304";
    static char* args[] = {name, nullptr};
    uirt::InitCVIRTE(1, args);
    uirt::test::at_main_loop([&] {
        using namespace gu;
        double reading = 0;
        Reading(0, MSG_QUERY, &reading);
        for (int i = 0; i < 50 && measuring; ++i) {
            uirt::test::idle();
            uirt::Delay(0.05);
        }
        shoot(folder, "main");
        int count = 10;
        TrigCount(0, MSG_SET, &count);
        TrigCount(0, MSG_COMMIT, nullptr);
        double scratch = 0;
        Readings(0, MSG_QUERY, &scratch);
        for (int i = 0; i < 50 && measuring; ++i) {
            uirt::test::idle();
            uirt::Delay(0.05);
        }
        shoot(folder, "main_graph");
        count = 1;
        TrigCount(0, MSG_SET, &count);
        TrigCount(0, MSG_COMMIT, nullptr);
        struct Shot {
            void (*menu)(int, int, void*, int);
            const char* name;
        };
        const Shot shots[] = {{MenuTriggerCallback, "trigger"}, {MenuConfigCallback, "config"},
                              {MenuMathCallback, "math"},       {MenuStatusCallback, "status"},
                              {MenuInOutCallback, "inout"},     {MenuSelfTestCallback, "selftest"},
                              {MenuAboutCallback, "about"}};
        for (const Shot& s : shots) {
            s.menu(menu_bar, 0, nullptr, frame_panel);
            shoot(folder, s.name);
            MenuMainCallback(menu_bar, 0, nullptr, frame_panel);
        }
        uirt::DisplayPanel(trigger_wait_panel);
        shoot(folder, "trigger_wait");
        uirt::HidePanel(trigger_wait_panel);
        uirt::QuitUserInterface(0);
    });
    return gu::main(1, args);
}
