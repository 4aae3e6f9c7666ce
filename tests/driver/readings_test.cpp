// Measurements, fetches into bounded buffers, timed fetches, triggers and event registers.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "driver_fixture.hpp"

using namespace drvtest;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kOverload = 9.9e37;

// Polls the status byte until a reply is waiting (MAV), as the program does on idle events.
bool wait_for_reply(ViSession vi) {
    const auto give_up = Clock::now() + std::chrono::seconds(5);
    for (ViUInt16 stb = 0; Clock::now() < give_up;) {
        if (voq7304_readStatusByte_Q(vi, &stb) != VI_SUCCESS) return false;
        if (stb & 0x10) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

class DriverReadings : public ::testing::Test {
protected:
    void SetUp() override {
        use_bus(q7304_section("input.volt_dc = 2.5\ninput.resistance = 470\n"));
        session = std::make_unique<Session>();
        ASSERT_EQ(session->status, VI_SUCCESS);
        vi = session->vi;
    }
    std::unique_ptr<Session> session;
    ViSession vi = VI_NULL;
};

}  // namespace

TEST_F(DriverReadings, MeasureReadAndFetchGiveTheSimulatedInput) {
    double reading = 0.0;
    ASSERT_EQ(voq7304_measVoltDc_Q(vi, &reading), VI_SUCCESS);
    EXPECT_NEAR(reading, 2.5, 1e-3);
    ASSERT_EQ(voq7304_measure_Q(vi, VOQ7304_FUNC_RES_2W, &reading), VI_SUCCESS);
    EXPECT_NEAR(reading, 470.0, 0.1);
    ASSERT_EQ(voq7304_measRes_Q(vi, &reading), VI_SUCCESS);
    EXPECT_NEAR(reading, 470.0, 0.1);
    ASSERT_EQ(voq7304_confVoltDc(vi), VI_SUCCESS);
    ASSERT_EQ(voq7304_read_Q(vi, &reading), VI_SUCCESS);
    EXPECT_NEAR(reading, 2.5, 1e-3);

    ASSERT_EQ(voq7304_sampCoun(vi, 3), VI_SUCCESS);
    ASSERT_EQ(voq7304_initImm(vi), VI_SUCCESS);
    std::array<double, 8> readings{};
    ViInt32 count = readings.size();
    ASSERT_EQ(voq7304_fetc_Q(vi, readings.data(), &count), VI_SUCCESS);
    ASSERT_EQ(count, 3);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(readings[i], 2.5, 1e-3);
}

TEST_F(DriverReadings, FetchNeverWritesMoreThanTheBufferHolds) {
    ASSERT_EQ(voq7304_trigger(vi, VOQ7304_TRIG_IMM, VI_TRUE, 0.0, 1, 4, 1), VI_SUCCESS);
    std::array<double, 4> buffer{-1.0, 111.0, 222.0, 333.0};
    ViInt32 count = 1;
    ASSERT_EQ(voq7304_timedFetch_Q(vi, 2000, buffer.data(), &count), VI_SUCCESS);
    EXPECT_EQ(count, 1);
    EXPECT_NEAR(buffer[0], 2.5, 1e-3);
    EXPECT_EQ(buffer[1], 111.0);
    EXPECT_EQ(buffer[2], 222.0);
    EXPECT_EQ(buffer[3], 333.0);
    // The rest of the reply was read and dropped: the next query gets its own answer.
    ViInt32 samples = 0;
    ASSERT_EQ(voq7304_sampCoun_Q(vi, &samples), VI_SUCCESS);
    EXPECT_EQ(samples, 4);
    ViInt16 source = -1, initiated = -1;
    ViBoolean automatic = 0;
    double delay = 0;
    ViInt32 trig = 0;
    ASSERT_EQ(voq7304_trigger_Q(vi, &source, &automatic, &delay, &trig, &samples, &initiated),
              VI_SUCCESS);
    EXPECT_EQ(initiated, 1);
}

TEST_F(DriverReadings, TimedFetchTimesOutAndRestoresTheSessionTimeout) {
    ASSERT_EQ(voq7304_systLfr(vi, 50), VI_SUCCESS);
    ASSERT_EQ(voq7304_voltDcNplc(vi, 10.0), VI_SUCCESS);  // 0.2 s a reading
    ASSERT_EQ(voq7304_trigCoun(vi, 5), VI_SUCCESS);
    ASSERT_EQ(voq7304_initImm(vi), VI_SUCCESS);
    std::array<double, 5> readings{};
    ViInt32 count = readings.size();
    const auto start = Clock::now();
    EXPECT_EQ(voq7304_timedFetch_Q(vi, 100, readings.data(), &count), VI_ERROR_TMO);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(90));
    EXPECT_LT(waited, std::chrono::milliseconds(800));
    ViInt32 ms = 0;
    ASSERT_EQ(voq7304_timeOut_Q(vi, &ms), VI_SUCCESS);
    EXPECT_EQ(ms, 5000);

    // As the program finishes a timed-out measurement: wait for the reply, device clear,
    // then fetch the reading memory.
    ASSERT_TRUE(wait_for_reply(vi));
    ASSERT_EQ(voq7304_dcl(vi), VI_SUCCESS);
    count = readings.size();
    ASSERT_EQ(voq7304_fetc_Q(vi, readings.data(), &count), VI_SUCCESS);
    EXPECT_EQ(count, 5);
    EXPECT_NEAR(readings[4], 2.5, 1e-3);
}

