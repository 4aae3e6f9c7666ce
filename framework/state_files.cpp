// Store and Recall of a state file: one text of up to 1000 bytes between disk and memory;
// in live mode the instrument's learn text, sent back on recall.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "fallbacks.hpp"
#include "framework.hpp"
#include "state_file_write.hpp"

namespace gu {

char state_text[STATE_TEXT_SIZE + 1]{};

namespace {

// Any path the file pop-up can return, and the fixed texts around it.
constexpr int PATH_SIZE = uirt::MAX_PATHNAME_LEN;
constexpr int MSG_TEXT_SIZE = PATH_SIZE + 64;
char msg_text[MSG_TEXT_SIZE];

constexpr int READ_ONLY = 1, OPEN_AS_IS = 2, ASCII = 1;

// The instrument's learn text (IEEE 488.2 *LRN?) starts from a reset and holds commands
// only: printable characters, no query. Any other text is carried, never sent.
constexpr std::string_view LEARN_START = "*RST;";
bool is_learn_text(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    if (!text.starts_with(LEARN_START)) return false;
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c >= ' ' && c <= '~' && c != '?'; });
}

int select_state_file(const char* title, int button, char* path) {
    path[0] = '\0';
    const int result = uirt::FileSelectPopup("", "*.st", "", title, button, 0, 1, 1, 1, path);
    path[PATH_SIZE - 1] = '\0';
    return result;
}

void tell(const char* title, const char* format, const char* path) {
    std::snprintf(msg_text, sizeof msg_text, format, path);
    uirt::MessagePopup(title, msg_text);
}

bool is_directory(const char* path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

// An existing file is replaced only when the user agrees.
bool may_replace(const char* path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    constexpr int YES = 1;
    return uirt::GenericMessagePopup("Purge Dialog", "File Exists.  O.K. to delete?", "Yes", "No",
                                     "", nullptr, 0, 0, 1, 1, 2) == YES;
}

// In live mode the state is the instrument's own: its learn text replaces state_text,
// unless that holds a foreign text recalled, which is carried. False when the instrument
// could not give it (reported).
bool learn_state() {
    if (!livemode || !is_bound(vo_cmdString_Q)) return true;
    if (state_text[0] != '\0' && !is_learn_text(state_text)) return true;
    static char learned[STATE_TEXT_SIZE + 2];
    learned[0] = '\0';
    if (drv_call("vo_cmdString_Q", vo_cmdString_Q, "*LRN?", ViInt32{sizeof learned}, learned) != 0)
        return false;
    if (std::strlen(learned) > STATE_TEXT_SIZE || !is_learn_text(learned)) return false;
    std::memcpy(state_text, learned, sizeof state_text);
    state_text[STATE_TEXT_SIZE] = '\0';
    return true;
}

// A recalled learn text sets the instrument up again; its trailing line end is not sent.
void send_learned_state() {
    if (!livemode || !is_bound(vo_cmd) || !is_learn_text(state_text)) return;
    std::string text = state_text;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    drv_call("vo_cmd", vo_cmd, text.c_str());
}

}  // namespace

void MenuStateStoreCallback(int, int, void*, int) {
    static char path[PATH_SIZE];
    if (select_state_file("Store State File Dialog", uirt::VAL_SAVE_BUTTON, path) ==
        uirt::VAL_NO_FILE_SELECTED)
        return;
    if (is_directory(path)) {
        tell("OpenFile Error", "Open File failed on %s", path);
        return;
    }
    if (!may_replace(path)) return;
    if (!learn_state()) {
        tell("Write Error", "Write to File %s Failed!\n", path);
        return;
    }
    const int length = static_cast<int>(std::strlen(state_text));
    switch (write_state_file(path, state_text, length)) {
        case Written::not_opened: tell("OpenFile Error", "Open File failed on %s", path); break;
        case Written::failed: tell("Write Error", "Write to File %s Failed!\n", path); break;
        case Written::done: break;
    }
}

void MenuStateRecallCallback(int, int, void*, int) {
    static char path[PATH_SIZE];
    const int selected = select_state_file("Recall State File Dialog", uirt::VAL_LOAD_BUTTON, path);
    if (selected == uirt::VAL_NO_FILE_SELECTED) return;
    if (selected == uirt::VAL_NEW_FILE_SELECTED) {
        tell("File Open Error", "File %s does not exist.", path);
        return;
    }
    const int file = uirt::CVI_OpenFile(path, READ_ONLY, OPEN_AS_IS, ASCII);
    if (file == -1) {
        tell("OpenFile Error", "Open File failed on %s", path);
        return;
    }
    const int n = uirt::CVI_ReadFile(file, state_text, STATE_TEXT_SIZE);
    state_text[n > 0 ? n : 0] = '\0';
    send_learned_state();
    Sync();
    uirt::CVI_CloseFile(file);
}

}  // namespace gu
