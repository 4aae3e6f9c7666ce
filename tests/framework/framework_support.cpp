#include "framework_support.hpp"

namespace fwtest {

std::vector<uirt::test::Popup> popups_titled(const std::string& title) {
    std::vector<uirt::test::Popup> out;
    for (const auto& p : uirt::test::popups())
        if (p.title == title) out.push_back(p);
    return out;
}

int count_titled(const std::string& title) {
    return static_cast<int>(popups_titled(title).size());
}

std::string live_bus(const std::string& extra) {
    return "[VXI0::24::INSTR]\ninterface = vxi\nmanufacturer = 3674\nmodel = 705\n"
           "logical_address = 24\nslot = 3\nq7304 = yes\n" +
           extra;
}

bool idle_times(int n) {
    for (int i = 0; i < n; ++i)
        if (!uirt::test::idle()) return false;
    return true;
}

}  // namespace fwtest
