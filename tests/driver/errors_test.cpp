// Automatic error query, the error queue, error texts and parameter checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "driver_fixture.hpp"

using namespace drvtest;

TEST(DriverErrors, AutomaticErrorQueryReportsAndKeepsTheInstrumentError) {
    Session s;
    ASSERT_EQ(s.status, VI_SUCCESS);
    EXPECT_EQ(voq7304_sampCoun(s.vi, 0), VOQ7304_ERROR_INSTR_ERROR_DETECTED);
    EXPECT_EQ(next_error(s.vi), "-222 Data out of range");
    EXPECT_EQ(next_error(s.vi), "0 No error");
    // The queue is empty again: the next command succeeds.
    EXPECT_EQ(voq7304_sampCoun(s.vi, 2), VI_SUCCESS);

    ASSERT_EQ(voq7304_errorQueryDetect(s.vi, VI_FALSE), VI_SUCCESS);
    ViBoolean on = VI_TRUE;
    ASSERT_EQ(voq7304_errorQueryDetect_Q(s.vi, &on), VI_SUCCESS);
    EXPECT_EQ(on, VI_FALSE);
    EXPECT_EQ(voq7304_sampCoun(s.vi, 0), VI_SUCCESS);
    EXPECT_EQ(voq7304_calcDbmRef(s.vi, 1.0), VI_SUCCESS);
    EXPECT_EQ(next_error(s.vi), "-222 Data out of range");
    EXPECT_EQ(next_error(s.vi), "-222 Data out of range");

    // Back on: a query with an error still queued reports it too, and still returns its value.
    ASSERT_EQ(voq7304_errorQueryDetect(s.vi, VI_TRUE), VI_SUCCESS);
    EXPECT_EQ(voq7304_trigCoun(s.vi, 0), VOQ7304_ERROR_INSTR_ERROR_DETECTED);
    ViInt32 count = 0;
    EXPECT_EQ(voq7304_sampCoun_Q(s.vi, &count), VOQ7304_ERROR_INSTR_ERROR_DETECTED);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(voq7304_statEvenClr(s.vi), VI_SUCCESS);  // *CLS empties the queue
    EXPECT_EQ(voq7304_sampCoun_Q(s.vi, &count), VI_SUCCESS);
}

TEST(DriverErrors, MessagesForDriverVisaAndUnknownStatuses) {
    Session s;
    ASSERT_EQ(s.status, VI_SUCCESS);
    EXPECT_EQ(message_of(s.vi, VOQ7304_ERROR_INSTR_ERROR_DETECTED),
              "Instrument error detected; read the error queue");
    EXPECT_EQ(message_of(s.vi, VOQ7304_ERROR_PARAMETER3), "Parameter 3 out of range or invalid");
    EXPECT_EQ(message_of(VI_NULL, VOQ7304_ERROR_FAIL_ID_QUERY),
              "Instrument identification query failed");
    ViChar fromVisa[257] = {};
    ASSERT_GE(viStatusDesc(s.vi, VI_ERROR_TMO, fromVisa), 0);
    EXPECT_EQ(message_of(s.vi, VI_ERROR_TMO), fromVisa);
    EXPECT_FALSE(message_of(s.vi, VI_ERROR_TMO).empty());

    ViChar text[257];
    std::fill(std::begin(text), std::end(text), '#');
    voq7304_error_message(s.vi, static_cast<ViStatus>(0xBFFC0FFF), text);
    EXPECT_LT(std::char_traits<char>::length(text), 256u);
    EXPECT_FALSE(std::string(text).empty());
}

