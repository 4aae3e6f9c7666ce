// Opening, identification, reset, revision, self-test and time-out through the C API.
#include <gtest/gtest.h>

#include <cstring>

#include "driver_fixture.hpp"

using namespace drvtest;

TEST(DriverSession, InitWithIdQueryAndResetRestoresDefaults) {
    {
        Session first(kResource, VI_FALSE, VI_FALSE);
        ASSERT_EQ(first.status, VI_SUCCESS);
        ASSERT_NE(first.vi, VI_NULL);
        ASSERT_EQ(voq7304_trigCoun(first.vi, 5), VI_SUCCESS);
    }
    {
        Session kept(kResource, VI_FALSE, VI_FALSE);  // no reset: the instrument keeps 5
        ASSERT_EQ(kept.status, VI_SUCCESS);
        ViInt32 count = 0;
        ASSERT_EQ(voq7304_trigCoun_Q(kept.vi, &count), VI_SUCCESS);
        EXPECT_EQ(count, 5);
    }
    Session reset(kResource, VI_TRUE, VI_TRUE);
    ASSERT_EQ(reset.status, VI_SUCCESS);
    ViInt32 count = 0;
    ASSERT_EQ(voq7304_trigCoun_Q(reset.vi, &count), VI_SUCCESS);
    EXPECT_EQ(count, 1);

    ViInt32 ms = 0;
    ASSERT_EQ(voq7304_timeOut_Q(reset.vi, &ms), VI_SUCCESS);
    EXPECT_EQ(ms, 5000);
    ViBoolean detect = VI_FALSE;
    ASSERT_EQ(voq7304_errorQueryDetect_Q(reset.vi, &detect), VI_SUCCESS);
    EXPECT_EQ(detect, VI_TRUE);
}

TEST(DriverSession, InitOnAMissingResourceFailsAndLeavesNoSession) {
    ViSession vi = 1234;
    const ViStatus status =
        voq7304_init(const_cast<ViRsrc>("VXI0::99::INSTR"), VI_TRUE, VI_FALSE, &vi);
    EXPECT_LT(status, 0);
    EXPECT_EQ(vi, static_cast<ViSession>(VI_NULL));
    EXPECT_FALSE(message_of(VI_NULL, status).empty());
}

TEST(DriverSession, IdQueryRejectsAnotherInstrument) {
    use_bus(q7304_section() +
            "[GPIB0::9::INSTR]\ninterface = gpib\nq7304 = no\n"
            "idn = OTHER-MAKER,DMM9,1,1.0\n");
    ViSession vi = 1234;
    EXPECT_EQ(voq7304_init(const_cast<ViRsrc>("GPIB0::9::INSTR"), VI_TRUE, VI_FALSE, &vi),
              VOQ7304_ERROR_FAIL_ID_QUERY);
    EXPECT_EQ(vi, static_cast<ViSession>(VI_NULL));
    // Without the ID query the same device opens.
    Session plain("GPIB0::9::INSTR", VI_FALSE, VI_FALSE);
    EXPECT_EQ(plain.status, VI_SUCCESS);
    Session q7304(kResource, VI_TRUE, VI_FALSE);
    EXPECT_EQ(q7304.status, VI_SUCCESS);
}

TEST(DriverSession, RevisionSelfTestAndTimeout) {
    Session s;
    ASSERT_EQ(s.status, VI_SUCCESS);
    ViChar driver[80] = {}, instrument[80] = {};
    ASSERT_EQ(voq7304_revision_query(s.vi, driver, instrument), VI_SUCCESS);
    EXPECT_STREQ(driver, "1.0.0");
    EXPECT_STREQ(instrument, "A.02.01");

    ViInt16 result = -1;
    ViChar message[80] = {};
    ASSERT_EQ(voq7304_self_test(s.vi, &result, message), VI_SUCCESS);
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(message, "Self test passed");

    ASSERT_EQ(voq7304_timeOut(s.vi, 1234), VI_SUCCESS);
    ViInt32 ms = 0;
    ASSERT_EQ(voq7304_timeOut_Q(s.vi, &ms), VI_SUCCESS);
    EXPECT_EQ(ms, 1234);
    EXPECT_EQ(voq7304_timeOut(s.vi, -7), VOQ7304_ERROR_PARAMETER2);

    ASSERT_EQ(voq7304_reset(s.vi), VI_SUCCESS);
    ASSERT_EQ(voq7304_dcl(s.vi), VI_SUCCESS);
    ViBoolean done = VI_FALSE;
    ASSERT_EQ(voq7304_opc_Q(s.vi, &done), VI_SUCCESS);
    EXPECT_EQ(done, VI_TRUE);
    EXPECT_EQ(voq7304_opc(s.vi), VI_SUCCESS);
    EXPECT_EQ(voq7304_wai(s.vi), VI_SUCCESS);
}

TEST(DriverSession, CloseEndsTheSession) {
    ViSession vi = VI_NULL;
    ASSERT_EQ(voq7304_init(const_cast<ViRsrc>(kResource), VI_FALSE, VI_FALSE, &vi), VI_SUCCESS);
    ASSERT_EQ(voq7304_close(vi), VI_SUCCESS);
    ViInt32 count = 0;
    EXPECT_LT(voq7304_trigCoun_Q(vi, &count), 0);
}
