// The reading memory and the NR3 text readings are returned in.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sim {

inline constexpr std::size_t memory_capacity = 4096;  // readings

// `v` as printf's "%+.9E" writes it ("+1.234567000E+00"), appended to `out`.
void append_nr3(std::string& out, double v);
std::string format_nr3(double v);

// The readings of the last block. Their FETCh? text (NR3, comma-separated) is kept as
// they come, so that fetching the same readings again does not format them again.
class ReadingMemory {
public:
    ReadingMemory() { values_.reserve(memory_capacity); }
    bool empty() const { return values_.empty(); }
    std::size_t size() const { return values_.size(); }
    void push_back(double v) { values_.push_back(v); }
    void clear();
    const std::string& text();

private:
    std::vector<double> values_;
    std::string text_;          // the first `formatted_` readings
    std::size_t formatted_ = 0;
};

}  // namespace sim
