// Faults injected on the simulated bus come back as statuses, without hangs.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "driver_fixture.hpp"

using namespace drvtest;
using Clock = std::chrono::steady_clock;

namespace {

std::chrono::milliseconds since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

}  // namespace

TEST(DriverFaults, FailingOpenIsReportedByInit) {
    use_bus(q7304_section("fault.open = fail\n"));
    ViSession vi = 77;
    const ViStatus status = voq7304_init(const_cast<ViRsrc>(kResource), VI_TRUE, VI_TRUE, &vi);
    EXPECT_LT(status, 0);
    EXPECT_EQ(vi, static_cast<ViSession>(VI_NULL));
}

TEST(DriverFaults, FailingWriteOfOneCommand) {
    use_bus(q7304_section("fault.write.fail = TRIG:COUN\n"));
    Session s;
    ASSERT_EQ(s.status, VI_SUCCESS);
    const ViStatus status = voq7304_trigCoun(s.vi, 3);
    EXPECT_LT(status, 0);
    EXPECT_NE(status, VOQ7304_ERROR_INSTR_ERROR_DETECTED);
    EXPECT_FALSE(message_of(s.vi, status).empty());
    EXPECT_LT(voq7304_trigger(s.vi, VOQ7304_TRIG_IMM, VI_TRUE, 0.0, 2, 2, 1), 0);
    EXPECT_EQ(voq7304_sampCoun(s.vi, 3), VI_SUCCESS);  // other commands go through
}

TEST(DriverFaults, ReadTimeoutEndsWithinTheTimeout) {
    use_bus(q7304_section("fault.read.timeout = TRIG:COUN?\n"));
    Session s;
    ASSERT_EQ(s.status, VI_SUCCESS);
    ASSERT_EQ(voq7304_timeOut(s.vi, 300), VI_SUCCESS);
    ViInt32 count = -1;
    const auto start = Clock::now();
    EXPECT_EQ(voq7304_trigCoun_Q(s.vi, &count), VI_ERROR_TMO);
    EXPECT_LT(since(start), std::chrono::milliseconds(3000));
    EXPECT_EQ(count, -1);
    ViInt32 samples = 0;
    EXPECT_EQ(voq7304_dcl(s.vi), VI_SUCCESS);
    EXPECT_EQ(voq7304_sampCoun_Q(s.vi, &samples), VI_SUCCESS);
    EXPECT_EQ(samples, 1);
}

TEST(DriverFaults, IdQueryTimeoutFailsInit) {
    use_bus(q7304_section("fault.read.timeout = *IDN?\n"));
    ViSession vi = 77;
    const auto start = Clock::now();
    EXPECT_EQ(voq7304_init(const_cast<ViRsrc>(kResource), VI_TRUE, VI_FALSE, &vi), VI_ERROR_TMO);
    EXPECT_LT(since(start), std::chrono::milliseconds(8000));
    EXPECT_EQ(vi, static_cast<ViSession>(VI_NULL));
}

TEST(DriverFaults, FailingSerialPollFailsTheErrorQueryAndTheStatusByte) {
    use_bus(q7304_section("fault.stb = fail\n"));
    Session s;
    ASSERT_EQ(s.status, VI_SUCCESS);
    ViUInt16 stb = 0;
    EXPECT_LT(voq7304_readStatusByte_Q(s.vi, &stb), 0);
    const ViStatus status = voq7304_trigCoun(s.vi, 2);
    EXPECT_LT(status, 0);
    EXPECT_NE(status, VOQ7304_ERROR_INSTR_ERROR_DETECTED);
    // Without the automatic error query the command itself goes through.
    ASSERT_EQ(voq7304_errorQueryDetect(s.vi, VI_FALSE), VI_SUCCESS);
    EXPECT_EQ(voq7304_trigCoun(s.vi, 2), VI_SUCCESS);
    ViInt32 count = 0;
    EXPECT_EQ(voq7304_trigCoun_Q(s.vi, &count), VI_SUCCESS);
    EXPECT_EQ(count, 2);
}
