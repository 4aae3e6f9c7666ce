// Triggering, timing, reading memory and math, observed through FETCh?, READ? and the status.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "instrument_test_support.hpp"

namespace sim::testing {
namespace {

using Codes = std::vector<int>;
using Clock = std::chrono::steady_clock;

Q7304Input quiet() {
    Q7304Input in;
    in.noise = 0.0;
    return in;
}

TEST(InstrumentMeasurement, FetchWaitsForTheBlockAndMavAppearsWhenItIsReady) {
    Bench b;
    // 5 readings of 20 ms (1 PLC at 50 Hz) plus 0.35 ms auto delay: about 100 ms.
    b.send("SAMP:COUN 5");
    const auto start = Clock::now();
    b.send("INIT;FETC?");
    EXPECT_EQ(b.dmm.status_byte() & 0x10, 0);
    std::string out;
    bool end = false;
    EXPECT_EQ(b.dmm.read(out, 1000, 20ms, end), Q7304::ReadResult::timeout);
    EXPECT_TRUE(out.empty());
    while ((b.dmm.status_byte() & 0x10) == 0) {
        ASSERT_LT(Clock::now() - start, 2s);
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_GE(Clock::now() - start, 100ms);
    const auto readings = split_readings(b.read(0ms));
    ASSERT_EQ(readings.size(), 5u);
    for (const double r : readings) EXPECT_NEAR(r, 1.234567, 10 * 3e-6);
}

TEST(InstrumentMeasurement, ShortTimeoutFetchSucceedsOnALaterRead) {
    Bench b;
    b.send("VOLT:NPLC 1;:SAMP:COUN 3");
    b.send("READ?");
    EXPECT_EQ(b.read(5ms), "<timeout>");
    const auto readings = split_readings(b.read(2000ms));
    EXPECT_EQ(readings.size(), 3u);
    EXPECT_TRUE(b.errors().empty());
}

TEST(InstrumentMeasurement, BusTriggerCountThreeNeedsThreeTriggers) {
    Bench b;
    b.send("VOLT:APER 0.0004;:TRIG:SOUR BUS;COUN 3;:SAMP:COUN 2");
    b.send("INIT");
    b.send("*TRG");
    b.dmm.trigger();
    std::this_thread::sleep_for(20ms);
    b.send("FETC?");
    EXPECT_EQ(b.read(30ms), "<timeout>");  // the third trigger is missing
    b.send("*TRG");                        // a command does not interrupt the waiting FETCh?
    const auto readings = split_readings(b.read(1000ms));
    EXPECT_EQ(readings.size(), 6u);
    // Beyond the trigger count, and without INIT, triggers are ignored.
    b.send("*TRG");
    EXPECT_EQ(b.errors(), Codes{-211});
}

TEST(InstrumentMeasurement, OpcAndWaiCompleteWithTheMeasurement) {
    Bench b;
    b.send("VOLT:APER 0.0004;:SAMP:COUN 20;*ESE 1");
    b.send("INIT;*OPC");
    EXPECT_EQ(b.dmm.status_byte() & 0x20, 0);
    EXPECT_EQ(b.query("*OPC?", 1000ms), "1");
    EXPECT_EQ(b.dmm.status_byte() & 0x20, 0x20);
    EXPECT_EQ(b.query("INIT;*WAI;:SAMP:COUN 2;:SAMP:COUN?"), "2");
    EXPECT_EQ(split_readings(b.query("FETC?")).size(), 20u);
}

TEST(InstrumentMeasurement, AbortKeepsTheReadingsTakenSoFar) {
    Bench b;
    b.send("VOLT:APER 0.01;:SAMP:COUN 100");
    b.send("INIT;FETC?");
    std::this_thread::sleep_for(60ms);
    b.send("ABOR");
    const auto readings = split_readings(b.read(100ms));
    EXPECT_GE(readings.size(), 2u);
    EXPECT_LT(readings.size(), 100u);
    EXPECT_EQ(split_readings(b.query("FETC?")), readings);

    // Nothing taken yet: the waiting FETCh? becomes -230.
    b.send("TRIG:SOUR EXT;:INIT;FETC?");
    EXPECT_EQ(b.read(20ms), "<timeout>");
    b.send("ABOR");
    EXPECT_EQ(b.read(20ms), "<timeout>");
    EXPECT_EQ(b.errors(), (Codes{-230, -420}));
    // A query sent while the reply still waits interrupts it.
    b.send("INIT;FETC?");
    EXPECT_EQ(b.query("TRIG:SOUR?"), "EXT");
    EXPECT_EQ(b.errors(), Codes{-410});
    b.send("INIT");
    EXPECT_EQ(b.errors(), Codes{-213});
}

TEST(InstrumentMeasurement, ReadingMemoryHolds4096Readings) {
    Bench b;
    b.send("VOLT:APER 0.0004;:TRIG:DEL 0;:TRIG:COUN 64;:SAMP:COUN 64");
    const auto readings = split_readings(b.query("READ?", 5000ms));
    EXPECT_EQ(readings.size(), 4096u);
    b.send("SAMP:COUN 65;:INIT");
    EXPECT_EQ(b.errors(), Codes{-223});
    EXPECT_EQ(split_readings(b.query("FETC?")).size(), 4096u);  // memory untouched
    b.send("*RST");
    EXPECT_EQ(split_readings(b.query("FETC?")).size(), 4096u);
    // A long delay or aperture does not slow down calls that do not wait.
    b.send("TRIG:DEL 2000;:VOLT:APER 2;:INIT;FETC?");
    const auto start = Clock::now();
    EXPECT_EQ(b.read(0ms), "<timeout>");
    EXPECT_EQ(b.dmm.status_byte() & 0x10, 0);
    EXPECT_LT(Clock::now() - start, 100ms);
}

TEST(InstrumentMeasurement, ReadingsFollowTheFunctionAndOverload) {
    Q7304Input in = quiet();
    in.resistance = 4700;
    in.curr_dc = 0.05;
    Bench b(in);
    b.send("VOLT:APER 0.0004;:VOLT:AC:APER 0.0004;:CURR:APER 0.0004;:RES:APER 0.0004");
    b.send("CURR:AC:RANG 1");  // AC current takes 1 PLC
    EXPECT_DOUBLE_EQ(b.number("MEAS:VOLT?"), 1.234567);
    EXPECT_DOUBLE_EQ(b.number("MEAS:VOLT:AC?"), 0.707);
    EXPECT_DOUBLE_EQ(b.number("MEAS:CURR?"), 0.05);
    EXPECT_DOUBLE_EQ(b.number("MEAS:RES?"), 4700);
    EXPECT_DOUBLE_EQ(b.number("MEAS:FRES?"), 4700);
    b.send("FREQ:APER 0.01;:PER:APER 0.01");
    EXPECT_DOUBLE_EQ(b.number("MEAS:FREQ?"), 1000);
    EXPECT_DOUBLE_EQ(b.number("MEAS:PER?"), 0.001);
    EXPECT_DOUBLE_EQ(b.number("MEAS:VOLT:RAT?"), 0.5);
    // Above 120 % of a fixed range: overload with the function's questionable bit.
    EXPECT_EQ(b.query("MEAS:RES? 1000"), "+9.900000000E+37");
    EXPECT_EQ(b.query("STAT:QUES:COND?"), std::to_string(1 << 9));
    EXPECT_EQ(b.query("MEAS:CURR? 0.01"), "+9.900000000E+37");
    EXPECT_EQ(b.query("STAT:QUES:COND?"), std::to_string(1 << 1));
    EXPECT_DOUBLE_EQ(b.number("MEAS:VOLT? 10"), 1.234567);
    EXPECT_EQ(b.query("STAT:QUES:COND?"), "0");
    EXPECT_EQ(b.query("STAT:QUES?"), std::to_string((1 << 9) | (1 << 1)));
    EXPECT_TRUE(b.errors().empty());
}

TEST(InstrumentMeasurement, NoiseIsBoundedByTheResolutionAndSeeded) {
    // Readings show the resolution's digit: within the noise and half a digit.
    Q7304Input in;
    in.noise = 2.0;
    Bench first(in);
    Bench second(in);
    const char* setup = "VOLT:APER 0.0004;:VOLT:RES 1e-4;:SAMP:COUN 50";
    first.send(setup);
    second.send(setup);
    const auto a = split_readings(first.query("READ?"));
    const auto c = split_readings(second.query("READ?"));
    ASSERT_EQ(a.size(), 50u);
    EXPECT_EQ(a, c);
    double spread = 0;
    for (const double r : a) {
        EXPECT_LE(std::abs(r - 1.234567), 2e-4 + 0.5e-4 + 1e-12);
        EXPECT_NEAR(r * 1e4, std::round(r * 1e4), 1e-6);
        spread = std::max(spread, std::abs(r - 1.234567));
    }
    EXPECT_GT(spread, 1e-5);
}

TEST(InstrumentMeasurement, NullAndStatisticsApplyToEachReading) {
    Bench b(quiet());
    b.send("VOLT:APER 0.0004;:CALC:NULL:OFFS 0.234567;:CALC:STAT ON");
    EXPECT_NEAR(b.number("READ?"), 1.0, 1e-9);

    Q7304Input in;
    in.noise = 1.0;
    Bench s(in);
    s.send("VOLT:APER 0.0004;:VOLT:RES 1e-4;:SAMP:COUN 10;:CALC:FUNC AVER;:CALC:STAT ON");
    const auto readings = split_readings(s.query("READ?"));
    ASSERT_EQ(readings.size(), 10u);
    double lo = readings[0], hi = readings[0], sum = 0;
    for (const double r : readings) lo = std::min(lo, r), hi = std::max(hi, r), sum += r;
    EXPECT_EQ(s.query("CALC:AVER:COUN?"), "10");
    EXPECT_NEAR(s.number("CALC:AVER:MIN?"), lo, 1e-9);
    EXPECT_NEAR(s.number("CALC:AVER:MAX?"), hi, 1e-9);
    EXPECT_NEAR(s.number("CALC:AVER:AVER?"), sum / 10, 1e-9);
    s.query("READ?");
    EXPECT_EQ(s.query("CALC:AVER:COUN?"), "20");
    // Switching math on again starts the statistics afresh.
    s.send("CALC:STAT OFF;STAT ON");
    EXPECT_EQ(s.query("CALC:AVER:COUN?"), "0");
    s.send("CALC:STAT OFF");
    s.query("READ?");
    EXPECT_EQ(s.query("CALC:AVER:COUN?"), "0");  // readings without math do not count
}

TEST(InstrumentMeasurement, LimitTestSetsQuestionableBits) {
    Bench b(quiet());
    b.send("VOLT:APER 0.0004;:CALC:FUNC LIM;:CALC:LIM:LOW 1.5;:CALC:LIM:UPP 2;:CALC:STAT ON");
    EXPECT_DOUBLE_EQ(b.number("READ?"), 1.234567);
    EXPECT_EQ(b.query("STAT:QUES:COND?"), std::to_string(1 << 11));
    b.send("CALC:LIM:LOW 0;:CALC:LIM:UPP 1");
    b.query("READ?");
    EXPECT_EQ(b.query("STAT:QUES:COND?"), std::to_string(1 << 12));
    b.send("CALC:LIM:UPP 5");
    b.query("READ?");
    EXPECT_EQ(b.query("STAT:QUES:COND?"), "0");
    EXPECT_EQ(b.query("STAT:QUES:EVEN?"), std::to_string((1 << 11) | (1 << 12)));
}

TEST(InstrumentMeasurement, DbmAndDbUseTheReferences) {
    Bench b(quiet());
    b.send("VOLT:APER 0.0004;:CALC:FUNC DBM;:CALC:DBM:REF 50;:CALC:STAT ON");
    const double dbm = 10 * std::log10(1.234567 * 1.234567 / 50 / 1e-3);
    EXPECT_NEAR(b.number("READ?"), dbm, 1e-6);
    b.send("CALC:FUNC DB;:CALC:DB:REF 10");
    EXPECT_NEAR(b.number("READ?"), dbm - 10, 1e-6);
}

}  // namespace
}  // namespace sim::testing
