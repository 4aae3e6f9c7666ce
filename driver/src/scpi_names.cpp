#include <array>
#include <string>
#include <utility>

#include "scpi_names.hpp"
#include "scpi_parse.hpp"
#include "voq7304.h"

namespace voq {

namespace {

// Forms the instrument may use besides the canonical CONFigure names of kFunctions.
constexpr std::array<std::pair<std::string_view, int>, 4> kFunctionAliases{{
    {"VOLT", VOQ7304_FUNC_VOLT_DC},
    {"CURR", VOQ7304_FUNC_CURR_DC},
    {"VOLT:RAT", VOQ7304_FUNC_VOLT_RATIO},
    {"VOLT:DC:RATIO", VOQ7304_FUNC_VOLT_RATIO},
}};

template <std::size_t N>
std::optional<int> index_of(const std::array<std::string_view, N>& names, std::string_view reply) {
    const std::string word = canonical_mnemonic(reply);
    for (std::size_t i = 0; i < N; ++i)
        if (word == names[i]) return static_cast<int>(i);
    return std::nullopt;
}

}  // namespace

std::optional<int> function_code(std::string_view reply) {
    const std::string word = canonical_mnemonic(reply);
    for (std::size_t i = 0; i < kFunctions.size(); ++i)
        if (word == kFunctions[i].conf) return static_cast<int>(i);
    for (const auto& [alias, code] : kFunctionAliases)
        if (word == alias) return code;
    return std::nullopt;
}

std::optional<int> trigger_source_code(std::string_view reply) {
    return index_of(kTriggerSources, reply);
}

std::optional<int> calc_function_code(std::string_view reply) {
    return index_of(kCalcFunctions, reply);
}

}  // namespace voq
