#include "io_monitor.hpp"

#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>

#include "file_care.hpp"
#include "session_script.hpp"
#include "visa_sim.h"
#include "widgets.hpp"

namespace gu {

namespace {

constexpr int PANEL_IO_MONITOR = 13;
enum Ctrl : int { LOG = 2, PAUSE = 3, CLEAR = 4, COUNT = 5, SAVE_SCRIPT = 6, SAVE_SCPI = 7 };
constexpr int MIN_WIDTH = 360, MIN_HEIGHT = 160, MARGIN = 6, BUTTON_HEIGHT = 26;
constexpr int MAX_LINES = 5000;  // held; the oldest go first
constexpr std::size_t MAX_WAITING = 5000;  // lines not yet taken in

using Clock = std::chrono::steady_clock;

// Filled by the trace handler on whichever thread made the call.
struct Incoming {
    std::mutex mutex;
    std::deque<std::string> lines;
    unsigned long long lost = 0;  // lines over MAX_WAITING
    bool capturing = false;
    Clock::time_point start = Clock::now();
};
// Never destroyed: a call on another thread may still come while the process ends.
Incoming& incoming() {
    static Incoming* in = new Incoming;
    return *in;
}

int window = 0;
bool handler_installed = false;
// Lines are numbered as they enter the log; notes of calls not shown are lines but no calls.
unsigned long long lines_entered = 0;
std::deque<unsigned long long> notes_held;

int lines_held() {
    int count = 0;
    uirt::GetNumTextBoxLines(window, LOG, &count);
    return count;
}

void on_trace_line(const char* line, void*) {
    Incoming& in = incoming();
    const double t = std::chrono::duration<double>(Clock::now() - in.start).count();
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "%9.3f  ", t);
    std::lock_guard lock(in.mutex);
    if (!in.capturing) {
        return;
    }
    if (in.lines.size() >= MAX_WAITING) {
        in.lines.pop_front();
        ++in.lost;
    }
    in.lines.push_back(stamp + std::string(line));
}

void set_capturing(bool on) {
    Incoming& in = incoming();
    std::lock_guard lock(in.mutex);
    in.capturing = on;
}

bool paused() {
    char label[16]{};
    uirt::GetCtrlAttribute(window, PAUSE, uirt::ATTR_LABEL_TEXT, label, sizeof label);
    return std::string_view(label) == "Resume";
}

void show_count() {
    char text[128];
    const unsigned long long calls =
        static_cast<unsigned long long>(lines_held()) - notes_held.size();
    std::snprintf(text, sizeof text, "%llu calls shown%s", calls,
                  paused() ? ", paused: calls are not recorded" : "");
    uirt::SetCtrlVal(window, COUNT, text);
}

// Binds the library's trace handler; false when this VISA library has none.
bool install_handler() {
    if (handler_installed) return true;
    int status = 0;
    auto set = reinterpret_cast<decltype(&viSimSetTraceHandler)>(
        uirt::GetExternalModuleAddr(visa_module, "viSimSetTraceHandler", &status));
    if (!set || visa_module < 0) return false;
    handler_installed = set(on_trace_line, nullptr) == VI_SUCCESS;
    return handler_installed;
}

}  // namespace

int io_monitor() {
    return window;
}

void open_io_monitor() {
    if (window <= 0) {
        window = uirt::LoadPanel(0, UIR_FILE, PANEL_IO_MONITOR);
        if (window <= 0) {
            uirt::MessagePopup("I/O Monitor", "The I/O Monitor window could not be loaded.");
            window = 0;
            return;
        }
    }
    if (!install_handler()) {
        uirt::MessagePopup("I/O Monitor",
                           "This VISA library does not report its calls: nothing to show.");
        return;
    }
    uirt::DisplayPanel(window);
    set_capturing(!paused());
    show_count();
}

