#include "file_care.hpp"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "uirt.hpp"

namespace gu {

namespace {

constexpr int READ_WRITE = 0, TRUNCATE = 0, BINARY = 0;

void tell(const char* title, const char* format, const char* path) {
    char text[FILE_PATH_SIZE + 64];
    std::snprintf(text, sizeof text, format, path);
    uirt::MessagePopup(title, text);
}

void open_failed(const char* path) {
    tell("OpenFile Error", "Open File failed on %s", path);
}

void write_failed(const char* path) {
    tell("Write Error", "Write to File %s Failed!\n", path);
}

bool may_replace(const char* path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    constexpr int YES = 1;
    return uirt::GenericMessagePopup("Purge Dialog", "File Exists.  O.K. to delete?", "Yes", "No",
                                     "", nullptr, 0, 0, 1, 1, 2) == YES;
}

enum class Written { not_opened, failed, done };

Written write_bytes(const char* file_path, std::string_view bytes) {
    const int file = uirt::CVI_OpenFile(file_path, READ_WRITE, TRUNCATE, BINARY);
    if (file == -1) return Written::not_opened;
    const int length = static_cast<int>(bytes.size());
    const bool written = uirt::CVI_WriteFile(file, bytes.data(), length) == length;
    const bool closed = uirt::CVI_CloseFile(file) == 0;
    return written && closed ? Written::done : Written::failed;
}

}  // namespace

bool choose_output_file(const char* title, const char* pattern, char* path) {
    path[0] = '\0';
    const int result =
        uirt::FileSelectPopup("", pattern, "", title, uirt::VAL_SAVE_BUTTON, 0, 1, 1, 1, path);
    path[FILE_PATH_SIZE - 1] = '\0';
    return result != uirt::VAL_NO_FILE_SELECTED && path[0] != '\0';
}

bool write_file_with_care(const char* path, std::string_view bytes) {
    namespace fs = std::filesystem;
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        write_failed(path);
        return false;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status)) {
        open_failed(path);
        return false;
    }
    if (!may_replace(path)) return false;
    // Devices and pipes are written in place; files through a neighbour renamed over them.
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        const Written w = write_bytes(path, bytes);
        if (w == Written::not_opened) open_failed(path);
        if (w == Written::failed) write_failed(path);
        return w == Written::done;
    }
    fs::path target = path;
    if (fs::exists(status)) target = fs::canonical(target, ec);
    if (ec) target = path;
    const std::string temp = target.string() + "." + std::to_string(::getpid()) + ".tmp";
    const Written w = write_bytes(temp.c_str(), bytes);
    if (w == Written::not_opened) {
        open_failed(path);
        return false;
    }
    if (w == Written::done) fs::rename(temp, target, ec);
    if (w == Written::failed || ec) {
        fs::remove(temp, ec);
        write_failed(path);
        return false;
    }
    return true;
}

}  // namespace gu
