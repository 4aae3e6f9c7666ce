#include "status_text.hpp"

#include <array>
#include <utility>

#include "voq7304.h"

namespace voq {

namespace {

constexpr std::array<std::pair<ViStatus, std::string_view>, 11> kTexts{{
    {VOQ7304_ERROR_PARAMETER1, "Parameter 1 out of range or invalid"},
    {VOQ7304_ERROR_PARAMETER2, "Parameter 2 out of range or invalid"},
    {VOQ7304_ERROR_PARAMETER3, "Parameter 3 out of range or invalid"},
    {VOQ7304_ERROR_PARAMETER4, "Parameter 4 out of range or invalid"},
    {VOQ7304_ERROR_PARAMETER5, "Parameter 5 out of range or invalid"},
    {VOQ7304_ERROR_PARAMETER6, "Parameter 6 out of range or invalid"},
    {VOQ7304_ERROR_PARAMETER7, "Parameter 7 out of range or invalid"},
    {VOQ7304_ERROR_FAIL_ID_QUERY, "Instrument identification query failed"},
    {VOQ7304_ERROR_INV_RESPONSE, "Invalid response from the instrument"},
    {VOQ7304_ERROR_INSTR_ERROR_DETECTED, "Instrument error detected; read the error queue"},
    {VI_SUCCESS, "No error"},
}};

}  // namespace

std::optional<std::string_view> driver_status_text(ViStatus status) {
    for (const auto& [code, text] : kTexts)
        if (code == status) return text;
    return std::nullopt;
}

}  // namespace voq
