// Writing a state file over an existing one without changing what the file is.
#pragma once

namespace gu {

enum class Written { not_opened, failed, done };

// Writes `length` bytes of `text` to `path` through the run-time's file calls. A file that
// exists keeps its mode, owner, hard links and symbolic links; its earlier content stays
// until the new one is complete wherever the folder allows a file beside it.
// `reason`, when given, receives the errno of the call that failed.
Written write_state_file(const char* path, const char* text, int length, int* reason = nullptr);

}  // namespace gu
