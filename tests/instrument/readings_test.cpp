// The readings' NR3 text against printf's "%+.9E", which defines it, and the kept text
// following the reading memory.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>

#include "instrument_test_support.hpp"
#include "readings.hpp"

namespace sim::testing {
namespace {

std::string printf_nr3(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+.9E", v);
    return buf;
}

TEST(InstrumentReadings, TextIsPrintfsNr3ForEveryKindOfValue) {
    std::vector<double> values = {0.0, -0.0, 9.9e37, -9.9e37, 1.0, -1.234567, 0.0012,
                                  12345678905.0, 12345678915.0,  // ties: to even
                                  9.9999999995, -9.99999999949, 1e-300, 5e-324, 1e100,
                                  -1.7976931348623157e308, INFINITY, NAN};
    std::mt19937_64 rng(24);
    while (values.size() < 6000) {
        const double v = std::bit_cast<double>(rng());
        if (std::isfinite(v)) values.push_back(v);
        values.push_back(std::ldexp(static_cast<double>(rng() % 2000001) - 1e6, -20));
    }
    ReadingMemory memory;
    std::string expected;
    for (std::size_t i = 0; i < values.size(); ++i) {
        memory.push_back(values[i]);
        expected += (i > 0 ? "," : "") + printf_nr3(values[i]);
        if (i == 100) {
            ASSERT_EQ(memory.text(), expected);  // kept, then extended
        }
    }
    EXPECT_EQ(memory.text(), expected);
    EXPECT_EQ(format_nr3(-0.5), "-5.000000000E-01");
    memory.clear();
    memory.push_back(2.5);
    EXPECT_EQ(memory.text(), "+2.500000000E+00");
}

TEST(InstrumentReadings, FetchReturnsTheLatestBlockEachTime) {
    Bench b;
    b.send("VOLT:APER 0.0004;:TRIG:DEL 0;:SAMP:COUN 5");
    const std::string five = b.query("READ?");
    EXPECT_EQ(split_readings(five).size(), 5u);
    EXPECT_EQ(b.query("FETC?"), five);
    b.send("SAMP:COUN 3");
    const std::string three = b.query("READ?");
    EXPECT_EQ(split_readings(three).size(), 3u);
    EXPECT_EQ(b.query("FETC?;FETC?"), three + ";" + three);
}

}  // namespace
}  // namespace sim::testing
