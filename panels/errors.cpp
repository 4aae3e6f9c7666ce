// The error queue: last code and text read, and the button that reads the next entry.
#include <cstdio>
#include <cstring>

#include "setting.hpp"

namespace gu {

namespace {
constexpr int ERROR_TEXT_SIZE = 256;  // the driver's error texts, without terminator
constexpr int ERROR_SEND_SIZE = 260;

void show_error(int panel, int code, const char* text) {
    ErrorVal(panel, MSG_SET, &code);
    ErrorMsg(panel, MSG_SET, const_cast<char*>(text));
}
}  // namespace

int ErrorVal(int panel, int msg, void* data) {
    static Widget<int> w{"ErrorVal", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    if (msg == MSG_DEFAULT) {
        w.reset();
        w.format(uirt::VAL_DECIMAL_FORMAT, 0);
        return 0;
    }
    return w.common(panel, msg, data);
}

// Texts longer than 79 characters are cut.
int ErrorMsg(int panel, int msg, void* data) {
    static TextWidget w{"ErrorMsg", Answers{}, ""};
    if (!w.accepts(msg)) return -1;
    return w.common(panel, msg, data);
}

// Reads one entry of the error queue, with the driver's own error query off meanwhile.
int ErrorBtn(int panel, int msg, void* data) {
    static Widget<int> w{"ErrorBtn", Answers{}, 0};
    if (!w.accepts(msg)) return -1;
    if (msg != MSG_COMMIT) return w.common(panel, msg, data);
    if (!livemode) return 0;
    drv_call_quiet(vo_errorQueryDetect, ViBoolean{0});
    ViInt32 code = -2;
    char text[ERROR_TEXT_SIZE + 1] = {};
    const int status = vo_error_query(instr_session, &code, text);  // kept local
    if (status != 0) {
        display_error(instr_session, status, "vo_error_query");
    } else {
        text[ERROR_TEXT_SIZE] = '\0';
        show_error(panel, code, text);
    }
    drv_call_quiet(vo_errorQueryDetect, ViBoolean{1});
    return 0;
}

// Reads the error queue until it is empty, before a clear would drop it: the oldest entry
// goes to the displays, and when there were more, one pop-up lists them all.
void show_queued_errors(int panel) {
    constexpr int MAX_ENTRIES = 21;  // the instrument's 20, and its overflow entry
    constexpr int LIST_SIZE = MAX_ENTRIES * (ERROR_TEXT_SIZE + 16);
    static char list[LIST_SIZE];
    if (!livemode) return;
    drv_call_quiet(vo_errorQueryDetect, ViBoolean{0});
    int count = 0;
    list[0] = '\0';
    for (int n = 0; n < MAX_ENTRIES; ++n) {
        ViInt32 code = 0;
        char text[ERROR_TEXT_SIZE + 1] = {};
        const int status = vo_error_query(instr_session, &code, text);
        if (status != 0) {
            display_error(instr_session, status, "vo_error_query");
            break;
        }
        text[ERROR_TEXT_SIZE] = '\0';
        if (n == 0) show_error(panel, code, text);  // "0 No error" when there was none
        if (code == 0) break;
        const std::size_t used = std::strlen(list);
        std::snprintf(list + used, sizeof list - used, "%s%d, %s", count ? "\n" : "",
                      static_cast<int>(code), text);
        ++count;
    }
    drv_call_quiet(vo_errorQueryDetect, ViBoolean{1});
    if (count > 1) {
        uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
        uirt::MessagePopup("Errors Cleared", list);
    }
}

int ErrorSend(int panel) {
    ViInt32 code = 0;
    char text[ERROR_SEND_SIZE] = {};
    if (!livemode || drv_call("vo_error_query", vo_error_query, &code, text) != 0) return 0;
    text[ERROR_SEND_SIZE - 1] = '\0';
    show_error(panel, code, text);
    return 0;
}

}  // namespace gu
