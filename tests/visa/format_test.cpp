// Formatted I/O with VISA's format codes and buffers, against the simulated Q7304A and
// in memory.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "support.hpp"

using namespace visatest;

namespace {

class VisaFormat : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VISA_SIM_BUS");
        rm_ = open_rm();
        vi_ = open_instr(rm_, "VXI0::24::INSTR");
        ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 1000), VI_SUCCESS);
        ASSERT_EQ(viPrintf(vi_, "*RST;*CLS;:VOLT:APER 0.0004;:SAMP:COUN %d\n", 3), VI_SUCCESS);
    }
    ViSession rm_ = 0;
    ViSession vi_ = 0;
};

TEST_F(VisaFormat, QueryTakesWriteArgumentsThenReadArguments) {
    int ese = -1;
    ASSERT_EQ(viQueryf(vi_, "*ESE %d;*ESE?\n", "%d", 36, &ese), VI_SUCCESS);
    EXPECT_EQ(ese, 36);
    ViChar text[64] = {};
    ASSERT_EQ(viQueryf(vi_, "%s\n", "%63[^,]", "*IDN?", text), VI_SUCCESS);
    EXPECT_STREQ(text, "VANTREL-OSSMARK");
}

TEST_F(VisaFormat, ArraysOfReadingsWithACountInAndOut) {
    double readings[8] = {};
    ViInt32 count = 8;
    ASSERT_EQ(viQueryf(vi_, "READ?\n", "%,#lf", &count, readings), VI_SUCCESS);
    ASSERT_EQ(count, 3);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(readings[i], 1.234567, 0.01) << i;
    // A fixed count, as floats; more room than readings stops at the last one.
    float f[2] = {};
    ASSERT_EQ(viQueryf(vi_, "FETC?\n", "%,2f", f), VI_SUCCESS);
    EXPECT_NEAR(f[1], 1.234567f, 0.01f);
    ASSERT_EQ(viFlush(vi_, VI_READ_BUF), VI_SUCCESS);  // the third reading
    // The rest of a reply stays for the next scan.
    double a = 0, b = 0, c = 0;
    ASSERT_EQ(viPrintf(vi_, "FETC?\n"), VI_SUCCESS);
    ASSERT_EQ(viScanf(vi_, "%lf", &a), VI_SUCCESS);
    ASSERT_EQ(viScanf(vi_, ",%lf", &b), VI_SUCCESS);
    ASSERT_EQ(viScanf(vi_, ",%lf", &c), VI_SUCCESS);
    EXPECT_EQ(a, readings[0]);
    EXPECT_EQ(c, readings[2]);
}

TEST_F(VisaFormat, WholeMessagesAndLines) {
    ViChar all[256] = {};
    ASSERT_EQ(viQueryf(vi_, "*IDN?\n", "%255t", all), VI_SUCCESS);
    const std::string idn(all);
    EXPECT_EQ(idn.rfind(kQ7304Idn, 0), 0u);
    EXPECT_EQ(idn.back(), '\n');
    ViChar line[256] = {};
    ViInt32 size = sizeof line;
    ASSERT_EQ(viQueryf(vi_, "*IDN?\n", "%#T", &size, line), VI_SUCCESS);
    EXPECT_EQ(std::string(line), idn);
    EXPECT_EQ(size, static_cast<ViInt32>(idn.size()));
}

