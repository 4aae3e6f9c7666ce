// Byte-exact file access through POSIX descriptors behind our own handles.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "uirt.hpp"

namespace uirt {

namespace {

std::map<int, int>& open_files() {  // handle -> descriptor
    static std::map<int, int> files;
    return files;
}

int descriptor(int handle) {
    auto it = open_files().find(handle);
    return it == open_files().end() ? -1 : it->second;
}

bool make_blocking(int fd) {
    const int status = ::fcntl(fd, F_GETFL);
    return status != -1 && ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0;
}

}  // namespace

int CVI_OpenFile(const char* path, int readWrite, int action, int type) {
    if (path == nullptr || *path == '\0') return -1;
    if (readWrite < 0 || readWrite > 2 || action < 0 || action > 2 || type < 0 || type > 1)
        return -1;
    static constexpr int access[] = {O_RDWR, O_RDONLY, O_WRONLY};
    int flags = access[readWrite] | O_CLOEXEC;
    const bool writes = readWrite != 1;
    if (writes) {
        flags |= O_CREAT;
        if (action == 0) flags |= O_TRUNC;
        if (action == 1) flags |= O_APPEND;
    }
    // Opening a named pipe must not wait for its other end: a pipe without a writer then
    // reads as empty, one without a reader fails to open for writing. I/O blocks as usual.
    const int fd = ::open(path, flags | O_NONBLOCK, 0644);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || !make_blocking(fd)) {
        ::close(fd);
        return -1;
    }
    static int next_handle = 1;
    const int handle = next_handle++;
    open_files()[handle] = fd;
    return handle;
}

int CVI_ReadFile(int handle, char* buffer, int count) {
    const int fd = descriptor(handle);
    if (fd < 0 || buffer == nullptr || count < 0) return -1;
    int total = 0;
    while (total < count) {
        const ssize_t n = ::read(fd, buffer + total, static_cast<std::size_t>(count - total));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        total += static_cast<int>(n);
    }
    return total;
}

int CVI_WriteFile(int handle, const char* buffer, int count) {
    const int fd = descriptor(handle);
    if (fd < 0 || buffer == nullptr || count < 0) return -1;
    int total = 0;
    while (total < count) {
        const ssize_t n = ::write(fd, buffer + total, static_cast<std::size_t>(count - total));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        total += static_cast<int>(n);
    }
    return total;
}

int CVI_CloseFile(int handle) {
    const int fd = descriptor(handle);
    if (fd < 0) return -1;
    open_files().erase(handle);
    return ::close(fd) == 0 ? 0 : -1;
}

}  // namespace uirt
