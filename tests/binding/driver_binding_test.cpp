// Binding the VISA library and the driver module by name, with modules that lack names.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "fallbacks.hpp"
#include "scenario.hpp"

namespace {

using apptest::Shown;

// Runs the program with the modules of `variant`; returns the pop-ups shown at start-up.
std::vector<Shown> start_with(const std::string& variant, bool* live = nullptr,
                              bool* green = nullptr) {
    apptest::use_variant(variant);
    gutest::run_program([&] {
        if (live) *live = gu::livemode != 0;
        if (green) *green = apptest::led_lit_green();
    });
    return apptest::shown();
}

TEST(DriverBinding, OneMissingNameIsReportedThenVersionMismatchAndLiveModeOff) {
    bool live = true;
    bool green = true;
    const auto popups = start_with("missing_one", &live, &green);
    EXPECT_EQ(popups, (std::vector<Shown>{{"Error", "Error finding voq7304_resAper"},
                                          {"Message", "Possible DLL Version mismatch."}}));
    EXPECT_FALSE(live);
    EXPECT_FALSE(green);
    EXPECT_EQ(std::string(gu::rsrc_name), "");
    // The missing entry point keeps its fallback; its neighbours keep their addresses.
    EXPECT_EQ(gu::vo_resAper, gu::voe_resAper);
    EXPECT_NE(gu::vo_resAper_Q, gu::voe_resAper_Q);
    EXPECT_NE(gu::vo_calcStat_Q, gu::voe_calcStat_Q);
}

TEST(DriverBinding, TenMissingNamesShowTheFirstSixInLookupOrderAndOneVersionMessage) {
    bool live = true;
    const auto popups = start_with("missing_ten", &live);
    EXPECT_EQ(popups, (std::vector<Shown>{{"Error", "Error finding voq7304_resAper"},
                                          {"Error", "Error finding voq7304_resAper_Q"},
                                          {"Error", "Error finding voq7304_resNplc"},
                                          {"Error", "Error finding voq7304_resNplc_Q"},
                                          {"Error", "Error finding voq7304_resRang"},
                                          {"Error", "Error finding voq7304_resRang_Q"},
                                          {"Message", "Possible DLL Version mismatch."}}));
    EXPECT_FALSE(live);
    // The seventh and later misses are counted only, but still get their fallbacks.
    EXPECT_EQ(gu::vo_sampCoun_Q, gu::voe_sampCoun_Q);
}

TEST(DriverBinding, OptionalNamesMayBeMissing) {
    bool live = false;
    bool green = false;
    const auto popups = start_with("missing_unused", &live, &green);
    EXPECT_TRUE(popups.empty());
    EXPECT_TRUE(live);
    EXPECT_TRUE(green);
    EXPECT_EQ(std::string(gu::rsrc_name), "VXI0::24::INSTR");
    EXPECT_EQ(gu::vo_currAcRang, gu::voe_currAcRang);  // stays a no-op in live mode
    EXPECT_FALSE(gu::is_bound(gu::vo_currAcRang));
    EXPECT_TRUE(gu::is_bound(gu::vo_perVoltRang_Q));  // the module has this one
    EXPECT_NE(gu::vo_voltAcAper, gu::voe_voltAcAper);
}

TEST(DriverBinding, StatusByteIsLookedUpUnderItsQueryName) {
    bool live = true;
    const auto popups = start_with("missing_stb", &live);
    EXPECT_EQ(popups, (std::vector<Shown>{{"Error", "Error finding voq7304_readStatusByte_Q"},
                                          {"Message", "Possible DLL Version mismatch."}}));
    EXPECT_FALSE(live);
    EXPECT_EQ(gu::vo_readStatusByte, gu::voe_readStatusByte);
}

TEST(DriverBinding, TtlQueryIsLookedUpUnderItsMultiLineName) {
    const auto popups = start_with("missing_ttl_q");
    EXPECT_EQ(popups, (std::vector<Shown>{{"Error", "Error finding voq7304_outpTtlt_M_Q"},
                                          {"Message", "Possible DLL Version mismatch."}}));
    EXPECT_EQ(gu::vo_outpTtlt_Q, gu::voe_outpTtlt_Q);
    EXPECT_NE(gu::vo_outpTtlt, gu::voe_outpTtlt);
}

TEST(DriverBinding, ModuleWithoutInitIsNotUsedAtAll) {
    bool live = true;
    const auto popups = start_with("missing_init", &live);
    EXPECT_EQ(
        popups,
        (std::vector<Shown>{{"Library Error", "VOQ7304.lib Not loaded. Livemode disabled."}}));
    EXPECT_FALSE(live);
    EXPECT_GT(gu::module, 0);
    EXPECT_NE(gu::vo_init, nullptr);  // the fallback, never a null entry point
    EXPECT_EQ(gu::vo_close, gu::voe_close);
}

TEST(DriverBinding, VisaWithoutGetAttributeLeavesTheDriverUnloaded) {
    const auto trace = gutest::use_trace();
    bool live = true;
    const auto popups = start_with("visa_no_getattr", &live);
    EXPECT_EQ(popups,
              (std::vector<Shown>{{"Library Error", "VISA32 Not loaded. Livemode disabled."}}));
    EXPECT_FALSE(live);
    EXPECT_EQ(gu::module, 0);
    EXPECT_EQ(gu::OpenDefaultRM, nullptr);
    EXPECT_TRUE(gutest::written_commands(trace).empty());
}

TEST(DriverBinding, CompleteModulesBindEveryLookedUpName) {
    const auto popups = start_with("none_such");  // no such folder: the build root's modules
    EXPECT_TRUE(popups.empty());
    EXPECT_NE(gu::vo_close, gu::voe_close);
    EXPECT_NE(gu::vo_readStatusByte, gu::voe_readStatusByte);
    EXPECT_NE(gu::vo_outpTtlt_Q, gu::voe_outpTtlt_Q);
    EXPECT_EQ(gu::vo_findRsrc, &gu::voex_findRsrc);
    for (bool bound : {gu::is_bound(gu::vo_voltAcNplc), gu::is_bound(gu::vo_perVoltRang_Q),
                       gu::is_bound(gu::vo_cmd), gu::is_bound(gu::vo_cmdString_Q)})
        EXPECT_TRUE(bound);  // optional names the module exports
    EXPECT_NE(gu::GetAttribute, nullptr);
    EXPECT_NE(gu::ViWrite, nullptr);
}

TEST(DriverBinding, TheDriverDrivesThroughTheVisaLibraryTheProgramLoaded) {
    // A copy of the VISA library under another soname, in the folder UIRT_MODULE_PATH names;
    // the driver comes from beside the program.
    const auto trace = gutest::use_trace();
    bool live = false;
    bool green = false;
    const auto popups = start_with("visa_other_soname", &live, &green);
    EXPECT_TRUE(popups.empty());
    EXPECT_TRUE(live);
    EXPECT_TRUE(green);
    EXPECT_EQ(std::string(gu::rsrc_name), "VXI0::24::INSTR");
    EXPECT_FALSE(gutest::written_commands(trace).empty());
    // One VISA library in the process, the program's: the driver brought none of its own.
    EXPECT_NE(::dlopen(GU_BUILD_ROOT "/variants/visa_other_soname/visa32.lib", RTLD_NOW | RTLD_NOLOAD),
              nullptr);
    EXPECT_EQ(::dlopen(GU_BUILD_ROOT "/visa32.lib", RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST(Fallbacks, ReportSuccessAndWriteNothing) {
    gu::set_fallbacks();
    double range = 7.5;
    ViBoolean automatic = 3;
    EXPECT_EQ(gu::vo_voltDcRang_Q(1, &automatic, &range), 0);
    EXPECT_EQ(range, 7.5);
    EXPECT_EQ(automatic, 3);
    char text[8] = "kept";
    EXPECT_EQ(gu::vo_error_message(1, -1, text), 0);
    EXPECT_STREQ(text, "kept");
    EXPECT_EQ(gu::vo_currAcRes_Q, gu::voe_currAcRes_Q);
}

}  // namespace