TEST_F(VisaFormat, WriteBufferWaitsForANewlineOrAFlush) {
    ASSERT_EQ(viPrintf(vi_, "*ESE 8"), VI_SUCCESS);  // buffered, not sent
    ASSERT_EQ(viFlush(vi_, VI_WRITE_BUF_DISCARD), VI_SUCCESS);
    int ese = -1;
    ASSERT_EQ(viQueryf(vi_, "*ESE?\n", "%d", &ese), VI_SUCCESS);
    EXPECT_EQ(ese, 0);
    ASSERT_EQ(viPrintf(vi_, "*ESE 8;"), VI_SUCCESS);
    ASSERT_EQ(viPrintf(vi_, "*ESE?"), VI_SUCCESS);
    ASSERT_EQ(viFlush(vi_, VI_WRITE_BUF), VI_SUCCESS);
    ASSERT_EQ(viScanf(vi_, "%d", &ese), VI_SUCCESS);
    EXPECT_EQ(ese, 8);
    // Written on every call instead.
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_WR_BUF_OPER_MODE, VI_FLUSH_ON_ACCESS), VI_SUCCESS);
    ASSERT_EQ(viPrintf(vi_, "*ESE?"), VI_SUCCESS);
    ASSERT_EQ(viScanf(vi_, "%d", &ese), VI_SUCCESS);
    EXPECT_EQ(ese, 8);
    // Buffered bytes, read and written through the buffers.
    ASSERT_EQ(viSetBuf(vi_, VI_READ_BUF | VI_WRITE_BUF, 8), VI_SUCCESS);
    ViUInt32 n = 0;
    ASSERT_EQ(viBufWrite(vi_, reinterpret_cast<ViConstBuf>("*IDN?\n"), 6, &n), VI_SUCCESS);
    EXPECT_EQ(n, 6u);
    unsigned char buf[64];
    std::string got;
    ViStatus st = VI_SUCCESS_MAX_CNT;
    while (st == VI_SUCCESS_MAX_CNT) {
        st = viBufRead(vi_, buf, sizeof buf, &n);
        got.append(reinterpret_cast<char*>(buf), n);
    }
    EXPECT_EQ(st, VI_SUCCESS);
    EXPECT_EQ(got.rfind(kQ7304Idn, 0), 0u) << got;
}

TEST_F(VisaFormat, BlocksRawBinaryAndNumberFormsInMemory) {
    unsigned char text[128] = {};
    const ViInt16 words[2] = {0x0102, -2};
    ASSERT_EQ(viSPrintf(vi_, text, "%2hb", words), VI_SUCCESS);
    EXPECT_EQ(std::memcmp(text, "#14\x01\x02\xFF\xFE", 7), 0);
    ViInt16 back[4] = {};
    ViInt32 count = 4;
    ASSERT_EQ(viSScanf(vi_, text, "%#hb", &count, back), VI_SUCCESS);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(back[0], 0x0102);
    EXPECT_EQ(back[1], -2);
    const ViInt32 raw = 0x01020304;
    ASSERT_EQ(viSPrintf(vi_, text, "%1!olly|", &raw), VI_SUCCESS);
    EXPECT_EQ(std::memcmp(text, "\x04\x03\x02\x01|", 5), 0);
    const int ints[3] = {1, -2, 3};
    ASSERT_EQ(viSPrintf(vi_, text, "%,3d;%@3d;%@1f", ints, 5, 2.6), VI_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "1,-2,3;5.000000E+00;3");
    const double reals[2] = {1.5, 2.25};
    ASSERT_EQ(viSPrintf(vi_, text, "%.2,#lf", 2, reals), VI_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "1.50,2.25");
    int hexed = 0;
    ASSERT_EQ(viSScanf(vi_, reinterpret_cast<ViConstBuf>("#H1F"), "%d", &hexed), VI_SUCCESS);
    EXPECT_EQ(hexed, 31);
    long long ends[2] = {};
    ASSERT_EQ(viSScanf(vi_, reinterpret_cast<ViConstBuf>("-9223372036854775808,9223372036854775807"),
                       "%lld,%lld", &ends[0], &ends[1]),
              VI_SUCCESS);
    EXPECT_EQ(ends[0], std::numeric_limits<long long>::min());
    EXPECT_EQ(ends[1], std::numeric_limits<long long>::max());
}

TEST_F(VisaFormat, InputThatDoesNotFitTheFormatIsAnErrorNotSuccess) {
    int x = 7;
    EXPECT_EQ(viSScanf(vi_, reinterpret_cast<ViConstBuf>("abc"), "%d", &x), VI_ERROR_INV_FMT);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(viSScanf(vi_, reinterpret_cast<ViConstBuf>("5"), "%d,%d", &x, &x), VI_ERROR_INV_FMT);
    EXPECT_EQ(viPrintf(vi_, "%q\n"), VI_ERROR_INV_FMT);
    EXPECT_EQ(viSScanf(vi_, reinterpret_cast<ViConstBuf>("1"), "%k", &x), VI_ERROR_INV_FMT);
    // With nothing to read the scan times out.
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 50), VI_SUCCESS);
    EXPECT_EQ(viScanf(vi_, "%d", &x), VI_ERROR_TMO);
}

}  // namespace