TEST_F(DriverReadings, FullReadingMemoryIn4096Readings) {
    ASSERT_EQ(voq7304_voltDcAper(vi, 0.0004), VI_SUCCESS);
    ASSERT_EQ(voq7304_trigger(vi, VOQ7304_TRIG_IMM, VI_TRUE, 0.0, 64, 64, 1), VI_SUCCESS);
    std::vector<double> readings(4097, -7.0);
    ViInt32 count = 4096;
    ASSERT_EQ(voq7304_fetc_Q(vi, readings.data(), &count), VI_SUCCESS);
    ASSERT_EQ(count, 4096);
    for (int i = 0; i < 4096; ++i) ASSERT_NEAR(readings[i], 2.5, 1e-2) << i;
    EXPECT_EQ(readings[4096], -7.0);
}

TEST_F(DriverReadings, BusTriggerStartsTheReadings) {
    ASSERT_EQ(voq7304_trigger(vi, VOQ7304_TRIG_BUS, VI_TRUE, 0.0, 2, 1, 1), VI_SUCCESS);
    std::array<double, 2> readings{};
    ViInt32 count = readings.size();
    EXPECT_EQ(voq7304_timedFetch_Q(vi, 100, readings.data(), &count), VI_ERROR_TMO);
    ASSERT_EQ(voq7304_trg(vi), VI_SUCCESS);
    ASSERT_EQ(voq7304_trg(vi), VI_SUCCESS);
    ASSERT_TRUE(wait_for_reply(vi));
    ASSERT_EQ(voq7304_dcl(vi), VI_SUCCESS);
    count = readings.size();
    ASSERT_EQ(voq7304_fetc_Q(vi, readings.data(), &count), VI_SUCCESS);
    EXPECT_EQ(count, 2);
    ViUInt16 stb = 0xFFFF;
    ASSERT_EQ(voq7304_readStatusByte_Q(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x14, 0);  // nothing queued, no reply waiting
}

TEST_F(DriverReadings, AbortEndsAWaitingMeasurement) {
    ASSERT_EQ(voq7304_trigger(vi, VOQ7304_TRIG_EXT, VI_TRUE, 0.0, 1, 1, 1), VI_SUCCESS);
    ASSERT_EQ(voq7304_abor(vi), VI_SUCCESS);
    ViBoolean done = VI_FALSE;
    ASSERT_EQ(voq7304_opc_Q(vi, &done), VI_SUCCESS);
    EXPECT_EQ(done, VI_TRUE);
}

TEST_F(DriverReadings, OverloadSetsConditionAndLatchedEventBits) {
    ASSERT_EQ(voq7304_voltDcRang(vi, VI_FALSE, 0.1), VI_SUCCESS);
    double reading = 0.0;
    ASSERT_EQ(voq7304_read_Q(vi, &reading), VI_SUCCESS);
    EXPECT_EQ(reading, kOverload);
    ViInt32 value = -1;
    ASSERT_EQ(voq7304_statCond_Q(vi, VOQ7304_QUES_VOLT, &value), VI_SUCCESS);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(voq7304_statCond_Q(vi, VOQ7304_QUES_RES, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0);
    // Reading another selector's event first does not lose the voltage event.
    ASSERT_EQ(voq7304_statEven_Q(vi, VOQ7304_QUES_RES, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0);
    ASSERT_EQ(voq7304_statEven_Q(vi, VOQ7304_QUES_VOLT, &value), VI_SUCCESS);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(voq7304_statEven_Q(vi, VOQ7304_QUES_VOLT, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0);  // reported once

    ASSERT_EQ(voq7304_read_Q(vi, &reading), VI_SUCCESS);
    ASSERT_EQ(voq7304_statEvenClr(vi), VI_SUCCESS);
    ASSERT_EQ(voq7304_statEven_Q(vi, VOQ7304_QUES_VOLT, &value), VI_SUCCESS);
    EXPECT_EQ(value, 0);
}

TEST_F(DriverReadings, MathStatisticsOverABlock) {
    ASSERT_EQ(voq7304_calcFunc(vi, VOQ7304_CALC_AVER), VI_SUCCESS);
    ASSERT_EQ(voq7304_calcStat(vi, VI_TRUE), VI_SUCCESS);
    ASSERT_EQ(voq7304_trigger(vi, VOQ7304_TRIG_IMM, VI_TRUE, 0.0, 1, 10, 1), VI_SUCCESS);
    std::array<double, 10> readings{};
    ViInt32 count = readings.size();
    ASSERT_EQ(voq7304_fetc_Q(vi, readings.data(), &count), VI_SUCCESS);
    ViInt32 n = 0;
    double minimum = 0, maximum = 0, average = 0;
    ASSERT_EQ(voq7304_calcAverCoun_Q(vi, &n), VI_SUCCESS);
    ASSERT_EQ(voq7304_calcAverMin_Q(vi, &minimum), VI_SUCCESS);
    ASSERT_EQ(voq7304_calcAverMax_Q(vi, &maximum), VI_SUCCESS);
    ASSERT_EQ(voq7304_calcAverAver_Q(vi, &average), VI_SUCCESS);
    EXPECT_EQ(n, 10);
    EXPECT_LE(minimum, average);
    EXPECT_LE(average, maximum);
    EXPECT_NEAR(average, 2.5, 1e-3);
}
