// Faults of a described device, each becoming its status.
#include <string>

#include "support.hpp"

using namespace visatest;

namespace {

// One Q7304 with the given fault lines, plus a healthy plain device.
ViSession open_faulty(const std::string& faults, ViSession* rm_out = nullptr) {
    use_bus("[VXI0::24::INSTR]\nq7304 = yes\n" + faults + "\n[GPIB0::9::INSTR]\nidn = OK,1,2,3\n");
    const ViSession rm = open_rm();
    if (rm_out) *rm_out = rm;
    const ViSession vi = open_instr(rm, "VXI0::24::INSTR");
    EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, 200), VI_SUCCESS);
    return vi;
}

TEST(VisaFaults, WriteFailOnAPrefixGivesIoError) {
    const ViSession vi = open_faulty("fault.write.fail = conf");
    ViUInt32 sent = 99;
    EXPECT_EQ(write_text(vi, "CONF:VOLT:DC\n", &sent), VI_ERROR_IO);
    EXPECT_EQ(sent, 0u);
    EXPECT_EQ(write_text(vi, "  conf:res\n"), VI_ERROR_IO);
    EXPECT_EQ(viPrintf(vi, "CONF:FREQ\n"), VI_ERROR_IO);
    // Other commands pass.
    EXPECT_EQ(query(vi, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

TEST(VisaFaults, WriteTimeoutTakesTheSessionTimeout) {
    const ViSession vi = open_faulty("fault.write.timeout = *RST");
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(write_text(vi, "*RST\n"), VI_ERROR_TMO);
    const long ms = elapsed_ms(t0);
    EXPECT_GE(ms, 150);
    EXPECT_LT(ms, 1500);
}

TEST(VisaFaults, ReadFailAfterTheMatchingCommand) {
    const ViSession vi = open_faulty("fault.read.fail = *IDN?");
    ASSERT_EQ(write_text(vi, "*IDN?\n"), VI_SUCCESS);
    unsigned char buf[64];
    ViUInt32 got = 5;
    EXPECT_EQ(viRead(vi, buf, sizeof buf, &got), VI_ERROR_IO);
    EXPECT_EQ(got, 0u);
    // A different query reads fine.
    int ese = -1;
    EXPECT_EQ(viQueryf(vi, "*ESE?\n", "%d", &ese), VI_SUCCESS);
    EXPECT_EQ(ese, 0);
}

TEST(VisaFaults, ReadTimeoutTakesRoughlyTheSessionTimeout) {
    const ViSession vi = open_faulty("fault.read.timeout = *IDN?");
    ASSERT_EQ(write_text(vi, "*IDN?\n"), VI_SUCCESS);
    unsigned char buf[64];
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(viRead(vi, buf, sizeof buf, nullptr), VI_ERROR_TMO);
    const long ms = elapsed_ms(t0);
    EXPECT_GE(ms, 150);
    EXPECT_LT(ms, 1500);
    ViChar line[128];
    EXPECT_EQ(viQueryf(vi, "*IDN?\n", "%127[^\n]", line), VI_ERROR_TMO);
}

TEST(VisaFaults, StatusByteFault) {
    const ViSession vi = open_faulty("fault.stb = fail");
    ViUInt16 stb = 0xBEEF;
    EXPECT_EQ(viReadSTB(vi, &stb), VI_ERROR_IO);
    EXPECT_EQ(stb, 0xBEEF);
    // Messages still pass.
    EXPECT_EQ(query(vi, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

TEST(VisaFaults, StatusByteWithoutFaultShowsAWaitingReply) {
    const ViSession vi = open_faulty("");
    ViUInt16 stb = 0xFFFF;
    ASSERT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x10, 0);
    ASSERT_EQ(write_text(vi, "*IDN?\n"), VI_SUCCESS);
    ASSERT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x10, 0x10);
    ASSERT_EQ(viClear(vi), VI_SUCCESS);
    ASSERT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x10, 0);
}

TEST(VisaFaults, ClearFault) {
    const ViSession vi = open_faulty("fault.clear = fail");
    EXPECT_EQ(viClear(vi), VI_ERROR_IO);
}

TEST(VisaFaults, AttributeFaultRefusesOnlyThatAttribute) {
    const ViSession vi = open_faulty("fault.attr = 0x3FFF00D9\nfault.attr = 1073676520");
    ViUInt16 v = 0;
    EXPECT_EQ(viGetAttribute(vi, VI_ATTR_MANF_ID, &v), VI_ERROR_NSUP_ATTR);
    EXPECT_EQ(viGetAttribute(vi, VI_ATTR_SLOT, &v), VI_ERROR_NSUP_ATTR);  // 0x3FFF00E8
    ASSERT_EQ(viGetAttribute(vi, VI_ATTR_MODEL_CODE, &v), VI_SUCCESS);
    EXPECT_EQ(v, 705);
}

TEST(VisaFaults, OpenFaultKeepsTheDeviceFromOpening) {
    ViSession rm = 0;
    use_bus("[VXI0::24::INSTR]\nq7304 = yes\nfault.open = fail\n[GPIB0::9::INSTR]\nidn = OK,1,2,3\n");
    rm = open_rm();
    ViSession vi = 12345;
    EXPECT_LT(viOpen(rm, "VXI0::24::INSTR", VI_NULL, VI_NULL, &vi), 0);
    const ViSession ok = open_instr(rm, "GPIB0::9::INSTR");
    EXPECT_EQ(query(ok, "*IDN?\n"), "OK,1,2,3\n");
}

TEST(VisaFaults, AfterNTransfersEveryTransferFails) {
    const ViSession vi = open_faulty("fault.after = 2 fail");
    ASSERT_EQ(write_text(vi, "*IDN?\n"), VI_SUCCESS);  // 1
    unsigned char buf[256];
    ViUInt32 got = 0;
    ASSERT_EQ(viRead(vi, buf, sizeof buf, &got), VI_SUCCESS);  // 2
    EXPECT_GT(got, 0u);
    EXPECT_EQ(write_text(vi, "*IDN?\n"), VI_ERROR_IO);
    EXPECT_EQ(viRead(vi, buf, sizeof buf, &got), VI_ERROR_IO);
    EXPECT_EQ(write_text(vi, "*CLS\n"), VI_ERROR_IO);
}

TEST(VisaFaults, AfterNTransfersTimeout) {
    const ViSession vi = open_faulty("fault.after = 0 timeout");
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(write_text(vi, "*CLS\n"), VI_ERROR_TMO);
    EXPECT_GE(elapsed_ms(t0), 150);
}

TEST(VisaFaults, TimesSpendsAFaultThenItsCommandsPass) {
    const ViSession vi =
        open_faulty("fault.write.fail = SAMP:COUN 5\nfault.times = 2\nfault.write.fail = SAMP");
    EXPECT_EQ(write_text(vi, "SAMP:COUN 5\n"), VI_ERROR_IO);
    EXPECT_EQ(write_text(vi, "SAMP:COUN 4\n"), VI_ERROR_IO);  // the later, unlimited fault
    EXPECT_EQ(write_text(vi, "SAMP:COUN 5\n"), VI_ERROR_IO);
    EXPECT_EQ(write_text(vi, "SAMP:COUN 5\n"), VI_ERROR_IO);  // spent: falls to the later fault
    EXPECT_EQ(write_text(vi, "*CLS\n"), VI_SUCCESS);
}

TEST(VisaFaults, TimesOnAReadAndOnAfterStrikesOnlyThoseTransfers) {
    const ViSession vi = open_faulty("fault.read.fail = *IDN?\nfault.times = 1");
    ASSERT_EQ(write_text(vi, "*IDN?\n"), VI_SUCCESS);
    unsigned char buf[256];
    EXPECT_EQ(viRead(vi, buf, sizeof buf, nullptr), VI_ERROR_IO);
    EXPECT_EQ(query(vi, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

TEST(VisaFaults, TimesAfterNTransfersStrikesTheNextOnesOnly) {
    const ViSession vi = open_faulty("fault.after = 1 fail\nfault.times = 2");
    EXPECT_EQ(write_text(vi, "*CLS\n"), VI_SUCCESS);  // 1
    EXPECT_EQ(write_text(vi, "*CLS\n"), VI_ERROR_IO);  // 2
    EXPECT_EQ(write_text(vi, "*IDN?\n"), VI_ERROR_IO);  // 3
    EXPECT_EQ(query(vi, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

TEST(VisaFaults, SkipLetsTheFirstMatchesPassBeforeTheFaultStrikes) {
    const ViSession vi = open_faulty("fault.write.fail = *CLS\nfault.skip = 2\nfault.times = 1");
    EXPECT_EQ(write_text(vi, "*CLS\n"), VI_SUCCESS);
    EXPECT_EQ(write_text(vi, "*IDN?\n"), VI_SUCCESS);  // not a match
    EXPECT_EQ(write_text(vi, "*CLS\n"), VI_SUCCESS);
    EXPECT_EQ(write_text(vi, "*CLS\n"), VI_ERROR_IO);
    EXPECT_EQ(write_text(vi, "*CLS\n"), VI_SUCCESS);
}

TEST(VisaFaults, TimesOnTheStatusByteAndClear) {
    const ViSession vi =
        open_faulty("fault.stb = fail\nfault.times = 1\nfault.clear = fail\nfault.times = 2");
    ViUInt16 stb = 0;
    EXPECT_EQ(viReadSTB(vi, &stb), VI_ERROR_IO);
    EXPECT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(viClear(vi), VI_ERROR_IO);
    EXPECT_EQ(viClear(vi), VI_ERROR_IO);
    EXPECT_EQ(viClear(vi), VI_SUCCESS);
}

TEST(VisaFaults, CloseFaultIsReportedAndTheSessionIsClosedAllTheSame) {
    ViSession rm = 0;
    const ViSession vi = open_faulty("fault.close = fail", &rm);
    EXPECT_EQ(viClose(vi), VI_ERROR_CLOSING_FAILED);
    ViUInt16 stb = 0;
    EXPECT_EQ(viReadSTB(vi, &stb), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viClose(vi), VI_ERROR_INV_OBJECT);
    // Another session to the device, and the resource manager, close as usual.
    const ViSession other = open_instr(rm, "GPIB0::9::INSTR");
    EXPECT_EQ(viClose(other), VI_SUCCESS);
    EXPECT_EQ(viClose(rm), VI_SUCCESS);
}

TEST(VisaFaults, FaultsStayOnTheirDevice) {
    ViSession rm = 0;
    open_faulty("fault.write.fail = *IDN?\nfault.stb = fail\nfault.clear = fail", &rm);
    const ViSession ok = open_instr(rm, "GPIB0::9::INSTR");
    EXPECT_EQ(query(ok, "*IDN?\n"), "OK,1,2,3\n");
    ViUInt16 stb = 0;
    EXPECT_EQ(viReadSTB(ok, &stb), VI_SUCCESS);
    EXPECT_EQ(viClear(ok), VI_SUCCESS);
}

}  // namespace
