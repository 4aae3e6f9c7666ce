// Every setting through its own command and query: defaults, round trips, limits.
#include <gtest/gtest.h>

#include <string>

#include "instrument_test_support.hpp"

namespace sim::testing {
namespace {

using Codes = std::vector<int>;

TEST(InstrumentSettings, DefaultsAfterPowerOnAndReset) {
    Bench b;
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(b.query("FUNC?"), "\"VOLT\"");
        EXPECT_EQ(b.query("CONF?"), "\"VOLT +1.000000000E+01,+3.000000000E-06\"");
        EXPECT_EQ(b.query("VOLT:RANG:AUTO?;:VOLT:AC:RANG:AUTO?;:CURR:RANG:AUTO?"), "1;1;1");
        EXPECT_EQ(b.query("CURR:AC:RANG:AUTO?;:RES:RANG:AUTO?;:FREQ:VOLT:RANG:AUTO?"), "1;1;1");
        EXPECT_EQ(b.query("VOLT:RES?;:VOLT:AC:RES?;:CURR:RES?;:CURR:AC:RES?;:RES:RES?"),
                  "+3.000000000E-06;+1.000000000E-05;+3.000000000E-08;+1.000000000E-05;"
                  "+1.000000000E-03");
        EXPECT_EQ(b.query("VOLT:NPLC?;APER?"), "+1.000000000E+00;+2.000000000E-02");
        EXPECT_EQ(b.query("FREQ:APER?;:PER:APER?"), "+1.000000000E-01;+1.000000000E-01");
        EXPECT_EQ(b.query("DET:BAND?"), "+2.000000000E+01");
        EXPECT_EQ(b.query("TRIG:SOUR?;COUN?;DEL?;DEL:AUTO?"), "IMM;1;+3.500000000E-04;1");
        EXPECT_EQ(b.query("SAMP:COUN?"), "1");
        EXPECT_EQ(b.query("CALC:STAT?;FUNC?;NULL:OFFS?"), "0;NULL;+0.000000000E+00");
        EXPECT_EQ(b.query("CALC:LIM:LOW?;UPP?"), "+0.000000000E+00;+0.000000000E+00");
        EXPECT_EQ(b.query("CALC:DBM:REF?;:CALC:DB:REF?"), "+6.000000000E+02;+0.000000000E+00");
        EXPECT_EQ(b.query("INP:IMP:AUTO?;:ZERO:AUTO?;:SYST:LFR?"), "0;1;50");
        for (int line = 0; line < 8; ++line)
            EXPECT_EQ(b.query("OUTP:TTLT" + std::to_string(line) + "?"), "0");
        EXPECT_TRUE(b.errors().empty());

        b.send("CONF:RES 1e4;:TRIG:SOUR BUS;COUN 5;DEL 1;:SAMP:COUN 9;:CALC:FUNC DBM");
        b.send("CALC:DBM:REF 50;:CALC:DB:REF 3;:INP:IMP:AUTO ON;:ZERO:AUTO OFF;:OUTP:TTLT3 ON");
        b.send("VOLT:NPLC 10;:FREQ:APER 1;:DET:BAND 200;:SYST:LFR 60;:CALC:NULL:OFFS 2");
        b.send("*RST");
    }
}

TEST(InstrumentSettings, PowerOnLineFrequencyComesFromTheBusDescription) {
    Q7304Input in;
    in.line_frequency = 60;
    Bench b(in);
    EXPECT_EQ(b.query("SYST:LFR?"), "60");
    EXPECT_NEAR(b.number("VOLT:APER?"), 1.0 / 60, 1e-10);
}

TEST(InstrumentSettings, RangesPickTheSmallestRangeAtOrAboveTheValue) {
    Bench b;
    struct Case {
        const char* set;
        const char* query;
        double expected;
    };
    const Case cases[] = {
        {"VOLT:RANG 0.05", "VOLT:RANG?", 0.1},        {"VOLT:RANG 2", "VOLT:RANG?", 10},
        {"VOLT:RANG 300", "VOLT:RANG?", 300},         {"VOLT:AC:RANG 0.5", "VOLT:AC:RANG?", 1},
        {"CURR:RANG 0.02", "CURR:RANG?", 0.1},        {"CURR:RANG 1.5", "CURR:RANG?", 3},
        {"CURR:AC:RANG 0.2", "CURR:AC:RANG?", 1},     {"CURR:AC:RANG 2", "CURR:AC:RANG?", 3},
        {"RES:RANG 150", "RES:RANG?", 1e3},           {"FRES:RANG 1e8", "FRES:RANG?", 1e8},
        {"FREQ:VOLT:RANG 0.3", "FREQ:VOLT:RANG?", 1}, {"PER:VOLT:RANG 50", "PER:VOLT:RANG?", 100},
        {"VOLT:RANG MIN", "VOLT:RANG?", 0.1},         {"RES:RANG MAX", "RES:RANG?", 1e8},
    };
    for (const Case& c : cases) {
        b.send(c.set);
        EXPECT_DOUBLE_EQ(b.number(c.query), c.expected) << c.set;
    }
    EXPECT_EQ(b.query("VOLT:RANG:AUTO?;:RES:RANG:AUTO?"), "0;0");  // a set range ends auto
    EXPECT_TRUE(b.errors().empty());

    // Out of range: -222 and the range stays.
    b.send("VOLT:RANG 301");
    b.send("CURR:RANG 3.5");
    b.send("CURR:AC:RANG -1");
    b.send("RES:RANG 2e8");
    EXPECT_EQ(b.errors(), (Codes{-222, -222, -222, -222}));
    EXPECT_DOUBLE_EQ(b.number("VOLT:RANG?"), 0.1);
    EXPECT_DOUBLE_EQ(b.number("CURR:RANG?"), 3);
    EXPECT_DOUBLE_EQ(b.number("RES:RANG?"), 1e8);
}

TEST(InstrumentSettings, AutoRangeReportsTheRangeForThePresentInput) {
    Q7304Input in;
    in.volt_dc = 12.0;
    in.resistance = 4700.0;
    in.curr_dc = 0.5;
    Bench b(in);
    EXPECT_DOUBLE_EQ(b.number("VOLT:RANG?"), 100);
    EXPECT_DOUBLE_EQ(b.number("RES:RANG?"), 1e4);
    EXPECT_DOUBLE_EQ(b.number("CURR:RANG?"), 1);
    b.send("VOLT:RANG 1");
    EXPECT_DOUBLE_EQ(b.number("VOLT:RANG?"), 1);
    b.send("VOLT:RANG:AUTO ON");
    EXPECT_DOUBLE_EQ(b.number("VOLT:RANG?"), 100);
    b.send("VOLT:RANG:AUTO OFF");  // keeps the range auto had picked
    EXPECT_DOUBLE_EQ(b.number("VOLT:RANG?"), 100);
    EXPECT_EQ(b.query("VOLT:RANG:AUTO?"), "0");
}

TEST(InstrumentSettings, ResolutionsRoundTripWithinTheirLimits) {
    Bench b;
    b.send("VOLT:RES 1e-7;:VOLT:AC:RES 1e-3;:CURR:RES 9e-6;:CURR:AC:RES 3e-4;:FRES:RES 10");
    EXPECT_DOUBLE_EQ(b.number("VOLT:RES?"), 1e-7);
    EXPECT_DOUBLE_EQ(b.number("VOLT:AC:RES?"), 1e-3);
    EXPECT_DOUBLE_EQ(b.number("CURR:RES?"), 9e-6);
    EXPECT_DOUBLE_EQ(b.number("CURR:AC:RES?"), 3e-4);
    EXPECT_DOUBLE_EQ(b.number("RES:RES?"), 10);  // RES and FRES share their settings
    b.send("VOLT:RES 1e-9");
    b.send("RES:RES 1e6");
    EXPECT_EQ(b.errors(), (Codes{-222, -222}));
    EXPECT_DOUBLE_EQ(b.number("VOLT:RES?"), 1e-7);
    EXPECT_DOUBLE_EQ(b.number("FRES:RES?"), 10);
}

TEST(InstrumentSettings, ApertureAndNplcStayConsistentWithTheLineFrequency) {
    Bench b;
    b.send("VOLT:APER 0.0004");
    EXPECT_DOUBLE_EQ(b.number("VOLT:APER?"), 0.0004);
    EXPECT_NEAR(b.number("VOLT:NPLC?"), 0.02, 1e-12);
    b.send("VOLT:NPLC 5");  // rounded up to 10
    EXPECT_DOUBLE_EQ(b.number("VOLT:NPLC?"), 10);
    EXPECT_DOUBLE_EQ(b.number("VOLT:APER?"), 0.2);
    b.send("SYST:LFR 60");  // NPLC kept, aperture follows
    EXPECT_DOUBLE_EQ(b.number("VOLT:NPLC?"), 10);
    EXPECT_NEAR(b.number("VOLT:APER?"), 10.0 / 60, 1e-9);
    b.send("RES:NPLC 0.03;:CURR:NPLC 100;:VOLT:AC:NPLC 0.2");
    EXPECT_DOUBLE_EQ(b.number("FRES:NPLC?"), 0.2);
    EXPECT_NEAR(b.number("CURR:APER?"), 100.0 / 60, 1e-8);
    EXPECT_DOUBLE_EQ(b.number("VOLT:AC:NPLC?"), 0.2);
    b.send("FREQ:APER 0.05;:PER:APER 1");
    EXPECT_DOUBLE_EQ(b.number("FREQ:APER?"), 0.1);
    EXPECT_DOUBLE_EQ(b.number("PER:APER?"), 1.0);
    EXPECT_TRUE(b.errors().empty());

    b.send("VOLT:APER 0.0001");
    b.send("VOLT:APER 2.5");
    b.send("VOLT:NPLC 200");
    b.send("FREQ:APER 2");
    b.send("SYST:LFR 55");
    b.send("CURR:AC:APER 0.1");  // AC current has no aperture
    EXPECT_EQ(b.errors(), (Codes{-222, -222, -222, -222, -224, -113}));
    EXPECT_DOUBLE_EQ(b.number("VOLT:NPLC?"), 10);
    EXPECT_DOUBLE_EQ(b.number("FREQ:APER?"), 0.1);
    EXPECT_EQ(b.query("CAL:LFR?"), "60");
}

TEST(InstrumentSettings, TriggerSampleAndOutputSettingsRoundTrip) {
    Bench b;
    const std::pair<const char*, const char*> sources[] = {{"BUS", "BUS"},
                                                           {"EXTernal", "EXT"},
                                                           {"TTLT3", "TTLT3"},
                                                           {"TTLTRG7", "TTLT7"},
                                                           {"imm", "IMM"}};
    for (const auto& [sent, shown] : sources) {
        b.send(std::string("TRIG:SOUR ") + sent);
        EXPECT_EQ(b.query("TRIG:SOUR?"), shown);
    }
    b.send("TRIG:COUN 16777215;:SAMP:COUN 250;:TRIG:DEL 2100");
    EXPECT_EQ(b.query("TRIG:COUN?;:SAMP:COUN?;:TRIG:DEL:AUTO?"), "16777215;250;0");
    EXPECT_DOUBLE_EQ(b.number("TRIG:DEL?"), 2100);
    b.send("TRIG:DEL:AUTO ON");
    EXPECT_DOUBLE_EQ(b.number("TRIG:DEL?"), 0.00035);
    b.send("INP:IMP:AUTO 1;:ZERO:AUTO 0;:DET:BAND 3");
    EXPECT_EQ(b.query("INP:IMP:AUTO?;:CAL:ZERO:AUTO?"), "1;0");
    EXPECT_DOUBLE_EQ(b.number("DET:BAND?"), 3);
    b.send("ZERO:AUTO ON;:ZERO:AUTO ONCE");
    EXPECT_EQ(b.query("ZERO:AUTO?"), "0");
    EXPECT_TRUE(b.errors().empty());

    b.send("TRIG:COUN 0");
    b.send("TRIG:COUN 16777216");
    b.send("TRIG:COUN INF");
    b.send("SAMP:COUN -3");
    b.send("TRIG:DEL 2101");
    b.send("TRIG:SOUR TTLT8");
    b.send("DET:BAND 1");
    EXPECT_EQ(b.errors(), (Codes{-222, -222, -141, -222, -222, -224, -222}));
    EXPECT_EQ(b.query("TRIG:COUN?;:SAMP:COUN?;:TRIG:SOUR?"), "16777215;250;IMM");
}

TEST(InstrumentSettings, ConfigureSetsFunctionRangeAndResetsTriggering) {
    Bench b;
    b.send("TRIG:SOUR BUS;COUN 4;DEL 1;:SAMP:COUN 5;:CALC:STAT ON");
    b.send("CONF:CURR:AC 2,1e-4");
    EXPECT_EQ(b.query("CONF?"), "\"CURR:AC +3.000000000E+00,+1.000000000E-04\"");
    EXPECT_EQ(b.query("FUNC?"), "\"CURR:AC\"");
    EXPECT_EQ(b.query("TRIG:SOUR?;COUN?;DEL:AUTO?;:SAMP:COUN?;:CALC:STAT?"), "IMM;1;1;1;0");
    const std::pair<const char*, const char*> functions[] = {
        {"CONF:FREQ", "\"FREQ\""},       {"CONF:PER", "\"PER\""},
        {"CONF:FRES", "\"FRES\""},       {"CONF:RES", "\"RES\""},
        {"CONF:VOLT:AC", "\"VOLT:AC\""}, {"CONF:VOLT:DC", "\"VOLT\""},
        {"CONF:CURR", "\"CURR\""},       {"CONF:VOLT:DC:RAT", "\"VOLT:RAT\""}};
    for (const auto& [command, name] : functions) {
        b.send(command);
        EXPECT_EQ(b.query("FUNC?"), name) << command;
    }
    b.send("CONF:RES 5e3,DEF");
    EXPECT_EQ(b.query("CONF?"), "\"RES +1.000000000E+04,+1.000000000E-03\"");
    b.send("CONF:VOLT AUTO");
    EXPECT_EQ(b.query("VOLT:RANG:AUTO?"), "1");
    b.send("FUNC \"FRES\"");
    EXPECT_EQ(b.query("FUNC?"), "\"FRES\"");
    EXPECT_TRUE(b.errors().empty());
    // A refused configuration changes nothing.
    b.send("CONF:VOLT:AC 500");
    EXPECT_EQ(b.errors(), Codes{-222});
    EXPECT_EQ(b.query("FUNC?"), "\"FRES\"");
}

TEST(InstrumentSettings, MathSettingsRoundTripAndRejectOutOfRange) {
    Bench b;
    const char* functions[] = {"NULL", "AVER", "LIM", "DBM", "DB"};
    for (const char* f : functions) {
        b.send(std::string("CALC:FUNC ") + f);
        EXPECT_EQ(b.query("CALC:FUNC?"), f);
    }
    b.send("CALC:FUNC AVERAGE");
    EXPECT_EQ(b.query("CALC:FUNC?"), "AVER");
    b.send(
        "CALC:NULL:OFFS -0.25;:CALC:LIM:LOW -3;:CALC:LIM:UPP 3;:CALC:DBM:REF 75;:CALC:DB:REF -10");
    EXPECT_EQ(b.query("CALC:LIM:LOW?;UPP?;:CALC:NULL:OFFS?"),
              "-3.000000000E+00;+3.000000000E+00;-2.500000000E-01");
    EXPECT_EQ(b.query("CALC:DBM:REF?;:CALC:DB:REF?"), "+7.500000000E+01;-1.000000000E+01");
    b.send("CALC:STAT ON");
    EXPECT_EQ(b.query("CALC:STAT?"), "1");
    EXPECT_TRUE(b.errors().empty());

    b.send("CALC:DBM:REF 49");
    b.send("CALC:DBM:REF 8001");
    b.send("CALC:DB:REF 201");
    b.send("CALC:FUNC SQRT");
    EXPECT_EQ(b.errors(), (Codes{-222, -222, -222, -141}));
    EXPECT_EQ(b.query("CALC:DBM:REF?;:CALC:DB:REF?;:CALC:FUNC?"),
              "+7.500000000E+01;-1.000000000E+01;AVER");
    // dBm needs a voltage function.
    b.send("CONF:RES;:CALC:FUNC DBM;:CALC:STAT ON");
    EXPECT_EQ(b.errors(), Codes{-221});
    EXPECT_EQ(b.query("CALC:STAT?"), "0");
}

}  // namespace
}  // namespace sim::testing
