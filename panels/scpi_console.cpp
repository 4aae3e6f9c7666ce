#include "scpi_console.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "widgets.hpp"

namespace gu {

namespace {

constexpr int PANEL_CONSOLE = 14;
enum Ctrl : int { LOG = 2, LINE = 3, SEND = 4 };
constexpr int MIN_WIDTH = 360, MIN_HEIGHT = 180, MARGIN = 6, LINE_HEIGHT = 24;
constexpr int ERROR_COLOUR = 0xD00000;
constexpr ViInt32 REPLY_SIZE = 1 << 20;     // the longest reply taken in
constexpr std::size_t SHOWN_CHARS = 2000;   // a longer reply is cut, its length told
constexpr std::size_t SHOWN_BYTES = 16;     // of a binary block
constexpr int MAX_ERRORS = 32;              // read from the queue after a line

int window = 0;
std::vector<std::string> history;  // kept for the run
std::size_t history_at = 0;        // history.size(): the new line

void say(const std::string& text, int colour = -1) {
    std::size_t from = 0;
    do {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        uirt::InsertTextBoxLine(window, LOG, -1, text.substr(from, end - from).c_str());
        if (colour >= 0) {
            int lines = 0;
            uirt::GetNumTextBoxLines(window, LOG, &lines);
            uirt::SetTextBoxLineColor(window, LOG, lines - 1, colour);
        }
        from = end + 1;
    } while (from < text.size());
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// What a reply shows: a definite-length binary block as its length and first bytes, a text
// longer than a screen cut with its length told.
std::string shown_reply(const std::string& reply) {
    if (reply.size() >= 2 && reply[0] == '#' && reply[1] > '0' && reply[1] <= '9') {
        const std::size_t digits = static_cast<std::size_t>(reply[1] - '0');
        const std::size_t length = std::strtoul(reply.substr(2, digits).c_str(), nullptr, 10);
        const std::string data = reply.substr(std::min(reply.size(), 2 + digits));
        std::string text = "binary block of " + std::to_string(length) + " bytes:";
        for (std::size_t i = 0; i < std::min({SHOWN_BYTES, data.size(), length}); ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(data[i]));
            text += hex;
        }
        return text + (length > SHOWN_BYTES ? " ..." : "");
    }
    std::string text = reply;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.size() <= SHOWN_CHARS) return text;
    return text.substr(0, SHOWN_CHARS) + " ... (" + std::to_string(text.size()) +
           " characters in all)";
}

// The instrument's error queue, emptied; true when it held any.
bool show_errors() {
    bool any = false;
    for (int i = 0; i < MAX_ERRORS; ++i) {
        ViInt32 code = 0;
        char text[256]{};
        if (vo_error_query(instr_session, &code, text) != 0 || code == 0) break;
        say("  error " + std::to_string(code) + ": " + text, ERROR_COLOUR);
        any = true;
    }
    return any;
}

void run(const std::string& line) {
    say("> " + line);
    if (!livemode) {
        say("  Not in live mode: nothing is sent.", ERROR_COLOUR);
        return;
    }
    const bool query = line.back() == '?';
    ViStatus status = 0;
    if (query) {
        static std::vector<char> reply(REPLY_SIZE);
        reply[0] = '\0';
        status = vo_cmdString_Q(instr_session, line.c_str(), REPLY_SIZE, reply.data());
        // The reply is written even when the instrument has an error queued.
        if (status == 0 || status == instr_error_detected) say(shown_reply(reply.data()));
    } else {
        status = vo_cmd(instr_session, line.c_str());
    }
    if (!show_errors() && status != 0) {
        char text[256]{};
        vo_error_message(instr_session, status, text);
        say("  " + std::string(text), ERROR_COLOUR);
    }
    // No panel keeps a value the instrument no longer has.
    if (!query) Sync();
}

void send_line() {
    char text[1024]{};
    uirt::GetCtrlVal(window, LINE, text, sizeof text);
    const std::string line = trimmed(text);
    if (line.empty()) return;
    uirt::SetCtrlVal(window, LINE, "");
    if (history.empty() || history.back() != line) history.push_back(line);
    history_at = history.size();
    run(line);
}

void recall(int key) {
    if (key == uirt::VAL_UP_ARROW_VKEY && history_at > 0) --history_at;
    if (key == uirt::VAL_DOWN_ARROW_VKEY && history_at < history.size()) ++history_at;
    uirt::SetCtrlVal(window, LINE, history_at < history.size() ? history[history_at].c_str() : "");
}

}  // namespace

int scpi_console() {
    return window;
}

void open_scpi_console() {
    if (window <= 0) {
        window = uirt::LoadPanel(0, UIR_FILE, PANEL_CONSOLE);
        if (window <= 0) {
            uirt::MessagePopup("SCPI Console", "The SCPI Console could not be loaded.");
            window = 0;
            return;
        }
    }
    uirt::DisplayPanel(window);
    uirt::SetActiveCtrl(window, LINE);
}

void scpi_console_resized() {
    int width = 0, height = 0;
    uirt::GetPanelAttribute(window, uirt::ATTR_WIDTH, &width);
    uirt::GetPanelAttribute(window, uirt::ATTR_HEIGHT, &height);
    if (width < MIN_WIDTH || height < MIN_HEIGHT) {
        width = std::max(width, MIN_WIDTH);
        height = std::max(height, MIN_HEIGHT);
        uirt::SetPanelAttribute(window, uirt::ATTR_WIDTH, width);
        uirt::SetPanelAttribute(window, uirt::ATTR_HEIGHT, height);
    }
    int send_width = 0;
    uirt::GetCtrlAttribute(window, SEND, uirt::ATTR_WIDTH, &send_width);
    const int line_top = height - MARGIN - LINE_HEIGHT;
    uirt::SetCtrlAttribute(window, LOG, uirt::ATTR_WIDTH, width - 2 * MARGIN);
    uirt::SetCtrlAttribute(window, LOG, uirt::ATTR_HEIGHT, line_top - 2 * MARGIN);
    uirt::SetCtrlAttribute(window, LINE, uirt::ATTR_TOP, line_top);
    uirt::SetCtrlAttribute(window, LINE, uirt::ATTR_WIDTH, width - 3 * MARGIN - send_width);
    uirt::SetCtrlAttribute(window, SEND, uirt::ATTR_TOP, line_top - 1);
    uirt::SetCtrlAttribute(window, SEND, uirt::ATTR_LEFT, width - MARGIN - send_width);
}

// Return in the command line sends it; Up and Down walk the history.
int ConsoleLineCallback(int panel, int control, int event, void* data, int e1, int e2) {
    if (event == uirt::EVENT_KEYPRESS) recall(e1);
    if (event != uirt::EVENT_COMMIT) return 0;
    // While a measurement runs, a line waits as other user actions do.
    if (measuring) return add_pending_event(ConsoleLineCallback, panel, control, event, data, e1, e2);
    send_line();
    return 0;
}

int ConsoleSendCallback(int panel, int control, int event, void* data, int e1, int e2) {
    return ConsoleLineCallback(panel, control, event, data, e1, e2);
}

}  // namespace gu
