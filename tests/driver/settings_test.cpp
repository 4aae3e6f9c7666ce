// Every setter and its query, round trip through the simulated instrument.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "driver_fixture.hpp"

using namespace drvtest;

namespace {

struct RealSetting {
    const char* name;
    ViStatus (*set)(ViSession, ViReal64);
    ViStatus (*get)(ViSession, ViPReal64);
    double value;
};

struct RangeSetting {
    const char* name;
    ViStatus (*set)(ViSession, ViBoolean, ViReal64);
    ViStatus (*get)(ViSession, ViPBoolean, ViPReal64);
    double range;
};

#define REAL(op, v)                            \
    RealSetting {                              \
#op, voq7304_##op, voq7304_##op##_Q, v \
    }
#define RANGE(op, v)                           \
    RangeSetting {                             \
#op, voq7304_##op, voq7304_##op##_Q, v \
    }

bool near(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::fmax(1.0, std::fabs(b));
}

class DriverSettings : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(s.status, VI_SUCCESS); }
    void expect_queue_empty() { EXPECT_EQ(next_error(s.vi), "0 No error"); }
    Session s;
};

}  // namespace

TEST_F(DriverSettings, RealSettingsRoundTrip) {
    const RealSetting settings[] = {
        REAL(voltDcRes, 1e-5),  REAL(voltAcRes, 1e-4),     REAL(currDcRes, 1e-7),
        REAL(currAcRes, 3e-5),  REAL(resRes, 0.01),        REAL(voltDcAper, 0.02),
        REAL(voltAcAper, 0.2),  REAL(currDcAper, 0.003),   REAL(resAper, 0.1),
        REAL(freqAper, 1.0),    REAL(perAper, 0.01),       REAL(voltDcNplc, 10.0),
        REAL(voltAcNplc, 0.2),  REAL(currDcNplc, 100.0),   REAL(resNplc, 0.02),
        REAL(detBand, 200.0),   REAL(calcNullOffs, -0.25), REAL(calcLimLow, -1.5),
        REAL(calcLimUpp, 2.75), REAL(calcDbmRef, 50.0),    REAL(calcDbRef, -20.0),
    };
    for (const auto& setting : settings) {
        SCOPED_TRACE(setting.name);
        ASSERT_EQ(setting.set(s.vi, setting.value), VI_SUCCESS);
        double read = -12345.0;
        ASSERT_EQ(setting.get(s.vi, &read), VI_SUCCESS);
        EXPECT_TRUE(near(read, setting.value)) << read;
    }
    expect_queue_empty();
}

TEST_F(DriverSettings, ApertureAndNplcFollowEachOtherAtTheLineFrequency) {
    ASSERT_EQ(voq7304_systLfr(s.vi, 60), VI_SUCCESS);
    ASSERT_EQ(voq7304_voltDcNplc(s.vi, 10.0), VI_SUCCESS);
    double aperture = 0.0;
    ASSERT_EQ(voq7304_voltDcAper_Q(s.vi, &aperture), VI_SUCCESS);
    EXPECT_TRUE(near(aperture, 10.0 / 60.0)) << aperture;
    ViInt16 hz = 0;
    ASSERT_EQ(voq7304_systLfr_Q(s.vi, &hz), VI_SUCCESS);
    EXPECT_EQ(hz, 60);
    ASSERT_EQ(voq7304_calLfr(s.vi, 400), VI_SUCCESS);
    ASSERT_EQ(voq7304_calLfr_Q(s.vi, &hz), VI_SUCCESS);
    EXPECT_EQ(hz, 400);
    ASSERT_EQ(voq7304_voltDcAper_Q(s.vi, &aperture), VI_SUCCESS);
    EXPECT_TRUE(near(aperture, 10.0 / 400.0)) << aperture;  // NPLC kept, aperture follows
    double integration = 0.0;
    ASSERT_EQ(voq7304_calInt_Q(s.vi, VOQ7304_FUNC_VOLT_DC, &integration), VI_SUCCESS);
    EXPECT_TRUE(near(integration, aperture));
}

