// Sessions on the simulated bus for the driver tests.
#pragma once

#include <string>
#include <string_view>

#include "voq7304.h"

namespace drvtest {

inline constexpr const char* kResource = "VXI0::24::INSTR";

// A Q7304A at VXI0::24::INSTR with `extra` appended to its section.
std::string q7304_section(std::string_view extra = {});

// Writes the description to a temp file and names it in VISA_SIM_BUS; call before the first
// VISA call of the process.
void use_bus(std::string_view description);

// A driver session opened with voq7304_init and closed at the end of the scope.
class Session {
public:
    explicit Session(const char* resource = kResource, ViBoolean idQuery = VI_TRUE,
                     ViBoolean reset = VI_TRUE);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    ViSession vi = VI_NULL;
    ViStatus status = VI_SUCCESS;
};

// The next error-queue entry, as "<code> <text>".
std::string next_error(ViSession vi);
std::string message_of(ViSession vi, ViStatus status);

}  // namespace drvtest
