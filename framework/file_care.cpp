#include "file_care.hpp"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "state_file_write.hpp"

namespace gu {

namespace {

// With the system's reason: a read-only file system, a full disk, a missing folder...
void tell(const char* title, const char* format, const char* path, int reason) {
    static char text[FILE_PATH_SIZE + 256];
    std::snprintf(text, sizeof text, format, path, std::strerror(reason));
    uirt::MessagePopup(title, text);
}

void open_failed(const char* path, int reason) {
    tell("OpenFile Error", "Open File failed on %s: %s", path, reason);
}

void write_failed(const char* path, int reason) {
    tell("Write Error", "Write to File %s Failed: %s", path, reason);
}

bool may_replace(const char* path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    constexpr int YES = 1;
    return uirt::GenericMessagePopup("Purge Dialog", "File Exists.  O.K. to delete?", "Yes", "No",
                                     "", nullptr, 0, 0, 1, 1, 2) == YES;
}

}  // namespace

bool choose_output_file(const char* title, const char* pattern, char* path) {
    path[0] = '\0';
    const int result =
        uirt::FileSelectPopup("", pattern, "", title, uirt::VAL_SAVE_BUTTON, 0, 1, 1, 1, path);
    path[FILE_PATH_SIZE - 1] = '\0';
    return result != uirt::VAL_NO_FILE_SELECTED && path[0] != '\0';
}

// The state files' way of writing: the file keeps what it is (mode, owner, links) and its
// earlier content until the new one is complete.
bool write_file_with_care(const char* path, std::string_view bytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        open_failed(path, EISDIR);
        return false;
    }
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        write_failed(path, EFBIG);
        return false;
    }
    if (!may_replace(path)) return false;
    int reason = 0;
    switch (write_state_file(path, bytes.data(), static_cast<int>(bytes.size()), &reason)) {
        case Written::not_opened:
            open_failed(path, reason);
            return false;
        case Written::failed:
            write_failed(path, reason);
            return false;
        case Written::done:
            return true;
    }
    return false;
}

}  // namespace gu