TEST_F(DriverSettings, RangesManualAndAuto) {
    const RangeSetting ranges[] = {
        RANGE(voltDcRang, 10.0),   RANGE(voltAcRang, 100.0), RANGE(currDcRang, 0.1),
        RANGE(currAcRang, 3.0),    RANGE(resRang, 1e4),      RANGE(freqVoltRang, 1.0),
        RANGE(perVoltRang, 300.0),
    };
    for (const auto& setting : ranges) {
        SCOPED_TRACE(setting.name);
        ASSERT_EQ(setting.set(s.vi, VI_FALSE, setting.range), VI_SUCCESS);
        ViBoolean automatic = VI_TRUE;
        double range = 0.0;
        ASSERT_EQ(setting.get(s.vi, &automatic, &range), VI_SUCCESS);
        EXPECT_EQ(automatic, VI_FALSE);
        EXPECT_TRUE(near(range, setting.range)) << range;
        // Auto range ignores the value passed with it.
        ASSERT_EQ(setting.set(s.vi, VI_TRUE, -1.0), VI_SUCCESS);
        ASSERT_EQ(setting.get(s.vi, &automatic, &range), VI_SUCCESS);
        EXPECT_EQ(automatic, VI_TRUE);
    }
    // The smallest range at or above the value.
    ASSERT_EQ(voq7304_voltDcRang(s.vi, VI_FALSE, 0.5), VI_SUCCESS);
    ViBoolean automatic = VI_TRUE;
    double range = 0.0;
    ASSERT_EQ(voq7304_voltDcRang_Q(s.vi, &automatic, &range), VI_SUCCESS);
    EXPECT_TRUE(near(range, 1.0));
    expect_queue_empty();
}

TEST_F(DriverSettings, CodedSettingsRoundTripEveryCode) {
    for (ViInt16 source = 0; source <= 10; ++source) {
        ASSERT_EQ(voq7304_trigSour(s.vi, source), VI_SUCCESS);
        ViInt16 read = -1;
        ASSERT_EQ(voq7304_trigSour_Q(s.vi, &read), VI_SUCCESS);
        EXPECT_EQ(read, source);
    }
    for (ViInt16 function = 0; function <= 4; ++function) {
        ASSERT_EQ(voq7304_calcFunc(s.vi, function), VI_SUCCESS);
        ViInt16 read = -1;
        ASSERT_EQ(voq7304_calcFunc_Q(s.vi, &read), VI_SUCCESS);
        EXPECT_EQ(read, function);
    }
    for (ViInt16 function = 0; function <= 8; ++function) {
        ASSERT_EQ(voq7304_func(s.vi, function), VI_SUCCESS);
        ViInt16 read = -1;
        ASSERT_EQ(voq7304_func_Q(s.vi, &read), VI_SUCCESS);
        EXPECT_EQ(read, function);
    }
    expect_queue_empty();
}

TEST_F(DriverSettings, SwitchesRoundTrip) {
    for (ViBoolean on : {VI_TRUE, VI_FALSE}) {
        ViBoolean read = 2;
        ASSERT_EQ(voq7304_calcStat(s.vi, on), VI_SUCCESS);
        ASSERT_EQ(voq7304_calcStat_Q(s.vi, &read), VI_SUCCESS);
        EXPECT_EQ(read, on);
        ASSERT_EQ(voq7304_inpImpAuto(s.vi, on), VI_SUCCESS);
        ASSERT_EQ(voq7304_inpImpAuto_Q(s.vi, &read), VI_SUCCESS);
        EXPECT_EQ(read, on);
        ViInt16 zero = 2;
        ASSERT_EQ(voq7304_calZeroAuto(s.vi, on), VI_SUCCESS);
        ASSERT_EQ(voq7304_calZeroAuto_Q(s.vi, &zero), VI_SUCCESS);
        EXPECT_EQ(zero, on);
    }
    // Each TTL line on its own: only the line switched on reads back on.
    for (ViInt16 line = 0; line < 8; ++line) {
        ASSERT_EQ(voq7304_outpTtlt_M(s.vi, line, VI_TRUE), VI_SUCCESS);
        for (ViInt16 other = 0; other < 8; ++other) {
            ViBoolean read = 2;
            ASSERT_EQ(voq7304_outpTtlt_M_Q(s.vi, other, &read), VI_SUCCESS);
            EXPECT_EQ(read, other == line ? VI_TRUE : VI_FALSE) << line << " " << other;
        }
        ASSERT_EQ(voq7304_outpTtlt_M(s.vi, line, VI_FALSE), VI_SUCCESS);
    }
    expect_queue_empty();
}

