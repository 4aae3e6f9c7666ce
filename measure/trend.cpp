#include "trend.hpp"

#include <algorithm>

namespace gu {

namespace {

using Clock = std::chrono::steady_clock;

struct Stored {
    TrendPoint point;
    int trace;  // TrendTrace::number
};

struct Trend {
    std::vector<Stored> ring = std::vector<Stored>(TREND_CAPACITY);  // allocated once
    std::size_t head = 0;   // oldest
    std::size_t size = 0;
    std::size_t added = 0;  // since the clear
    std::vector<TrendTrace> traces;
    Clock::time_point steady_start{};
    WallTime wall_start{};
};

Trend& trend() {
    static Trend t;
    return t;
}

const Stored& at(const Trend& t, std::size_t i) {  // i-th kept, oldest first
    return t.ring[(t.head + i) % TREND_CAPACITY];
}

void drop_oldest(Trend& t) {
    const int number = t.ring[t.head].trace;
    t.head = (t.head + 1) % TREND_CAPACITY;
    --t.size;
    auto& first = t.traces.front();
    if (first.number == number) {
        ++first.first;
        if (--first.count == 0) t.traces.erase(t.traces.begin());
    }
}

WallTime wall_time_of(Clock::time_point taken) {
    return std::chrono::system_clock::now() -
           std::chrono::duration_cast<std::chrono::system_clock::duration>(Clock::now() - taken);
}

}  // namespace

void trend_add(const double* values, int count, int function_code, const std::string& unit,
               Clock::time_point taken) {
    Trend& t = trend();
    if (count <= 0) return;
    if (t.added == 0) {
        t.steady_start = taken;
        t.wall_start = wall_time_of(taken);
    }
    if (t.traces.empty() || t.traces.back().function_code != function_code ||
        t.traces.back().unit != unit) {
        TrendTrace trace;
        trace.number = t.traces.empty() ? 1 : t.traces.back().number + 1;
        trace.function_code = function_code;
        trace.unit = unit;
        trace.settings = take_snapshot();
        trace.start = wall_time_of(taken);
        trace.first = t.added;
        t.traces.push_back(std::move(trace));
    }
    const double seconds = std::chrono::duration<double>(taken - t.steady_start).count();
    for (int i = 0; i < count; ++i) {
        if (t.size == TREND_CAPACITY) drop_oldest(t);
        t.ring[(t.head + t.size) % TREND_CAPACITY] = {{seconds, values[i]}, t.traces.back().number};
        ++t.size;
        ++t.added;
        ++t.traces.back().count;
    }
}

void trend_clear() {
    Trend& t = trend();
    t.head = t.size = t.added = 0;
    t.traces.clear();
}

std::size_t trend_size() {
    return trend().size;
}

const std::vector<TrendTrace>& trend_traces() {
    return trend().traces;
}

WallTime trend_start() {
    return trend().wall_start;
}

std::vector<TrendPoint> trend_points(std::size_t n) {
    std::vector<TrendPoint> out;
    trend_points(n, out);
    return out;
}

void trend_points(std::size_t n, std::vector<TrendPoint>& out) {
    const Trend& t = trend();
    out.clear();
    if (n >= t.traces.size()) return;
    const TrendTrace& trace = t.traces[n];
    out.reserve(trace.count);
    // A trace's readings are consecutive: it starts after every earlier trace's kept ones.
    std::size_t offset = 0;
    for (std::size_t i = 0; i < n; ++i) offset += t.traces[i].count;
    std::size_t from = (t.head + offset) % TREND_CAPACITY, left = trace.count;
    while (left > 0) {  // at most two runs of the ring
        const std::size_t run = std::min(left, TREND_CAPACITY - from);
        for (std::size_t i = from; i < from + run; ++i) out.push_back(t.ring[i].point);
        left -= run;
        from = 0;
    }
}

void trend_runs(const std::vector<TrendPoint>& points, std::vector<std::size_t>& starts) {
    starts.assign(1, 0);
    // The readings of a block share one time: only the steps between times count.
    static std::vector<double> steps;
    steps.clear();
    for (std::size_t i = 1; i < points.size(); ++i)
        if (points[i].seconds > points[i - 1].seconds)
            steps.push_back(points[i].seconds - points[i - 1].seconds);
    if (steps.size() < 2) return;
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    const double gap = TREND_GAP_INTERVALS * *middle;
    for (std::size_t i = 1; i < points.size(); ++i)
        if (points[i].seconds - points[i - 1].seconds > gap) starts.push_back(i);
}

std::vector<TrendRow> trend_rows() {
    const Trend& t = trend();
    std::vector<TrendRow> rows;
    rows.reserve(t.size);
    std::size_t trace = 0;
    std::size_t left = t.traces.empty() ? 0 : t.traces.front().count;
    const std::size_t first_index = t.added - t.size + 1;
    for (std::size_t i = 0; i < t.size; ++i) {
        while (left == 0 && trace + 1 < t.traces.size()) left = t.traces[++trace].count;
        rows.push_back({first_index + i, at(t, i).point, trace});
        --left;
    }
    return rows;
}

}  // namespace gu
