#include "driver_fixture.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace drvtest {

std::string q7304_section(std::string_view extra) {
    std::string text =
        "[VXI0::24::INSTR]\n"
        "interface = vxi\n"
        "logical_address = 24\n"
        "slot = 2\n"
        "q7304 = yes\n";
    text += extra;
    return text;
}

void use_bus(std::string_view description) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("voq7304-bus-" + std::to_string(::getpid()) + ".txt");
    std::ofstream(path, std::ios::trunc) << description;
    ::setenv("VISA_SIM_BUS", path.c_str(), 1);
}

Session::Session(const char* resource, ViBoolean idQuery, ViBoolean reset) {
    status = voq7304_init(const_cast<ViRsrc>(resource), idQuery, reset, &vi);
}

Session::~Session() {
    if (vi != VI_NULL) voq7304_close(vi);
}

std::string next_error(ViSession vi) {
    ViInt32 code = 1;
    ViChar text[257] = "?";
    const ViStatus status = voq7304_error_query(vi, &code, text);
    if (status != VI_SUCCESS) return "status " + std::to_string(status);
    return std::to_string(code) + " " + text;
}

std::string message_of(ViSession vi, ViStatus status) {
    ViChar text[257] = {};
    voq7304_error_message(vi, status, text);
    return text;
}

}  // namespace drvtest
