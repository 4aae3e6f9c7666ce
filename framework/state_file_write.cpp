// A new text lands beside the file and then replaces it, when that keeps the file as it
// was; otherwise it is written in place, with the earlier content saved beside it meanwhile.
#include "state_file_write.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "framework.hpp"

namespace gu {

namespace {

namespace fs = std::filesystem;

constexpr int READ_WRITE = 0, TRUNCATE = 0, ASCII = 1;

int* failure_reason = nullptr;  // where the errno of the failing call goes, if anywhere

Written failed(Written how) {
    if (failure_reason && how != Written::done) *failure_reason = errno;
    return how;
}

Written write_through_runtime(const std::string& path, const char* text, int length) {
    const int file = uirt::CVI_OpenFile(path.c_str(), READ_WRITE, TRUNCATE, ASCII);
    if (file == -1) return failed(Written::not_opened);
    if (uirt::CVI_WriteFile(file, text, length) != length) {
        const Written w = failed(Written::failed);
        uirt::CVI_CloseFile(file);
        return w;
    }
    return uirt::CVI_CloseFile(file) == 0 ? Written::done : failed(Written::failed);
}

std::string beside(const fs::path& target, const char* what) {
    return target.string() + "." + std::to_string(::getpid()) + what;
}

// A fresh file beside the target with its owner and mode; false where the folder or the
// owner does not allow it.
bool make_twin(const std::string& twin, const struct stat& st) {
    const int fd = ::open(twin.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool same_owner = (st.st_uid == ::geteuid() && st.st_gid == ::getegid()) ||
                            ::fchown(fd, st.st_uid, st.st_gid) == 0;
    const bool same_mode = ::fchmod(fd, st.st_mode & 07777) == 0;
    ::close(fd);
    if (same_owner && same_mode) return true;
    ::unlink(twin.c_str());
    return false;
}

enum class Replaced { done, failed, not_possible };

Replaced replace(const fs::path& target, const struct stat& st, const char* text, int length) {
    if (st.st_nlink != 1) return Replaced::not_possible;  // a new file would leave the links
    const std::string twin = beside(target, ".tmp");
    if (!make_twin(twin, st)) return Replaced::not_possible;
    const Written w = write_through_runtime(twin, text, length);
    if (w == Written::done && ::rename(twin.c_str(), target.c_str()) == 0) return Replaced::done;
    ::unlink(twin.c_str());
    return w == Written::failed ? Replaced::failed : Replaced::not_possible;
}

// In place; a copy of the earlier content beside it puts the file back after a failure.
Written overwrite(const fs::path& target, const struct stat& st, const char* text, int length) {
    const std::string saved = beside(target, ".old");
    std::error_code ec;
    const bool kept = make_twin(saved, st) &&
                      fs::copy_file(target, saved, fs::copy_options::overwrite_existing, ec);
    const Written w = write_through_runtime(target.string(), text, length);
    if (kept && w == Written::failed) {
        const std::string earlier = [&] {
            std::string all;
            const int file = uirt::CVI_OpenFile(saved.c_str(), 1, 2, ASCII);
            char chunk[4096];
            for (int n; file != -1 && (n = uirt::CVI_ReadFile(file, chunk, sizeof chunk)) > 0;)
                all.append(chunk, static_cast<std::size_t>(n));
            if (file != -1) uirt::CVI_CloseFile(file);
            return all;
        }();
        write_through_runtime(target.string(), earlier.data(), static_cast<int>(earlier.size()));
    }
    ::unlink(saved.c_str());
    return w;
}

}  // namespace

Written write_state_file(const char* path, const char* text, int length, int* reason) {
    failure_reason = reason;
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);  // the link stays a link
        if (!ec) target = resolved;
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return write_through_runtime(target.string(), text, length);  // new, or a device
    switch (replace(target, st, text, length)) {
        case Replaced::done: return Written::done;
        case Replaced::failed: return Written::failed;
        case Replaced::not_possible: break;
    }
    return overwrite(target, st, text, length);
}

}  // namespace gu
