// Reply parsing and status texts of the driver, without an instrument.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "scpi_names.hpp"
#include "scpi_parse.hpp"
#include "status_text.hpp"
#include "voq7304.h"

using namespace voq;

TEST(ReplyParsing, NumbersInEveryFormTheInstrumentSends) {
    EXPECT_DOUBLE_EQ(*parse_double("+1.000000000E+01\n"), 10.0);
    EXPECT_DOUBLE_EQ(*parse_double("-3.5E-06"), -3.5e-6);
    EXPECT_DOUBLE_EQ(*parse_double(" 9.9E37 "), 9.9e37);
    EXPECT_FALSE(parse_double(""));
    EXPECT_FALSE(parse_double("++1"));
    EXPECT_FALSE(parse_double("1.0V"));
    EXPECT_EQ(*parse_long("+16777215"), 16777215);
    EXPECT_EQ(*parse_long("+5.000000000E+00"), 5);
    EXPECT_FALSE(parse_long("2.5"));
    EXPECT_FALSE(parse_long("1E12"));
    EXPECT_EQ(*parse_bool("1"), true);
    EXPECT_EQ(*parse_bool("0\n"), false);
    EXPECT_EQ(*parse_bool("on"), true);
    EXPECT_FALSE(parse_bool("2"));
}

TEST(ReplyParsing, ReadingListNeverWritesPastTheBuffer) {
    std::array<double, 4> buffer{-1.0, -1.0, 42.0, 42.0};
    const auto written =
        parse_readings("+1.0E+00,+2.0E+00,+3.0E+00,+4.0E+00\n", std::span(buffer.data(), 2));
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, 2u);
    EXPECT_EQ(buffer, (std::array<double, 4>{1.0, 2.0, 42.0, 42.0}));

    EXPECT_EQ(*parse_readings("+7.0E+00", std::span(buffer)), 1u);
    EXPECT_EQ(buffer[0], 7.0);
    EXPECT_EQ(*parse_readings("", std::span(buffer)), 0u);
    EXPECT_EQ(*parse_readings("1,2", std::span(buffer.data(), 0)), 0u);
    EXPECT_FALSE(parse_readings("1,x,3", std::span(buffer)));
    // Malformed values after the ones kept are dropped unread.
    EXPECT_EQ(*parse_readings("1,x", std::span(buffer.data(), 1)), 1u);
}

TEST(ReplyParsing, ErrorQueueEntries) {
    const auto entry = parse_error_entry("-222,\"Data out of range\"\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->code, -222);
    EXPECT_EQ(entry->text, "Data out of range");
    EXPECT_EQ(parse_error_entry("+0,\"No error\"")->code, 0);
    EXPECT_EQ(parse_error_entry("-100,\"Command error; with, commas\"")->text,
              "Command error; with, commas");
    EXPECT_FALSE(parse_error_entry("No error"));
}

TEST(ReplyParsing, ConfigurationReplies) {
    const auto conf = parse_configuration("\"VOLT +1.000000000E+01,+3.000000000E-06\"\n");
    ASSERT_TRUE(conf);
    EXPECT_EQ(conf->function, VOQ7304_FUNC_VOLT_DC);
    EXPECT_DOUBLE_EQ(conf->range, 10.0);
    EXPECT_DOUBLE_EQ(conf->resolution, 3e-6);
    EXPECT_EQ(parse_configuration("\"VOLT:RAT +1.0E+01,+3.0E-06\"")->function,
              VOQ7304_FUNC_VOLT_RATIO);
    EXPECT_EQ(parse_configuration("\"FRES +1.0E+03,+1.0E-03\"")->function, VOQ7304_FUNC_RES_4W);
    EXPECT_EQ(parse_configuration("\"FREQ +1.0E+01\"")->resolution, 0.0);
    EXPECT_FALSE(parse_configuration("\"OHMS +1.0E+03,+1.0E-03\""));
    EXPECT_FALSE(parse_configuration("\"VOLT ten,+1.0E-03\""));
}

TEST(ReplyParsing, CodesFromShortAndLongForms) {
    const std::array<std::pair<const char*, int>, 11> functions{{
        {"\"FREQ\"", 0},
        {"PER", 1},
        {"\"FRES\"", 2},
        {"\"RES\"", 3},
        {"\"VOLT:AC\"", 4},
        {"\"VOLT\"", 5},
        {"\"VOLT:DC\"", 5},
        {"\"CURR:AC\"", 6},
        {"\"CURR\"", 7},
        {"\"VOLTage:DC:RATio\"", 8},
        {"\"fresistance\"", 2},
    }};
    for (const auto& [reply, code] : functions) EXPECT_EQ(function_code(reply), code) << reply;
    EXPECT_FALSE(function_code("\"DIODE\""));

    EXPECT_EQ(trigger_source_code("BUS"), 0);
    EXPECT_EQ(trigger_source_code("EXTernal"), 1);
    EXPECT_EQ(trigger_source_code("IMM\n"), 2);
    EXPECT_EQ(trigger_source_code("TTLT0"), 3);
    EXPECT_EQ(trigger_source_code("TTLTRG7"), 10);
    EXPECT_FALSE(trigger_source_code("TTLT8"));

    EXPECT_EQ(calc_function_code("NULL"), 0);
    EXPECT_EQ(calc_function_code("AVERage"), 1);
    EXPECT_EQ(calc_function_code("LIM"), 2);
    EXPECT_EQ(calc_function_code("DBM"), 3);
    EXPECT_EQ(calc_function_code("DB"), 4);
    EXPECT_FALSE(calc_function_code("DBX"));
}

TEST(ReplyParsing, IdentificationFieldsAndBoundedCopies) {
    const std::string_view idn = "VANTREL-OSSMARK,Q7304A,0001,A.02.01\n";
    EXPECT_EQ(field(idn, 1), "Q7304A");
    EXPECT_EQ(field(idn, 3), "A.02.01");
    EXPECT_EQ(field(idn, 4), "");

    std::array<char, 6> buffer;
    buffer.fill('#');
    copy_text("Self test passed", buffer.data(), 5);
    EXPECT_STREQ(buffer.data(), "Self");
    EXPECT_EQ(buffer[5], '#');
}

TEST(StatusTexts, EveryDriverCodeHasItsText) {
    for (ViStatus code = VOQ7304_ERROR_PARAMETER1; code <= VOQ7304_ERROR_PARAMETER7; ++code)
        EXPECT_TRUE(driver_status_text(code)) << std::hex << code;
    EXPECT_EQ(*driver_status_text(VOQ7304_ERROR_INSTR_ERROR_DETECTED),
              "Instrument error detected; read the error queue");
    EXPECT_TRUE(driver_status_text(VOQ7304_ERROR_FAIL_ID_QUERY));
    EXPECT_TRUE(driver_status_text(VOQ7304_ERROR_INV_RESPONSE));
    EXPECT_FALSE(driver_status_text(VI_ERROR_TMO));
}