void io_monitor_resized() {
    int width = 0, height = 0;
    uirt::GetPanelAttribute(window, uirt::ATTR_WIDTH, &width);
    uirt::GetPanelAttribute(window, uirt::ATTR_HEIGHT, &height);
    if (width < MIN_WIDTH || height < MIN_HEIGHT) {
        width = std::max(width, MIN_WIDTH);
        height = std::max(height, MIN_HEIGHT);
        uirt::SetPanelAttribute(window, uirt::ATTR_WIDTH, width);
        uirt::SetPanelAttribute(window, uirt::ATTR_HEIGHT, height);
    }
    const int buttons_top = height - MARGIN - BUTTON_HEIGHT;
    uirt::SetCtrlAttribute(window, LOG, uirt::ATTR_WIDTH, width - 2 * MARGIN);
    uirt::SetCtrlAttribute(window, LOG, uirt::ATTR_HEIGHT, buttons_top - 2 * MARGIN);
    for (int ctrl : {PAUSE, CLEAR, COUNT}) uirt::SetCtrlAttribute(window, ctrl, uirt::ATTR_TOP, buttons_top);
    uirt::SetCtrlAttribute(window, COUNT, uirt::ATTR_TOP, buttons_top + 5);
    int right = width - MARGIN, count_left = 0;
    for (int ctrl : {SAVE_SCPI, SAVE_SCRIPT}) {
        int w = 0;
        uirt::GetCtrlAttribute(window, ctrl, uirt::ATTR_WIDTH, &w);
        right -= w;
        uirt::SetCtrlAttribute(window, ctrl, uirt::ATTR_LEFT, right);
        uirt::SetCtrlAttribute(window, ctrl, uirt::ATTR_TOP, buttons_top);
        right -= MARGIN;
    }
    uirt::GetCtrlAttribute(window, COUNT, uirt::ATTR_LEFT, &count_left);
    uirt::SetCtrlAttribute(window, COUNT, uirt::ATTR_WIDTH, std::max(right - count_left, 40));
}

void io_monitor_idle() {
    if (window <= 0 || !handler_installed) return;
    std::deque<std::string> lines;
    unsigned long long lost = 0;
    {
        Incoming& in = incoming();
        std::lock_guard lock(in.mutex);
        lines.swap(in.lines);
        lost = in.lost;
        in.lost = 0;
    }
    if (lines.empty() && lost == 0) return;
    int shown = 0;
    uirt::GetPanelAttribute(window, uirt::ATTR_VISIBLE, &shown);
    if (!shown) {
        set_capturing(false);  // closed: nothing is recorded until it opens again
        return;
    }
    if (lost) {
        const std::string note = "          (" + std::to_string(lost) + " calls not shown)";
        uirt::InsertTextBoxLine(window, LOG, -1, note.c_str());
        notes_held.push_back(lines_entered++);
    }
    for (const std::string& line : lines) {
        uirt::InsertTextBoxLine(window, LOG, -1, line.c_str());
        session_record_line(line);
    }
    lines_entered += lines.size();
    const int count = lines_held();
    if (count > MAX_LINES) uirt::DeleteTextBoxLines(window, LOG, 0, count - MAX_LINES);
    const unsigned long long first_held = lines_entered - static_cast<unsigned long long>(lines_held());
    while (!notes_held.empty() && notes_held.front() < first_held) notes_held.pop_front();
    show_count();
}

int IoMonitorPauseCallback(int, int, int event, void*, int, int) {
    if (event != uirt::EVENT_COMMIT) return 0;
    const bool pause = !paused();
    uirt::SetCtrlAttribute(window, PAUSE, uirt::ATTR_LABEL_TEXT, pause ? "Resume" : "Pause");
    set_capturing(!pause);
    show_count();
    return 0;
}

int IoMonitorClearCallback(int, int, int event, void*, int, int) {
    if (event != uirt::EVENT_COMMIT) return 0;
    {
        Incoming& in = incoming();
        std::lock_guard lock(in.mutex);
        in.lines.clear();
        in.lost = 0;
    }
    uirt::ResetTextBox(window, LOG, "");
    notes_held.clear();
    session_record_clear();
    show_count();
    return 0;
}

namespace {

// False when nothing was recorded (told).
bool recorded() {
    if (session_record_steps() > 0) return true;
    uirt::MessagePopup("I/O Monitor",
                       "The monitor recorded no commands: clear it, let it record, then save.");
    return false;
}

}  // namespace

int IoMonitorSaveScriptCallback(int, int, int event, void*, int, int) {
    if (event != uirt::EVENT_COMMIT || !recorded()) return 0;
    static char path[FILE_PATH_SIZE];
    if (!choose_output_file("Save Script File Dialog", "*.py", path)) return 0;
    ViInt32 timeout_ms = 10000;
    drv_call_quiet(vo_timeOut_Q, &timeout_ms);
    write_file_with_care(path, session_python_script(rsrc_name, static_cast<int>(timeout_ms)));
    return 0;
}

int IoMonitorSaveScpiCallback(int, int, int event, void*, int, int) {
    if (event != uirt::EVENT_COMMIT || !recorded()) return 0;
    static char path[FILE_PATH_SIZE];
    if (choose_output_file("Save SCPI File Dialog", "*.txt", path))
        write_file_with_care(path, session_scpi_list());
    return 0;
}

}  // namespace gu
