#include "instrument_test_support.hpp"

#include <sstream>

namespace sim::testing {

std::string Bench::read(std::chrono::milliseconds timeout) {
    std::string reply;
    std::string chunk;
    bool end = false;
    while (!end) {
        if (dmm.read(chunk, 100000, timeout, end) != Q7304::ReadResult::ok) return "<timeout>";
        reply += chunk;
    }
    if (!reply.empty() && reply.back() == '\n') reply.pop_back();
    return reply;
}

std::string Bench::query(std::string_view command, std::chrono::milliseconds timeout) {
    send(command);
    return read(timeout);
}

std::vector<int> Bench::errors() {
    std::vector<int> codes;
    for (int i = 0; i < 30; ++i) {
        const std::string reply = query("SYST:ERR?");
        const int code = std::stoi(reply);
        if (code == 0) break;
        codes.push_back(code);
    }
    return codes;
}

std::vector<double> split_readings(const std::string& reply) {
    std::vector<double> values;
    std::stringstream in(reply);
    std::string item;
    while (std::getline(in, item, ',')) values.push_back(std::stod(item));
    return values;
}

}  // namespace sim::testing
