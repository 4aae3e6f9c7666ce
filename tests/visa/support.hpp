// Helpers of the VISA tests: bus descriptions in temporary files, sessions, clocks.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "visa.h"

namespace visatest {

// A file unique to this process (cases run in processes of their own).
inline std::string temp_path(const std::string& stem) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/visa_test_" + stem + "_" +
           std::to_string(::getpid()) + ".txt";
}

// Writes a bus description and points VISA_SIM_BUS at it; call before viOpenDefaultRM.
inline std::string use_bus(const std::string& text) {
    const std::string path = temp_path("bus");
    std::ofstream(path, std::ios::binary) << text;
    ::setenv("VISA_SIM_BUS", path.c_str(), 1);
    return path;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline ViSession open_rm() {
    ViSession rm = 0;
    EXPECT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
    return rm;
}

inline ViSession open_instr(ViSession rm, const char* name) {
    ViSession vi = 0;
    EXPECT_EQ(viOpen(rm, name, VI_NULL, VI_NULL, &vi), VI_SUCCESS) << name;
    return vi;
}

inline ViStatus write_text(ViSession vi, const std::string& text, ViUInt32* sent = nullptr) {
    ViUInt32 n = 0;
    const ViStatus st = viWrite(vi, reinterpret_cast<ViConstBuf>(text.data()),
                                static_cast<ViUInt32>(text.size()), &n);
    if (sent) *sent = n;
    return st;
}

// Reads chunks until a status other than VI_SUCCESS_MAX_CNT; the last status in `status`.
inline std::string read_reply(ViSession vi, ViStatus& status, ViUInt32 chunk = 256) {
    std::string out;
    std::vector<unsigned char> buf(chunk);
    for (;;) {
        ViUInt32 n = 0;
        status = viRead(vi, buf.data(), chunk, &n);
        if (status < 0) return out;
        out.append(reinterpret_cast<const char*>(buf.data()), n);
        if (status != VI_SUCCESS_MAX_CNT) return out;
    }
}

inline std::string query(ViSession vi, const std::string& command) {
    EXPECT_EQ(write_text(vi, command), VI_SUCCESS) << command;
    ViStatus st = 0;
    std::string reply = read_reply(vi, st);
    EXPECT_EQ(st, VI_SUCCESS) << command;
    return reply;
}

inline long elapsed_ms(std::chrono::steady_clock::time_point since) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - since)
                                 .count());
}

constexpr const char* kQ7304Idn = "VANTREL-OSSMARK,Q7304A,";

}  // namespace visatest