TEST_F(DriverSettings, TriggerSettingsSeparatelyAndInOneCall) {
    ASSERT_EQ(voq7304_trigCoun(s.vi, 7), VI_SUCCESS);
    ASSERT_EQ(voq7304_sampCoun(s.vi, 9), VI_SUCCESS);
    ASSERT_EQ(voq7304_trigDel(s.vi, VI_FALSE, 0.5), VI_SUCCESS);
    ViInt32 trig = 0, samp = 0;
    ViBoolean automatic = VI_TRUE;
    double delay = 0.0;
    ASSERT_EQ(voq7304_trigCoun_Q(s.vi, &trig), VI_SUCCESS);
    ASSERT_EQ(voq7304_sampCoun_Q(s.vi, &samp), VI_SUCCESS);
    ASSERT_EQ(voq7304_trigDel_Q(s.vi, &automatic, &delay), VI_SUCCESS);
    EXPECT_EQ(trig, 7);
    EXPECT_EQ(samp, 9);
    EXPECT_EQ(automatic, VI_FALSE);
    EXPECT_TRUE(near(delay, 0.5));
    ASSERT_EQ(voq7304_trigDel(s.vi, VI_TRUE, 99.0), VI_SUCCESS);
    ASSERT_EQ(voq7304_trigDel_Q(s.vi, &automatic, &delay), VI_SUCCESS);
    EXPECT_EQ(automatic, VI_TRUE);
    EXPECT_TRUE(near(delay, 0.00035)) << delay;

    ASSERT_EQ(voq7304_trigger(s.vi, VOQ7304_TRIG_BUS, VI_FALSE, 0.25, 3, 4, 0), VI_SUCCESS);
    ViInt16 source = -1, initiated = -1;
    ASSERT_EQ(voq7304_trigger_Q(s.vi, &source, &automatic, &delay, &trig, &samp, &initiated),
              VI_SUCCESS);
    EXPECT_EQ(source, VOQ7304_TRIG_BUS);
    EXPECT_EQ(automatic, VI_FALSE);
    EXPECT_TRUE(near(delay, 0.25));
    EXPECT_EQ(trig, 3);
    EXPECT_EQ(samp, 4);
    EXPECT_EQ(initiated, 0);

    ASSERT_EQ(voq7304_sample(s.vi, 6, 0.5, 1), VI_SUCCESS);
    double timer = 0.0;
    ASSERT_EQ(voq7304_sample_Q(s.vi, &samp, &timer, &source), VI_SUCCESS);
    EXPECT_EQ(samp, 6);
    EXPECT_EQ(timer, 0.5);
    EXPECT_EQ(source, 1);
    expect_queue_empty();
}

