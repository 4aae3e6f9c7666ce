// Writing a file the user chose, with the care state files get: the user is asked before
// an existing file is replaced, a failed write leaves the earlier file as it was, and every
// failure is told in a pop-up.
#pragma once

#include <string_view>

#include "uirt.hpp"

namespace gu {

inline constexpr int FILE_PATH_SIZE = uirt::MAX_PATHNAME_LEN;

// The save pop-up with `title` and the pattern (for example "*.csv"); false when cancelled.
bool choose_output_file(const char* title, const char* pattern, char* path);

// True when `bytes` were written to `path`; false when the user kept an existing file or the
// write failed (told).
bool write_file_with_care(const char* path, std::string_view bytes);

}  // namespace gu
