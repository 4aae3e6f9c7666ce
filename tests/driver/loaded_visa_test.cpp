// The driver calls the VISA library already loaded in the process, as the program loads it:
// privately, from a folder of its own, whatever the library's soname.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "visa_sim.h"
#include "voq7304.h"

namespace {

template <class F>
F look_up(void* module, const char* name) {
    return reinterpret_cast<F>(::dlsym(module, name));
}

void collect(const char* line, void* lines) {
    static_cast<std::vector<std::string>*>(lines)->emplace_back(line);
}

bool traced(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

TEST(DriverVisa, CallsGoToTheVisaLibraryLoadedInTheProcess) {
    void* driver = ::dlopen(VOQ7304_BUILD_ROOT "/voq7304.lib", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(driver, nullptr) << ::dlerror();
    const auto init = look_up<decltype(&voq7304_init)>(driver, "voq7304_init");
    const auto stb =
        look_up<decltype(&voq7304_readStatusByte_Q)>(driver, "voq7304_readStatusByte_Q");
    const auto close = look_up<decltype(&voq7304_close)>(driver, "voq7304_close");
    ASSERT_TRUE(init && stb && close);

    // No VISA library yet: the driver loads none of its own.
    ViSession vi = 1;
    EXPECT_EQ(init(const_cast<ViRsrc>("VXI0::24::INSTR"), VI_TRUE, VI_FALSE, &vi),
              VI_ERROR_LIBRARY_NFOUND);
    EXPECT_EQ(vi, static_cast<ViSession>(VI_NULL));

    // A copy of the library, loaded as the program loads it; its trace shows the driver's calls.
    void* copy = ::dlopen(VOQ7304_BUILD_ROOT "/variants/visa_other_soname/visa32.lib",
                          RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(copy, nullptr) << ::dlerror();
    std::vector<std::string> lines;
    look_up<decltype(&viSimSetTraceHandler)>(copy, "viSimSetTraceHandler")(collect, &lines);
    ASSERT_EQ(init(const_cast<ViRsrc>("VXI0::24::INSTR"), VI_TRUE, VI_FALSE, &vi), VI_SUCCESS);
    ViUInt16 status_byte = 0xFFFF;
    EXPECT_EQ(stb(vi, &status_byte), VI_SUCCESS);
    EXPECT_EQ(close(vi), VI_SUCCESS);
    EXPECT_TRUE(traced(lines, "viOpen(0x")) << lines.size();
    EXPECT_TRUE(traced(lines, "\"*IDN?\\n\"")) << lines.size();
    EXPECT_TRUE(traced(lines, "viReadSTB(0x")) << lines.size();
    EXPECT_TRUE(traced(lines, "viClose(0x")) << lines.size();
    // And no other VISA library came with the driver.
    EXPECT_EQ(::dlopen(VOQ7304_BUILD_ROOT "/visa32.lib", RTLD_NOW | RTLD_NOLOAD), nullptr);
}

}  // namespace
