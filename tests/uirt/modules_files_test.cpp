// External modules by name and byte-exact files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support.hpp"

namespace uirt_tests {
namespace {

using namespace uirt;
using Answer = const char* (*)();

std::string answer_of(int module) {
    int status = -1;
    auto fn = reinterpret_cast<Answer>(GetExternalModuleAddr(module, "uirt_probe_answer", &status));
    EXPECT_EQ(status, 0);
    return fn ? fn() : "";
}

TEST(Modules, FoldersOfTheModulePathAreSearchedInOrder) {
    ::setenv("UIRT_MODULE_PATH", PROBE_DIR_B ":" PROBE_DIR_A, 1);
    const int b = LoadExternalModule("uirt_probe.so");
    ASSERT_GT(b, 0);
    EXPECT_EQ(answer_of(b), "b");

    // An empty entry (the current folder) is skipped; the next folder is taken.
    ::setenv("UIRT_MODULE_PATH", "::" PROBE_DIR_A ":" PROBE_DIR_B, 1);
    const int a = LoadExternalModule("uirt_probe.so");
    ASSERT_GT(a, 0);
    EXPECT_EQ(answer_of(a), "a");

    int status = 0;
    EXPECT_EQ(GetExternalModuleAddr(a, "no_such_function", &status), nullptr);
    EXPECT_LT(status, 0);
    EXPECT_EQ(UnloadExternalModule(a), 0);
    EXPECT_LT(UnloadExternalModule(a), 0);
    EXPECT_EQ(GetExternalModuleAddr(a, "uirt_probe_answer", &status), nullptr);
    EXPECT_LT(status, 0);
    UnloadExternalModule(b);

    EXPECT_LT(LoadExternalModule("voq7304_missing.lib"), 0);
}

TEST(Modules, TheCurrentFolderIsNeverSearched) {
    ::unsetenv("UIRT_MODULE_PATH");
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(PROBE_DIR_A);
    EXPECT_LT(LoadExternalModule("uirt_probe.so"), 0);
    std::filesystem::current_path(before);
}

TEST(Files, ModesKeepEveryByte) {
    const std::string path = scratch_dir() + "/state.st";
    const std::string bytes("FUNC 5\r\nRANG\0 1\n\xff", 18);
    int f = CVI_OpenFile(path.c_str(), 2, 0, 1);  // write only, truncate, ASCII
    ASSERT_GT(f, 0);
    EXPECT_EQ(CVI_WriteFile(f, bytes.data(), static_cast<int>(bytes.size())), 18);
    CVI_CloseFile(f);

    char buffer[1000];
    f = CVI_OpenFile(path.c_str(), 1, 2, 1);  // read only, as is
    EXPECT_EQ(CVI_ReadFile(f, buffer, sizeof buffer), 18);
    EXPECT_EQ(std::string(buffer, 18), bytes);
    EXPECT_EQ(CVI_WriteFile(f, "x", 1), -1);  // opened read only
    CVI_CloseFile(f);

    // Opened as is, writing overwrites from the start and keeps the rest.
    f = CVI_OpenFile(path.c_str(), 0, 2, 0);
    EXPECT_EQ(CVI_WriteFile(f, "AB", 2), 2);
    CVI_CloseFile(f);
    f = CVI_OpenFile(path.c_str(), 1, 2, 0);
    EXPECT_EQ(CVI_ReadFile(f, buffer, sizeof buffer), 18);
    EXPECT_EQ(std::string(buffer, 4), "ABNC");
    CVI_CloseFile(f);

    // Truncating leaves only what was written now; reading-only never truncates.
    f = CVI_OpenFile(path.c_str(), 1, 0, 0);
    CVI_CloseFile(f);
    f = CVI_OpenFile(path.c_str(), 2, 0, 0);
    CVI_WriteFile(f, "short", 5);
    CVI_CloseFile(f);
    f = CVI_OpenFile(path.c_str(), 1, 2, 0);
    EXPECT_EQ(CVI_ReadFile(f, buffer, sizeof buffer), 5);
    EXPECT_EQ(CVI_CloseFile(f), 0);

    EXPECT_EQ(CVI_OpenFile(scratch_dir().c_str(), 1, 2, 0), -1);  // a folder is no file
    EXPECT_EQ(CVI_OpenFile((scratch_dir() + "/missing.st").c_str(), 1, 2, 0), -1);
    EXPECT_EQ(CVI_ReadFile(f, buffer, 10), -1);  // closed handle
    EXPECT_EQ(CVI_CloseFile(f), -1);
}

TEST(Files, NamedPipesAreNeverWaitedOn) {
    const std::string pipe = scratch_dir() + "/pipe.st";
    ::unlink(pipe.c_str());
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(CVI_OpenFile(pipe.c_str(), 2, 0, 0), -1);  // write only: no reader
    int f = CVI_OpenFile(pipe.c_str(), 1, 2, 0);         // read only: no writer, empty
    ASSERT_GT(f, 0);
    char buffer[16];
    EXPECT_EQ(CVI_ReadFile(f, buffer, sizeof buffer), 0);

    // Opened for reading and writing it needs no other end; its bytes reach the reader.
    const int g = CVI_OpenFile(pipe.c_str(), 0, 2, 0);
    ASSERT_GT(g, 0);
    EXPECT_EQ(CVI_WriteFile(g, "abc", 3), 3);
    EXPECT_EQ(CVI_CloseFile(g), 0);
    EXPECT_EQ(CVI_ReadFile(f, buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(CVI_CloseFile(f), 0);
}

}  // namespace
}  // namespace uirt_tests
