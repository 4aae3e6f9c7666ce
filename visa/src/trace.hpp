// The I/O trace: one line per VISA call, appended to the file $VISA_SIM_TRACE names.
#pragma once

#include <string>
#include <string_view>

#include "visa.h"

namespace simvisa {

bool tracing();
std::string quoted(std::string_view bytes);  // C-escaped, in double quotes
std::string hex(ViUInt32 v);
// "<call> = <status name> (0x........)<extra>"
void trace(const std::string& call, ViStatus status, const std::string& extra = {});
const char* status_name(ViStatus status);
const char* status_text(ViStatus status);
bool status_known(ViStatus status);

}  // namespace simvisa
