// The Help command: the help file beside the executable, opened in the desktop's viewer.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "framework.hpp"

extern char** environ;

namespace gu {

namespace {

constexpr const char* HELP_FILE = "voq7304.hlp";
constexpr const char* HELP_VIEWER = "xdg-open";

std::filesystem::path executable_dir() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec) : exe.parent_path();
}

// Viewers started earlier, collected once they have finished, without waiting.
std::array<pid_t, 8> viewers{};

void reap_viewers() {
    for (pid_t& pid : viewers)
        if (pid > 0 && ::waitpid(pid, nullptr, WNOHANG) != 0) pid = 0;
}

void keep_viewer(pid_t pid) {
    for (pid_t& slot : viewers)
        if (slot == 0) {
            slot = pid;
            return;
        }
}

void help_failed(const char* format, const std::string& detail) {
    char text[NAME_SIZE + 512];
    std::snprintf(text, sizeof text, format, detail.c_str());
    uirt::MessagePopup("Help", text);
}

}  // namespace

// The viewer gets the path as its one argument; no shell is involved.
void MenuHelp(int, int, void*, int) {
    reap_viewers();
    const std::string path = (executable_dir() / HELP_FILE).string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        help_failed("Help file %s not found.", path);
        return;
    }
    std::string viewer = HELP_VIEWER;
    char* argv[] = {viewer.data(), const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, HELP_VIEWER, nullptr, nullptr, argv, environ) != 0)
        help_failed("No help viewer could be started for %s.", path);
    else
        keep_viewer(pid);
}

}  // namespace gu
