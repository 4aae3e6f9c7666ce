// A controller's view of a simulated Q7304A: send, query, read the error queue.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "sim/q7304.hpp"

namespace sim::testing {

using namespace std::chrono_literals;

class Bench {
public:
    explicit Bench(const Q7304Input& input = {}) : dmm(input) {}

    void send(std::string_view command) { dmm.write(std::string(command) + "\n", true); }
    // The reply without its terminator; "<timeout>" when none arrived in time.
    std::string query(std::string_view command, std::chrono::milliseconds timeout = 2000ms);
    std::string read(std::chrono::milliseconds timeout = 2000ms);
    double number(std::string_view command) { return std::stod(query(command)); }
    // Drains the error queue: the codes in order.
    std::vector<int> errors();

    Q7304 dmm;
};

std::vector<double> split_readings(const std::string& reply);

}  // namespace sim::testing
