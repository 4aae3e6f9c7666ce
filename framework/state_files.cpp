// Store and Recall of a state file: one text of up to 1000 bytes between disk and memory.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "framework.hpp"

namespace gu {

char state_text[STATE_TEXT_SIZE + 1]{};

namespace {

constexpr int PATH_SIZE = 256;
constexpr int MSG_TEXT_SIZE = PATH_SIZE + 64;  // the longest fixed text and a whole path
char msg_text[MSG_TEXT_SIZE];

constexpr int READ_WRITE = 0, READ_ONLY = 1;
constexpr int TRUNCATE = 0, OPEN_AS_IS = 2;
constexpr int ASCII = 1;

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

enum class Written { not_opened, failed, done };

// Writes state_text to `file_path`; an open failure is reported under `path`.
Written write_text(const char* file_path, const char* path) {
    const int file = uirt::CVI_OpenFile(file_path, READ_WRITE, TRUNCATE, ASCII);
    if (file == -1) {
        tell("OpenFile Error", "Open File failed on %s", path);
        return Written::not_opened;
    }
    const int length = static_cast<int>(std::strlen(state_text));
    const bool written = uirt::CVI_WriteFile(file, state_text, length) == length;
    const bool closed = uirt::CVI_CloseFile(file) == 0;
    return written && closed ? Written::done : Written::failed;
}

void write_failed(const char* path) {
    tell("Write Error", "Write to File %s Failed!\n", path);
}

// The whole text lands in a file beside the target, which then replaces the target: a
// failed write leaves the earlier file as it was. Devices and pipes are written in place.
void write_state(const char* path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        if (write_text(path, path) == Written::failed) write_failed(path);
        return;
    }
    fs::path target = path;
    if (fs::exists(status)) target = fs::canonical(target, ec);  // through symbolic links
    if (ec) target = path;
    const std::string temp = target.string() + "." + std::to_string(::getpid()) + ".tmp";
    const Written result = write_text(temp.c_str(), path);
    if (result == Written::not_opened) return;
    if (result == Written::done) fs::rename(temp, target, ec);
    if (result == Written::failed || ec) {
        fs::remove(temp, ec);
        write_failed(path);
    }
}

}  // namespace

void MenuStateStoreCallback(int, int, void*, int) {
    char path[PATH_SIZE];
    if (select_state_file("Store State File Dialog", uirt::VAL_SAVE_BUTTON, path) ==
        uirt::VAL_NO_FILE_SELECTED)
        return;
    if (is_directory(path)) {
        tell("OpenFile Error", "Open File failed on %s", path);
        return;
    }
    if (!may_replace(path)) return;
    write_state(path);
}

void MenuStateRecallCallback(int, int, void*, int) {
    char path[PATH_SIZE];
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
    Sync();
    uirt::CVI_CloseFile(file);
}

}  // namespace gu
