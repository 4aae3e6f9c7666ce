// The command parser as a controller meets it: header forms, paths, parameters, bad input.
#include <gtest/gtest.h>

#include <string>

#include "instrument_test_support.hpp"

namespace sim::testing {
namespace {

using Codes = std::vector<int>;

TEST(InstrumentParser, HeadersMatchInShortLongMixedCaseAndOptionalForms) {
    Bench b;
    b.send("TRIG:COUN 2");
    EXPECT_EQ(b.query("TRIGGER:COUNT?"), "2");
    b.send("trigger:sequence:count 3");
    EXPECT_EQ(b.query("TrIg:CoUn?"), "3");
    b.send(":SENS:VOLT:DC:RANG:UPP 10");
    EXPECT_EQ(b.query("VOLT:RANG?"), "+1.000000000E+01");
    EXPECT_EQ(b.query("SENSE:VOLTAGE:DC:RANGE:AUTO?"), "0");
    EXPECT_EQ(b.query("SYST:ERR:NEXT?"), "+0,\"No error\"");
    // A form that is neither short nor long is not a header.
    b.send("TRIGG:COUN 5");
    EXPECT_EQ(b.errors(), Codes{-113});
    EXPECT_EQ(b.query("TRIG:COUN?"), "3");
}

TEST(InstrumentParser, NumericSuffixSelectsTheTtlLineAndIsRangeChecked) {
    Bench b;
    b.send("OUTP:TTLT5 ON");
    b.send("OUTPUT:TTLTRG2:STATE 1");
    EXPECT_EQ(b.query("OUTP:TTLT5?"), "1");
    EXPECT_EQ(b.query("OUTP:TTLT2:STAT?"), "1");
    EXPECT_EQ(b.query("OUTP:TTLT0?"), "0");
    b.send("OUTP:TTLT8 ON");
    EXPECT_EQ(b.errors(), Codes{-114});
    // No suffix means line 1.
    b.send("OUTP:TTLT ON");
    EXPECT_EQ(b.query("OUTP:TTLT1?"), "1");
}

TEST(InstrumentParser, CommandsAfterSemicolonAreRelativeToThePreviousPath) {
    Bench b;
    EXPECT_EQ(b.query("TRIG:COUN 4;DEL 0.5;SOUR BUS;:SAMP:COUN 6;:TRIG:COUN?;DEL?;SOUR?"),
              "4;+5.000000000E-01;BUS");
    EXPECT_EQ(b.query("SAMP:COUN?"), "6");
    EXPECT_EQ(b.query("TRIG:DEL:AUTO?"), "0");
    b.send("CALC:FUNC LIM;LIM:LOW -1;UPP 2");  // path CALC, then CALC:LIM
    EXPECT_EQ(b.query("CALC:LIM:LOW?;UPP?"), "-1.000000000E+00;+2.000000000E+00");
    // Common commands do not change the path.
    EXPECT_EQ(b.query("TRIG:COUN 7;*CLS;COUN?"), "7");
    EXPECT_TRUE(b.errors().empty());
}

TEST(InstrumentParser, ParametersAcceptNumberFormsSuffixesAndKeywords) {
    Bench b;
    b.send("TRIG:DEL 25 MS");
    EXPECT_DOUBLE_EQ(b.number("TRIG:DEL?"), 0.025);
    b.send("TRIG:DEL 1.5e-1");
    EXPECT_DOUBLE_EQ(b.number("TRIG:DEL?"), 0.15);
    b.send("RES:RANG 10 KOHM");
    EXPECT_DOUBLE_EQ(b.number("RES:RANG?"), 1e4);
    b.send("RES:RANG 2 MOHM");  // MOHM is mega
    EXPECT_DOUBLE_EQ(b.number("RES:RANG?"), 1e7);
    b.send("TRIG:COUN #H10");
    EXPECT_EQ(b.query("TRIG:COUN?"), "16");
    b.send("TRIG:COUN MAX");
    EXPECT_EQ(b.query("TRIG:COUN?"), "16777215");
    b.send("SAMP:COUN minimum");
    EXPECT_EQ(b.query("SAMP:COUN?"), "1");
    b.send("FUNC 'VOLT:AC'");
    EXPECT_EQ(b.query("FUNC?"), "\"VOLT:AC\"");
    EXPECT_TRUE(b.errors().empty());

    b.send("TRIG:DEL 5 V");
    b.send("TRIG:COUN 5 S");
    b.send("TRIG:COUN");
    b.send("TRIG:COUN 1,2");
    b.send("TRIG:COUN 1.2.3");
    b.send("TRIG:SOUR \"BUS\"");
    b.send("TRIG:SOUR NOWHERE");
    b.send("TRIG:COUN 3 4");
    b.send("FUNC \"OHMS\"");
    EXPECT_EQ(b.errors(), (Codes{-131, -138, -109, -108, -121, -158, -141, -103, -224}));
    EXPECT_EQ(b.query("TRIG:COUN?"), "16777215");
    EXPECT_EQ(b.query("TRIG:SOUR?"), "IMM");
}

TEST(InstrumentParser, CommandErrorsDropTheRestOfTheMessageExecutionErrorsDoNot) {
    Bench b;
    b.send("*RST;TRIG:COUN 7;FOO;TRIG:COUN 9");
    EXPECT_EQ(b.query("TRIG:COUN?"), "7");
    b.send("FOO:BAR 1;:TRIG:COUN?");  // no reply: the query was dropped with the rest
    EXPECT_EQ(b.read(0ms), "<timeout>");
    b.send("*XYZ;:SAMP:COUN 2");
    b.send("TRIG:SOUR NOWHERE;:SAMP:COUN 3");  // a handler's command error drops the rest too
    b.send("TRIG:COUN? 5;:SAMP:COUN 4");
    EXPECT_EQ(b.errors(), (Codes{-113, -113, -420, -113, -141, -108}));
    EXPECT_EQ(b.query("SAMP:COUN?"), "1");
    b.send("TRIG:COUN 0;:SAMP:COUN 5");  // an execution error does not
    EXPECT_EQ(b.errors(), Codes{-222});
    EXPECT_EQ(b.query("SAMP:COUN?"), "5");
    // A syntax error drops the rest of the message.
    b.send("TRIG::COUN 2;:SAMP:COUN 3");
    EXPECT_EQ(b.errors(), Codes{-102});
    EXPECT_EQ(b.query("SAMP:COUN?"), "5");
    b.send("ABCDEFGHIJKLMN:COUN 1");
    EXPECT_EQ(b.errors(), Codes{-112});
}

TEST(InstrumentParser, ErrorQueueHoldsTwentyAndReportsOverflow) {
    Bench b;
    for (int i = 0; i < 25; ++i) b.send("BOGUS");
    const auto codes = b.errors();
    ASSERT_EQ(codes.size(), 20u);
    for (std::size_t i = 0; i < 19; ++i) EXPECT_EQ(codes[i], -113);
    EXPECT_EQ(codes.back(), -350);
    EXPECT_EQ(b.query("SYST:ERR?"), "+0,\"No error\"");
    b.send("BOGUS");
    EXPECT_EQ(b.query("SYST:ERR?"), "-113,\"Undefined header\"");
}

TEST(InstrumentParser, OverlongMessageIsDiscardedWithInputBufferOverrun) {
    Bench b;
    b.send("TRIG:COUN 2");
    std::string flood = ":TRIG:COUN 5;";
    while (flood.size() < 10000) flood += "SAMP:COUN 7;";
    b.dmm.write(flood, false);
    b.dmm.write(flood, false);
    b.dmm.write("\n", false);
    EXPECT_EQ(b.query("TRIG:COUN?;:SAMP:COUN?"), "2;1");
    EXPECT_EQ(b.errors(), Codes{-363});
    // The next message is parsed normally.
    b.send("SAMP:COUN 3");
    EXPECT_EQ(b.query("SAMP:COUN?"), "3");
}

TEST(InstrumentParser, MessagesMayArriveInPiecesAndEndWithEoi) {
    Bench b;
    b.dmm.write("TRIG:CO", false);
    b.dmm.write("UN 4;:TRIG:", false);
    b.dmm.write("COUN?", true);  // END terminates without LF
    EXPECT_EQ(b.read(), "4");
}

TEST(InstrumentParser, BinaryGarbageAndNulsLeaveSettingsAlone) {
    Bench b;
    b.send("TRIG:COUN 3;:CALC:NULL:OFFS 1.5");
    const std::string garbage("\x00\x01\xff\xfe*?::;;,\"'#H\x7f\x80TRIG:COUN \x00\x00 9\xc3", 32);
    b.dmm.write(garbage, true);
    b.dmm.write(std::string("\x00TRIG:SOUR BUS\x00", 15), true);  // NUL is white space
    EXPECT_FALSE(b.errors().empty());
    EXPECT_EQ(b.query("TRIG:COUN?"), "3");
    EXPECT_EQ(b.query("TRIG:SOUR?"), "BUS");
    EXPECT_DOUBLE_EQ(b.number("CALC:NULL:OFFS?"), 1.5);
}

}  // namespace
}  // namespace sim::testing