namespace {

std::size_t trace_lines(const std::string& path) {
    std::ifstream in(path);
    return static_cast<std::size_t>(
        std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

}  // namespace

TEST(DriverErrors, ParameterChecksMakeNoVisaCall) {
    const std::string trace = ::testing::TempDir() + "voq7304-param-trace.txt";
    std::remove(trace.c_str());
    ::setenv("VISA_SIM_TRACE", trace.c_str(), 1);
    Session s;
    ASSERT_EQ(s.status, VI_SUCCESS);
    const std::size_t before = trace_lines(trace);
    EXPECT_GT(before, 0u);
    const ViSession vi = s.vi;
    ViReal64 real = 0.0;
    ViInt32 i32 = 0;
    ViInt16 i16 = 0;
    ViBoolean flag = 0;
    ViReal64 buffer[2] = {};
    ViInt32 negative = -1;
    ViSession other = VI_NULL;
    const std::pair<ViStatus, ViStatus> checks[] = {
        {voq7304_trigSour(vi, 11), VOQ7304_ERROR_PARAMETER2},
        {voq7304_trigSour(vi, -1), VOQ7304_ERROR_PARAMETER2},
        {voq7304_outpTtlt_M(vi, 8, VI_TRUE), VOQ7304_ERROR_PARAMETER2},
        {voq7304_outpTtlt_M_Q(vi, -1, &flag), VOQ7304_ERROR_PARAMETER2},
        {voq7304_outpTtlt_M_Q(vi, 0, nullptr), VOQ7304_ERROR_PARAMETER3},
        {voq7304_configure(vi, 9), VOQ7304_ERROR_PARAMETER2},
        {voq7304_func(vi, -1), VOQ7304_ERROR_PARAMETER2},
        {voq7304_measure_Q(vi, 9, &real), VOQ7304_ERROR_PARAMETER2},
        {voq7304_measure_Q(vi, 5, nullptr), VOQ7304_ERROR_PARAMETER3},
        {voq7304_calcFunc(vi, 5), VOQ7304_ERROR_PARAMETER2},
        {voq7304_systLfr(vi, 55), VOQ7304_ERROR_PARAMETER2},
        {voq7304_calLfr(vi, 0), VOQ7304_ERROR_PARAMETER2},
        {voq7304_statCond_Q(vi, 403, &i32), VOQ7304_ERROR_PARAMETER2},
        {voq7304_statEven_Q(vi, 400, &i32), VOQ7304_ERROR_PARAMETER2},
        {voq7304_statCond_Q(vi, 401, nullptr), VOQ7304_ERROR_PARAMETER3},
        {voq7304_voltDcRes_Q(vi, nullptr), VOQ7304_ERROR_PARAMETER2},
        {voq7304_voltDcRes(vi, std::nan("")), VOQ7304_ERROR_PARAMETER2},
        {voq7304_resRang(vi, VI_FALSE, INFINITY), VOQ7304_ERROR_PARAMETER3},
        {voq7304_resRang(vi, 7, 1.0), VOQ7304_ERROR_PARAMETER2},
        {voq7304_resRang_Q(vi, &flag, nullptr), VOQ7304_ERROR_PARAMETER3},
        {voq7304_conf_Q(vi, &i32, &flag, nullptr, &real, &real), VOQ7304_ERROR_PARAMETER4},
        {voq7304_trigger(vi, 11, VI_TRUE, 0.0, 1, 1, 0), VOQ7304_ERROR_PARAMETER2},
        {voq7304_trigger_Q(vi, &i16, &flag, &real, &i32, &i32, nullptr), VOQ7304_ERROR_PARAMETER7},
        {voq7304_fetc_Q(vi, nullptr, &i32), VOQ7304_ERROR_PARAMETER2},
        {voq7304_fetc_Q(vi, buffer, &negative), VOQ7304_ERROR_PARAMETER3},
        {voq7304_timedFetch_Q(vi, -5, buffer, &i32), VOQ7304_ERROR_PARAMETER2},
        {voq7304_timedFetch_Q(vi, 100, buffer, nullptr), VOQ7304_ERROR_PARAMETER4},
        {voq7304_error_query(vi, &i32, nullptr), VOQ7304_ERROR_PARAMETER3},
        {voq7304_error_message(vi, 0, nullptr), VOQ7304_ERROR_PARAMETER3},
        {voq7304_self_test(vi, nullptr, nullptr), VOQ7304_ERROR_PARAMETER2},
        {voq7304_revision_query(vi, nullptr, nullptr), VOQ7304_ERROR_PARAMETER2},
        {voq7304_readStatusByte_Q(vi, nullptr), VOQ7304_ERROR_PARAMETER2},
        {voq7304_calInt_Q(vi, VOQ7304_FUNC_CURR_AC, &real), VOQ7304_ERROR_PARAMETER2},
        {voq7304_sample(vi, 1, -1.0, 0), VOQ7304_ERROR_PARAMETER3},
        {voq7304_errorQueryDetect(vi, 2), VOQ7304_ERROR_PARAMETER2},
        {voq7304_init(nullptr, VI_FALSE, VI_FALSE, &other), VOQ7304_ERROR_PARAMETER1},
        {voq7304_init(const_cast<ViRsrc>(kResource), VI_FALSE, VI_FALSE, nullptr),
         VOQ7304_ERROR_PARAMETER4},
    };
    for (std::size_t i = 0; i < std::size(checks); ++i)
        EXPECT_EQ(checks[i].first, checks[i].second) << "check " << i;
    EXPECT_EQ(negative, -1);
    EXPECT_EQ(trace_lines(trace), before);
    EXPECT_EQ(next_error(vi), "0 No error");
}
