// *LRN?: the reply, sent back, sets another instrument up the same, within 1000 bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instrument_test_support.hpp"

namespace sim::testing {
namespace {

// Every setting query, in one list.
const std::vector<std::string> SETTING_QUERIES = {
    "FUNC?", "CONF?", "DET:BAND?", "SAMP:COUN?", "INP:IMP:AUTO?", "ZERO:AUTO?", "SYST:LFR?",
    "TRIG:SOUR?;COUN?;DEL?;DEL:AUTO?",
    "CALC:STAT?;FUNC?;:CALC:NULL:OFFS?;:CALC:LIM:LOW?;UPP?;:CALC:DBM:REF?;:CALC:DB:REF?",
    "OUTP:TTLT0?;:OUTP:TTLT3?;:OUTP:TTLT7?", "CURR:AC:RANG:AUTO?;:CURR:AC:RANG?;:CURR:AC:RES?",
    "FREQ:VOLT:RANG:AUTO?;:FREQ:VOLT:RANG?;:FREQ:APER?",
    "PER:VOLT:RANG:AUTO?;:PER:VOLT:RANG?;:PER:APER?",
    "VOLT:RANG:AUTO?;:VOLT:RANG?;:VOLT:RES?;:VOLT:NPLC?;:VOLT:APER?",
    "VOLT:AC:RANG:AUTO?;:VOLT:AC:RANG?;:VOLT:AC:RES?;:VOLT:AC:NPLC?;:VOLT:AC:APER?",
    "CURR:RANG:AUTO?;:CURR:RANG?;:CURR:RES?;:CURR:NPLC?;:CURR:APER?",
    "RES:RANG:AUTO?;:RES:RANG?;:RES:RES?;:RES:NPLC?;:RES:APER?",
};

std::vector<std::string> settings_of(Bench& b) {
    std::vector<std::string> out;
    for (const auto& q : SETTING_QUERIES) out.push_back(q + " -> " + b.query(q));
    return out;
}

TEST(InstrumentLearn, TheLearnTextRebuildsEverySettingAndFitsTheStateText) {
    Bench a;
    // Long numbers everywhere a user can type one, and every setting off its default.
    a.send("SYST:LFR 60;:VOLT:RANG 10;RES 1.23456789012345E-06;APER 0.123456789012345");
    a.send("VOLT:AC:RANG 300;RES 0.000123456789012345;NPLC 10;:CURR:RANG:AUTO 0");
    a.send("CURR:RES 0.00000123456789012345;APER 1.98765432109876;:CURR:AC:RANG 3");
    a.send("CURR:AC:RES 0.00123456789012345;:RES:RANG 1e8;RES 98765.4321098765;NPLC 100");
    a.send("FREQ:VOLT:RANG 1;:FREQ:APER 1;:PER:VOLT:RANG 100;:PER:APER 0.01;:DET:BAND 3");
    a.send("TRIG:SOUR TTLT5;COUN 16777215;DEL 2099.98765432109;:SAMP:COUN 16777214");
    a.send("CALC:FUNC DB;NULL:OFFS -987654321.123456;:CALC:LIM:LOW -123456789.987654");
    a.send("CALC:LIM:UPP 999999999.123456;:CALC:DBM:REF 7999.12345678901;:CALC:DB:REF -199.123456789012");
    a.send("FUNC \"VOLT:AC\";:CALC:STAT ON;:INP:IMP:AUTO ON;:ZERO:AUTO OFF");
    for (int line = 0; line < 8; ++line) a.send("OUTP:TTLT" + std::to_string(line) + " ON");
    ASSERT_EQ(a.errors(), std::vector<int>{});

    const std::string learn = a.query("*LRN?");
    EXPECT_LE(learn.size(), 1000u) << learn;
    EXPECT_TRUE(learn.starts_with("*RST;")) << learn;

    Bench b;
    b.send("CONF:FREQ;:TRIG:COUN 3;:CALC:STAT ON");  // whatever it had before
    b.send(learn);
    EXPECT_EQ(b.errors(), std::vector<int>{}) << learn;
    EXPECT_EQ(settings_of(b), settings_of(a));

    Bench fresh, defaults;
    defaults.send(fresh.query("*LRN?"));  // the defaults' text brings the defaults back
    EXPECT_EQ(settings_of(defaults), settings_of(fresh));
    for (Bench* bench : {&a, &b, &defaults}) EXPECT_EQ(bench->errors(), std::vector<int>{});
}

}  // namespace
}  // namespace sim::testing
