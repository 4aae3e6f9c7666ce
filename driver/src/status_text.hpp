// Texts of the driver's own status codes.
#pragma once

#include <optional>
#include <string_view>

#include "visa.h"

namespace voq {

std::optional<std::string_view> driver_status_text(ViStatus status);

}  // namespace voq
