#include "fault_scenario.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace faulttest {

std::vector<std::string> calls_by(const std::string& trace, const std::string& call,
                                  const std::function<void()>& action) {
    const std::size_t first = gutest::trace_line_count(trace);
    action();
    std::vector<std::string> out;
    const std::string text = gutest::read_file(trace);
    std::size_t start = 0;
    for (std::size_t n = 0; start < text.size(); ++n) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (n >= first && text.compare(start, call.size() + 1, call + "(") == 0)
            out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::vector<Shown> shown() {
    std::vector<Shown> out;
    for (const auto& p : uirt::test::popups())
        if (p.kind == "message") out.push_back({p.title, p.text});
    return out;
}

std::vector<Shown> shown_by(const std::function<void()>& action) {
    uirt::test::clear_popups();
    action();
    return shown();
}

bool all_near(const std::vector<double>& values, std::size_t n, double expected) {
    bool near = values.size() == n;
    for (double v : values) near = near && std::abs(v - expected) <= 1e-3;
    if (!near) {
        std::string text;
        for (double v : values) text += std::to_string(v) + " ";
        ADD_FAILURE() << "expected " << n << " readings near " << expected << ", got " << text;
    }
    return near;
}

std::vector<double> plotted() {
    const int n = uirt::test::plot_count(gu::main_panel, GRAPH);
    return n > 0 ? uirt::test::plot_y(gu::main_panel, GRAPH, n - 1) : std::vector<double>{};
}

bool idle_until_done(int limit) {
    for (int i = 0; i < limit && gu::measuring; ++i)
        if (!uirt::test::idle()) return false;
    return gu::measuring == 0;
}

void select_trigger_source(int item) {
    uirt::test::select_index(gu::trigger_panel, TRIG_SOURCE, item);
}

void fetch_after_trigger() {
    uirt::test::press(gu::trigger_wait_panel, ALL_TRIGGERS);
    // A reading takes one power-line cycle (20 ms) by default; the blocks here are short.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    uirt::test::press(gu::trigger_wait_panel, FETCH);
}

void let_the_reading_end() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void expect_still_working(const std::string& trace) {
    EXPECT_EQ(gu::measuring, 0);
    EXPECT_TRUE(uirt::test::idle()) << "no idle event reached the program";
    int samples = 0;
    gu::SampleCount(0, gu::MSG_GET, &samples);
    const int next = samples == 7 ? 8 : 7;
    Commands sent;
    const auto popups = shown_by([&] { sent = sent_by(trace, [&] { set_samples(next); }); });
    EXPECT_EQ(sent, Commands{"SAMP:COUN " + std::to_string(next)});
    EXPECT_TRUE(popups.empty()) << popups.front().title << ": " << popups.front().text;

    // A value the instrument refuses (-222) comes back through the automatic error query.
    constexpr int NULL_OFFSET = 11;  // math panel; the instrument takes -1e9 to 1e9
    const auto refused =
        shown_by([] { uirt::test::set_value(gu::math_panel, NULL_OFFSET, 2e9); });
    const auto device_error = std::find_if(refused.begin(), refused.end(), [](const Shown& p) {
        return p.title == "Device Error in vo_calcNullOffs" && p.text.rfind("Error -222: ", 0) == 0;
    });
    EXPECT_TRUE(device_error != refused.end()) << "an instrument error went unreported";
    set_samples(next);
}

}  // namespace faulttest