TEST_F(DriverSettings, ConfigureByCodeAndReadTheConfigurationBack) {
    for (ViInt16 function = 0; function <= 8; ++function) {
        SCOPED_TRACE(function);
        ASSERT_EQ(voq7304_configure(s.vi, function), VI_SUCCESS);
        ViInt32 code = -1;
        ViBoolean automatic = VI_FALSE;
        double range = -1.0, resolution = -1.0, integration = -1.0;
        ASSERT_EQ(voq7304_conf_Q(s.vi, &code, &automatic, &range, &resolution, &integration),
                  VI_SUCCESS);
        EXPECT_EQ(code, function);
        EXPECT_EQ(automatic, VI_TRUE);  // CONF selects auto range
        if (function != VOQ7304_FUNC_CURR_AC) {
            EXPECT_GT(integration, 0.0);
        }
    }
    ASSERT_EQ(voq7304_confVoltDc(s.vi), VI_SUCCESS);
    ASSERT_EQ(voq7304_voltDcRang(s.vi, VI_FALSE, 100.0), VI_SUCCESS);
    ASSERT_EQ(voq7304_voltDcRes(s.vi, 1e-4), VI_SUCCESS);
    ASSERT_EQ(voq7304_voltDcAper(s.vi, 0.2), VI_SUCCESS);
    ViInt32 code = -1;
    ViBoolean automatic = VI_TRUE;
    double range = 0.0, resolution = 0.0, integration = 0.0;
    ASSERT_EQ(voq7304_conf_Q(s.vi, &code, &automatic, &range, &resolution, &integration),
              VI_SUCCESS);
    EXPECT_EQ(code, VOQ7304_FUNC_VOLT_DC);
    EXPECT_EQ(automatic, VI_FALSE);
    EXPECT_TRUE(near(range, 100.0));
    EXPECT_TRUE(near(resolution, 1e-4));
    EXPECT_TRUE(near(integration, 0.2));

    using Conf = ViStatus (*)(ViSession);
    const std::pair<Conf, ViInt32> calls[] = {
        {voq7304_confFreq, 0},   {voq7304_confPer, 1},    {voq7304_confFres, 2},
        {voq7304_confRes, 3},    {voq7304_confVoltAc, 4}, {voq7304_confVoltDc, 5},
        {voq7304_confCurrAc, 6}, {voq7304_confCurrDc, 7}, {voq7304_confVoltDcRat, 8},
    };
    for (const auto& [conf, expected] : calls) {
        ASSERT_EQ(conf(s.vi), VI_SUCCESS);
        ASSERT_EQ(voq7304_conf_Q(s.vi, &code, &automatic, &range, &resolution, &integration),
                  VI_SUCCESS);
        EXPECT_EQ(code, expected);
    }
    expect_queue_empty();
}

TEST_F(DriverSettings, PassThroughSendsAnyMessageAndReturnsItsReply) {
    EXPECT_EQ(voq7304_cmd(s.vi, "TRIG:COUN 7;:SAMP:COUN 3"), VI_SUCCESS);
    char reply[16] = "";
    EXPECT_EQ(voq7304_cmdString_Q(s.vi, "TRIG:COUN?;:SAMP:COUN?", sizeof reply, reply), VI_SUCCESS);
    EXPECT_STREQ(reply, "7;3");
    char learn[1001] = "";
    ASSERT_EQ(voq7304_cmdString_Q(s.vi, "*LRN?", sizeof learn, learn), VI_SUCCESS);
    char cut[6] = "xxxxx";
    EXPECT_EQ(voq7304_cmdString_Q(s.vi, "*LRN?", sizeof cut, cut), VI_SUCCESS);
    EXPECT_STREQ(cut, "*RST;");  // cut to the buffer, terminated
    EXPECT_EQ(voq7304_cmd(s.vi, "*RST"), VI_SUCCESS);
    EXPECT_EQ(voq7304_cmd(s.vi, learn), VI_SUCCESS);
    ViInt32 count = 0;
    EXPECT_EQ(voq7304_trigCoun_Q(s.vi, &count), VI_SUCCESS);
    EXPECT_EQ(count, 7);
    expect_queue_empty();

    // Refusals come back through the automatic error query; bad arguments send nothing.
    EXPECT_EQ(voq7304_cmd(s.vi, "TRIG:COUN 0"), VOQ7304_ERROR_INSTR_ERROR_DETECTED);
    EXPECT_EQ(next_error(s.vi), "-222 Data out of range");
    EXPECT_EQ(voq7304_cmd(s.vi, nullptr), VOQ7304_ERROR_PARAMETER2);
    EXPECT_EQ(voq7304_cmdString_Q(s.vi, "*IDN?", 0, reply), VOQ7304_ERROR_PARAMETER3);
    EXPECT_EQ(voq7304_cmdString_Q(s.vi, "*IDN?", 8, nullptr), VOQ7304_ERROR_PARAMETER4);
    expect_queue_empty();
}
