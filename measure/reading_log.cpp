#include "reading_log.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "file_care.hpp"
#include "readings_csv.hpp"

namespace gu {

namespace {

struct Log {
    bool on = false;
    std::string path;
    std::size_t rows = 0;
    int traces = 0;
    int function_code = -1;
    std::string unit;
    std::chrono::steady_clock::time_point start{};
    std::string batch;  // kept for its room
    void (*stopped)() = nullptr;
};

Log& log() {
    static Log l;
    return l;
}

void fail(int reason) {
    Log& l = log();
    l.on = false;
    static char text[FILE_PATH_SIZE + 256];
    std::snprintf(text, sizeof text, "The log of readings stopped: %s\n%s", std::strerror(reason),
                  l.path.c_str());
    uirt::MessagePopup("Log Readings", text);
    if (l.stopped) l.stopped();
}

// Appended through a descriptor opened for it: a removed file or a lost permission fails
// here as a full disk does, and a crash loses at most the batch in progress.
bool append(const std::string& bytes) {
    const int fd = ::open(log().path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int reason = n < 0 ? errno : ENOSPC;
            ::close(fd);
            errno = reason;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0;
}

}  // namespace

bool reading_log_start(const char* path) {
    Log& l = log();
    const SettingsSnapshot settings = take_snapshot();
    const auto wall = std::chrono::system_clock::now();
    if (!write_file_with_care(path, log_header(settings, wall))) return false;
    l.on = true;
    l.path = path;
    l.rows = 0;
    l.traces = 1;
    l.function_code = settings.function_code;
    l.unit = settings.unit;
    l.start = std::chrono::steady_clock::now();
    return true;
}

void reading_log_stop() {
    log().on = false;
}

bool reading_log_on() {
    return log().on;
}

const std::string& reading_log_path() {
    return log().path;
}

std::size_t reading_log_rows() {
    return log().rows;
}

void reading_log_add(const double* values, int count, int function_code, const std::string& unit) {
    Log& l = log();
    if (!l.on || count <= 0) return;
    l.batch.clear();
    if (function_code != l.function_code || unit != l.unit) {
        l.function_code = function_code;
        l.unit = unit;
        l.batch += log_trace_row(++l.traces, take_snapshot(), std::chrono::system_clock::now());
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - l.start).count();
    for (int i = 0; i < count; ++i) log_reading_row(l.batch, l.rows + i + 1, seconds, values[i], l.unit);
    if (!append(l.batch)) {
        fail(errno);
        return;
    }
    l.rows += static_cast<std::size_t>(count);
}

void on_reading_log_stopped(void (*stopped)()) {
    log().stopped = stopped;
}

}  // namespace gu
