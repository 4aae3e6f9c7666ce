// IEEE 488.2 status reporting and message exchange as a controller sees them.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "instrument_test_support.hpp"

namespace sim::testing {
namespace {

using Codes = std::vector<int>;

TEST(InstrumentStatus, IdentifiesItselfAndPassesSelfTest) {
    Q7304Input in;
    in.serial = "3141";
    in.firmware = "B.01.00";
    Bench b(in);
    const std::string idn = b.query("*IDN?");
    EXPECT_EQ(idn, "VANTREL-OSSMARK,Q7304A,3141,B.01.00");
    EXPECT_EQ(idn.substr(0, 21), "VANTREL-OSSMARK,Q7304");
    EXPECT_EQ(b.query("*TST?"), "0");
    EXPECT_EQ(b.query("SYST:VERS?"), "1999.0");
}

TEST(InstrumentStatus, EventStatusRegisterReportsErrorsThroughEsb) {
    Bench b;
    EXPECT_EQ(b.query("*ESR?"), "128");  // power on
    EXPECT_EQ(b.query("*ESR?"), "0");    // reading clears
    b.send("*ESE 60;*SRE 32");
    EXPECT_EQ(b.query("*ESE?;*SRE?"), "60;32");
    b.send("NOPE");                                      // command error
    b.send("TRIG:COUN 0");                               // execution error
    EXPECT_EQ(b.dmm.status_byte(), 0x04 | 0x20 | 0x40);  // error queue, ESB, MSS
    EXPECT_EQ(b.query("*ESR?"), "48");
    EXPECT_EQ(b.dmm.status_byte(), 0x04);
    b.send("*CLS");
    EXPECT_EQ(b.dmm.status_byte(), 0);
    EXPECT_EQ(b.query("SYST:ERR?"), "+0,\"No error\"");
    b.send("*OPC");
    EXPECT_EQ(b.query("*ESR?"), "1");
    EXPECT_EQ(b.query("*OPC?"), "1");
    b.send("*ESE 256");
    EXPECT_EQ(b.errors(), Codes{-222});
    EXPECT_EQ(b.query("*ESE?"), "60");
}

TEST(InstrumentStatus, MavIsSetOnlyWhileAReplyWaitsAndReadsMayBePartial) {
    Bench b;
    EXPECT_EQ(b.dmm.status_byte() & 0x10, 0);
    b.send("*IDN?");
    EXPECT_EQ(b.dmm.status_byte() & 0x10, 0x10);
    EXPECT_EQ(b.query("*STB?").empty(), false);  // the unread *IDN? reply is discarded
    std::string part;
    bool end = true;
    b.send("*IDN?");
    ASSERT_EQ(b.dmm.read(part, 10, std::chrono::milliseconds(0), end), Q7304::ReadResult::ok);
    EXPECT_EQ(part, "VANTREL-OS");
    EXPECT_FALSE(end);
    EXPECT_EQ(b.dmm.status_byte() & 0x10, 0x10);
    std::string rest;
    ASSERT_EQ(b.dmm.read(rest, 1000, std::chrono::milliseconds(0), end), Q7304::ReadResult::ok);
    EXPECT_TRUE(end);
    EXPECT_EQ(part + rest, "VANTREL-OSSMARK,Q7304A,0001,A.02.01\n");
    EXPECT_EQ(b.dmm.status_byte() & 0x10, 0);
    EXPECT_EQ(b.errors(), Codes{-410});
}

TEST(InstrumentStatus, NewMessageBeforeTheReplyIsReadInterruptsTheQuery) {
    Bench b;
    b.send("TRIG:COUN?");
    b.send("SAMP:COUN 2");  // the pending "1" is discarded
    EXPECT_EQ(b.dmm.status_byte() & 0x10, 0);
    EXPECT_EQ(b.query("SAMP:COUN?"), "2");
    EXPECT_EQ(b.query("SYST:ERR?"), "-410,\"Query INTERRUPTED\"");
}

TEST(InstrumentStatus, ReadWithoutQueryTimesOutAndQueuesMinus420) {
    Bench b;
    std::string out = "stale";
    bool end = true;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(b.dmm.read(out, 100, std::chrono::milliseconds(50), end), Q7304::ReadResult::timeout);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(end);
    EXPECT_EQ(b.errors(), Codes{-420});
    // A fully read reply leaves nothing to read.
    EXPECT_EQ(b.query("*TST?"), "0");
    EXPECT_EQ(b.read(0ms), "<timeout>");
    EXPECT_EQ(b.errors(), Codes{-420});
}

TEST(InstrumentStatus, DeviceClearDropsBuffersButKeepsSettingsAndReadings) {
    Bench b;
    b.send("VOLT:APER 0.0004;:SAMP:COUN 3;:TRIG:COUN 2");
    const auto first = split_readings(b.query("READ?"));
    ASSERT_EQ(first.size(), 6u);
    b.dmm.write("TRIG:COUN 9", false);  // unterminated, lost by the clear
    b.send("*IDN?");
    b.dmm.device_clear();
    EXPECT_EQ(b.dmm.status_byte() & 0x10, 0);
    EXPECT_EQ(b.read(0ms), "<timeout>");
    b.dmm.write("\n", true);
    EXPECT_EQ(b.query("TRIG:COUN?;:SAMP:COUN?"), "2;3");
    EXPECT_EQ(split_readings(b.query("FETC?")), first);
}

TEST(InstrumentStatus, QuestionableRegisterSummarisesIntoStatusByteBit3) {
    Q7304Input in;
    in.volt_dc = 50.0;
    Bench b(in);
    b.send("VOLT:APER 0.0004;:VOLT:RANG 10");
    EXPECT_EQ(b.query("READ?"), "+9.900000000E+37");
    EXPECT_EQ(b.query("STAT:QUES:COND?"), "1");
    EXPECT_EQ(b.dmm.status_byte() & 0x08, 0);  // not enabled
    b.send("STAT:QUES:ENAB 1");
    EXPECT_EQ(b.query("STAT:QUES:ENAB?"), "1");
    EXPECT_EQ(b.dmm.status_byte() & 0x08, 0x08);
    EXPECT_EQ(b.query("STAT:QUES?"), "1");
    EXPECT_EQ(b.query("STAT:QUES:EVEN?"), "0");  // reading cleared it
    EXPECT_EQ(b.dmm.status_byte() & 0x08, 0);
    EXPECT_EQ(b.query("STAT:QUES:COND?"), "1");
    b.send("STAT:PRES");
    EXPECT_EQ(b.query("STAT:QUES:ENAB?"), "0");
}

// Counts service requests; waits for the next without calling the instrument.
class Requests {
public:
    void raise() {
        std::lock_guard lock(m_);
        ++count_;
        cv_.notify_all();
    }
    bool wait_for(int n, std::chrono::milliseconds limit) {
        std::unique_lock lock(m_);
        return cv_.wait_for(lock, limit, [&] { return count_ >= n; });
    }
    int count() {
        std::lock_guard lock(m_);
        return count_;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    int count_ = 0;
};

TEST(InstrumentStatus, ServiceRequestsComeOnTheInstrumentsOwnClock) {
    Bench b;
    Requests requests;
    b.dmm.set_service_request_handler([&] { requests.raise(); });
    // *OPC completing 100 ms later raises RQS with no call made meanwhile.
    b.send("VOLT:APER 0.02;:SAMP:COUN 5;*ESE 1;*SRE 32;:INIT;*OPC");
    EXPECT_EQ(requests.count(), 0);
    ASSERT_TRUE(requests.wait_for(1, 2000ms));
    EXPECT_EQ(b.dmm.status_byte() & 0x60, 0x60);
    EXPECT_EQ(b.dmm.status_byte() & 0x40, 0);  // the poll cleared RQS
    // A FETCh? whose readings come in sets MAV: a request through *SRE 16.
    b.send("*CLS;*SRE 16;:INIT;FETC?");
    ASSERT_TRUE(requests.wait_for(2, 2000ms));
    EXPECT_EQ(split_readings(b.read(0ms)).size(), 5u);
    b.dmm.set_service_request_handler({});
    b.send("INIT;FETC?");
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(requests.count(), 2);
}

TEST(InstrumentStatus, ARequestFirstSeenByASerialPollIsStillTold) {
    Q7304Input in;
    in.volt_dc = 50.0;
    Bench b(in);
    Requests requests;
    b.dmm.set_service_request_handler([&] { requests.raise(); });
    // Overloaded readings set the questionable summary in mid-block, between calls.
    b.send("VOLT:RANG 10;:VOLT:APER 0.02;:SAMP:COUN 50;:STAT:QUES:ENAB 1;*SRE 8;:INIT");
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(b.dmm.status_byte() & 0x48, 0x48);
    EXPECT_TRUE(requests.wait_for(1, 1000ms));
    b.send("ABOR");
}

}  // namespace
}  // namespace sim::testing
