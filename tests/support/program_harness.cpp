#include "program_harness.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "uirt.hpp"
#include "uirt_test.hpp"
#include "widgets.hpp"

namespace gutest {

namespace {

std::filesystem::path temp_dir() {
    static const std::filesystem::path dir = [] {
        auto base = std::filesystem::temp_directory_path() /
                    ("gu7304-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(base);
        return base;
    }();
    return dir;
}

}  // namespace

std::string write_temp_file(std::string_view name, std::string_view text) {
    const auto path = temp_dir() / std::string(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return path.string();
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void use_bus(std::string_view description) {
    ::setenv("VISA_SIM_BUS", write_temp_file("bus.txt", description).c_str(), 1);
}

std::string use_trace() {
    const auto path = (temp_dir() / "trace.txt").string();
    std::filesystem::remove(path);
    ::setenv("VISA_SIM_TRACE", path.c_str(), 1);
    return path;
}

std::size_t trace_line_count(const std::string& trace_path) {
    std::ifstream in(trace_path);
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

std::vector<std::string> written_commands_since(const std::string& trace_path,
                                                std::size_t first_line) {
    // viWrite(0x..., "<message>", n) = ...: the message between the first pair of quotes.
    std::vector<std::string> out;
    std::ifstream in(trace_path);
    std::size_t n = 0;
    for (std::string line; std::getline(in, line); ++n) {
        if (n < first_line || line.rfind("viWrite(", 0) != 0) continue;
        const auto open = line.find('"');
        const auto close = line.find("\", ", open + 1);
        if (open == std::string::npos || close == std::string::npos) continue;
        std::string msg = line.substr(open + 1, close - open - 1);
        if (msg.size() >= 2 && msg.compare(msg.size() - 2, 2, "\\n") == 0) msg.resize(msg.size() - 2);
        out.push_back(msg);
    }
    return out;
}

std::vector<std::string> written_commands(const std::string& trace_path) {
    return written_commands_since(trace_path, 0);
}

void start_runtime() {
    static bool started = false;
    if (started) return;
    started = true;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    uirt::test::enable();
    static char name[] = "gu7304-test";
    static char* argv[] = {name, nullptr};
    uirt::InitCVIRTE(1, argv);
}

int run_program(std::function<void()> script) {
    start_runtime();
    uirt::test::at_main_loop([script = std::move(script)] {
        script();
        uirt::QuitUserInterface(0);
    });
    static char name[] = "gu7304-test";
    static char* argv[] = {name, nullptr};
    return gu::main(1, argv);
}

}  // namespace gutest
