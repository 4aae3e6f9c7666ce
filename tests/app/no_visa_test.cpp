// Start-up with no VISA library to be found: this executable has no modules beside it.
#include <gtest/gtest.h>

#include <filesystem>

#include "scenario.hpp"

namespace {

TEST(NoVisa, OneLibraryErrorThenPanelsWithDefaults) {
    ::unsetenv("UIRT_MODULE_PATH");
    ::setenv("UIRT_RESOURCE_DIR", GU_BUILD_ROOT, 1);  // the resource file, not the modules
    ASSERT_FALSE(std::filesystem::exists(
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "visa32.lib"));
    bool ran = false;
    const int result = gutest::run_program([&] {
        ran = true;
        EXPECT_EQ(apptest::shown(),
                  (std::vector<apptest::Shown>{
                      {"Library Error", "VISA32 Not loaded. Livemode disabled."}}));
        EXPECT_EQ(gu::livemode, 0);
        EXPECT_LT(gu::visa_module, 0);
        EXPECT_EQ(gu::module, 0);  // the driver module is not loaded at all
        EXPECT_FALSE(apptest::led_lit_green());
        EXPECT_STREQ(gu::rsrc_name, "");
        EXPECT_EQ(apptest::sample_count(), 1);
        EXPECT_TRUE(uirt::test::panel_visible(gu::frame_panel));
        // Settings work on their stored values.
        uirt::test::set_value(gu::main_panel, 11, 4.0);
        EXPECT_EQ(apptest::sample_count(), 4);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(result, 0);
}

}  // namespace
