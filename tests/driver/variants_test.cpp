// The variant modules lack exactly their names and load beside the VISA library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kAllNames = {
#include "driver_names.inc"
};

struct Variant {
    const char* folder;
    std::set<std::string> missing;
};

const Variant kVariants[] = {
    {"missing_one", {"voq7304_resAper"}},
    {"missing_ten",
     {"voq7304_resAper", "voq7304_resAper_Q", "voq7304_resNplc", "voq7304_resNplc_Q",
      "voq7304_resRang", "voq7304_resRang_Q", "voq7304_resRes", "voq7304_resRes_Q",
      "voq7304_sampCoun", "voq7304_sampCoun_Q"}},
    {"missing_unused",
     {"voq7304_currAcRang", "voq7304_currAcRang_Q", "voq7304_currAcRes", "voq7304_perVoltRang"}},
    {"missing_stb", {"voq7304_readStatusByte_Q"}},
    {"missing_ttl_q", {"voq7304_outpTtlt_M_Q"}},
    {"missing_init", {"voq7304_init"}},
};

void* open_module(const std::string& path) {
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(module, nullptr) << path << ": " << ::dlerror();
    return module;
}

}  // namespace

TEST(DriverModules, MainModuleExportsEveryNameAndNothingInternal) {
    ASSERT_EQ(kAllNames.size(), 137u);
    void* module = open_module(VOQ7304_BUILD_ROOT "/voq7304.lib");
    ASSERT_NE(module, nullptr);
    for (const auto& name : kAllNames) EXPECT_NE(::dlsym(module, name.c_str()), nullptr) << name;
    EXPECT_EQ(::dlsym(module, "_ZN3voq12format_realB5cxx11Ed"), nullptr);
    EXPECT_EQ(::dlsym(module, "_ZN3voq13session_stateEj"), nullptr);
    ::dlclose(module);
}

TEST(DriverModules, EachVariantLacksExactlyItsNames) {
    for (const auto& variant : kVariants) {
        SCOPED_TRACE(variant.folder);
        void* module = open_module(std::string(VOQ7304_BUILD_ROOT "/variants/") + variant.folder +
                                   "/voq7304.lib");
        ASSERT_NE(module, nullptr);
        for (const auto& name : variant.missing)
            EXPECT_NE(std::find(kAllNames.begin(), kAllNames.end(), name), kAllNames.end());
        for (const auto& name : kAllNames) {
            const bool found = ::dlsym(module, name.c_str()) != nullptr;
            EXPECT_EQ(found, variant.missing.count(name) == 0) << name;
        }
        ::dlclose(module);
    }
}
