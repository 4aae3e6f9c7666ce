// Reads that end early and calls that end others: the termination character leaves the
// rest of a reply in the device, flushes drop it, a device clear or terminate ends a
// pending read at once; what a read waits for is what the instrument owes.
#include <algorithm>
#include <future>
#include <string>
#include <thread>

#include "support.hpp"

using namespace visatest;

namespace {

class VisaTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VISA_SIM_BUS");
        rm_ = open_rm();
        vi_ = open_instr(rm_, "VXI0::24::INSTR");
        ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 1000), VI_SUCCESS);
        ASSERT_EQ(write_text(vi_, "*RST;*CLS;:VOLT:APER 0.0004;:SAMP:COUN 3\n"), VI_SUCCESS);
    }
    std::string read_piece(ViStatus& st) {
        unsigned char buf[256];
        ViUInt32 n = 0;
        st = viRead(vi_, buf, sizeof buf, &n);
        return std::string(reinterpret_cast<char*>(buf), n);
    }
    int stb() {
        ViUInt16 v = 0;
        EXPECT_EQ(viReadSTB(vi_, &v), VI_SUCCESS);
        return v;
    }
    void split_at_commas() {
        ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TERMCHAR, ','), VI_SUCCESS);
        ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
    }
    ViSession rm_ = 0;
    ViSession vi_ = 0;
};

TEST_F(VisaTransfer, TermCharSplitKeepsTheRestForTheNextReadAndMessageAvailable) {
    const std::string whole = query(vi_, "READ?\n");
    split_at_commas();
    ASSERT_EQ(write_text(vi_, "FETC?\n"), VI_SUCCESS);
    ViStatus st = 0;
    const std::string first = read_piece(st);
    EXPECT_EQ(st, VI_SUCCESS_TERM_CHAR);
    EXPECT_EQ(first, whole.substr(0, whole.find(',') + 1));
    EXPECT_EQ(stb() & 0x10, 0x10) << "bytes remain";
    const std::string second = read_piece(st);
    EXPECT_EQ(st, VI_SUCCESS_TERM_CHAR);
    const std::string third = read_piece(st);
    EXPECT_EQ(st, VI_SUCCESS);
    EXPECT_EQ(first + second + third, whole);
    EXPECT_EQ(stb() & 0x10, 0);

    // A new query after part of a reply: its read gives the new reply, not the old rest.
    ASSERT_EQ(write_text(vi_, "FETC?\n"), VI_SUCCESS);
    read_piece(st);
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TERMCHAR_EN, VI_FALSE), VI_SUCCESS);
    EXPECT_EQ(query(vi_, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

// A reply larger than the instrument's output queue, read in pieces that end at the
// termination character or at the count, across the queue's refills.
TEST_F(VisaTransfer, TermCharPiecesOfAReplyLongerThanTheOutputQueue) {
    ASSERT_EQ(write_text(vi_, "SAMP:COUN 100\n"), VI_SUCCESS);
    query(vi_, "READ?\n");
    std::string fetches;
    for (int i = 0; i < 50; ++i) fetches += i ? ";FETC?" : "FETC?";
    const std::string whole = query(vi_, fetches + "\n");
    ASSERT_GT(whole.size(), 65536u);
    split_at_commas();
    ASSERT_EQ(write_text(vi_, fetches + "\n"), VI_SUCCESS);
    std::string joined;
    std::size_t pieces = 0;
    for (ViStatus st = VI_SUCCESS_MAX_CNT; st != VI_SUCCESS; ++pieces) {
        unsigned char buf[10];
        ViUInt32 n = 0;
        st = viRead(vi_, buf, sizeof buf, &n);
        ASSERT_GE(st, 0) << "after " << joined.size() << " bytes";
        const std::string piece(reinterpret_cast<char*>(buf), n);
        joined += piece;
        ASSERT_EQ(piece.find(','), piece.back() == ',' ? n - 1 : std::string::npos) << piece;
        if (st == VI_SUCCESS) break;
        EXPECT_EQ(st, piece.back() == ',' ? VI_SUCCESS_TERM_CHAR : VI_SUCCESS_MAX_CNT) << piece;
        if (st == VI_SUCCESS_MAX_CNT) {
            EXPECT_EQ(n, sizeof buf);
        }
        if (pieces == 1000) {
            EXPECT_EQ(stb() & 0x10, 0x10) << "bytes remain";
        }
    }
    EXPECT_EQ(joined, whole);
    EXPECT_EQ(stb() & 0x10, 0);
}

TEST_F(VisaTransfer, FlushWithTheReadBufferMasksDropsTheRest) {
    split_at_commas();
    ViStatus st = 0;
    for (const ViUInt16 mask : {ViUInt16{VI_READ_BUF}, ViUInt16{VI_IO_IN_BUF}}) {
        ASSERT_EQ(write_text(vi_, "READ?\n"), VI_SUCCESS);
        read_piece(st);
        ASSERT_EQ(st, VI_SUCCESS_TERM_CHAR);
        ASSERT_EQ(viFlush(vi_, mask), VI_SUCCESS) << mask;
        EXPECT_EQ(stb() & 0x10, 0) << mask;
    }
    // Nothing is left to read, and nothing was lost from the next reply.
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 50), VI_SUCCESS);
    read_piece(st);
    EXPECT_EQ(st, VI_ERROR_TMO);
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TERMCHAR_EN, VI_FALSE), VI_SUCCESS);
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 1000), VI_SUCCESS);
    EXPECT_EQ(query(vi_, "SYST:ERR?\n"), "-420,\"Query UNTERMINATED\"\n");
    EXPECT_EQ(viFlush(vi_, 0), VI_ERROR_INV_MASK);
    EXPECT_EQ(viFlush(vi_, VI_READ_BUF | VI_READ_BUF_DISCARD), VI_ERROR_INV_MASK);
}

// A read that waits for a trigger that never comes, with an infinite time-out.
std::future<ViStatus> pending_read(ViSession vi, const std::string& source = "EXT") {
    EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
    EXPECT_EQ(write_text(vi, "TRIG:SOUR " + source + ";:INIT;FETC?\n"), VI_SUCCESS);
    return std::async(std::launch::async, [vi] {
        unsigned char buf[64];
        ViUInt32 n = 0;
        return viRead(vi, buf, sizeof buf, &n);
    });
}

TEST_F(VisaTransfer, ClearFromAnotherThreadEndsAPendingReadAtOnce) {
    auto read = pending_read(vi_);
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(150)), std::future_status::timeout);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(viClear(vi_), VI_SUCCESS);
    ASSERT_EQ(read.wait_for(std::chrono::milliseconds(1000)), std::future_status::ready);
    EXPECT_EQ(read.get(), VI_ERROR_ABORT);
    EXPECT_LT(elapsed_ms(t0), 500);
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 1000), VI_SUCCESS);
    EXPECT_EQ(query(vi_, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

TEST_F(VisaTransfer, TerminateEndsAPendingReadAndLeavesTheDevice) {
    auto read = pending_read(vi_, "BUS");
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_EQ(viTerminate(vi_, 1, VI_NULL), VI_ERROR_INV_DEGREE);
    EXPECT_EQ(viTerminate(vi_, VI_NULL, 77), VI_ERROR_INV_JOB_ID);
    EXPECT_EQ(viTerminate(vi_, VI_NULL, VI_NULL), VI_SUCCESS);
    ASSERT_EQ(read.wait_for(std::chrono::milliseconds(500)), std::future_status::ready);
    EXPECT_EQ(read.get(), VI_ERROR_ABORT);
    // The device still owes the reply: a bus trigger completes it, for the next read.
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 1000), VI_SUCCESS);
    ASSERT_EQ(viAssertTrigger(vi_, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);
    ViStatus st = 0;
    const std::string reply = read_reply(vi_, st);
    EXPECT_EQ(st, VI_SUCCESS);
    EXPECT_EQ(std::count(reply.begin(), reply.end(), ','), 2) << reply;
}

int error_count(ViSession vi) { return std::stoi(query(vi, "SYST:ERR:COUN?\n")); }

// A query that fails leaves nothing to answer: each read of it is one unterminated query,
// however long it waits, and a terminate ends such a wait too.
TEST_F(VisaTransfer, AReadWithNothingOwedIsOneUnterminatedQuery) {
    ASSERT_EQ(write_text(vi_, "*CLS;FOO?\n"), VI_SUCCESS);
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 300), VI_SUCCESS);
    ViStatus st = 0;
    read_piece(st);
    EXPECT_EQ(st, VI_ERROR_TMO);
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 1000), VI_SUCCESS);
    EXPECT_EQ(error_count(vi_), 2) << "-113 and one -420";

    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, VI_TMO_INFINITE), VI_SUCCESS);
    auto read = std::async(std::launch::async, [this] {
        ViStatus status = 0;
        read_piece(status);
        return status;
    });
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(150)), std::future_status::timeout);
    EXPECT_EQ(viTerminate(vi_, VI_NULL, VI_NULL), VI_SUCCESS);
    ASSERT_EQ(read.wait_for(std::chrono::milliseconds(500)), std::future_status::ready);
    EXPECT_EQ(read.get(), VI_ERROR_ABORT);
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 1000), VI_SUCCESS);
    EXPECT_EQ(error_count(vi_), 3);
    EXPECT_EQ(query(vi_, "SYST:ERR:ALL?\n"),
              "-113,\"Undefined header\",-420,\"Query UNTERMINATED\",-420,\"Query UNTERMINATED\"\n");
}

// Whether a reply is owed is the instrument's to say, not the message text's: a blank
// message keeps a reply that is still being measured readable, a '?' inside a string owes
// nothing. The VXI response register's DOR bit shows the same.
TEST_F(VisaTransfer, WhatAReadWaitsForIsWhatTheInstrumentOwes) {
    constexpr ViUInt16 kDor = 1u << 13;
    const auto dor = [this] {
        ViUInt16 response = 0;
        EXPECT_EQ(viIn16(vi_, VI_A16_SPACE, 0x0A, &response), VI_SUCCESS);
        return (response & kDor) != 0;
    };
    EXPECT_FALSE(dor());
    ASSERT_EQ(write_text(vi_, "VOLT:APER 0.1;:READ?\n"), VI_SUCCESS);
    ASSERT_EQ(write_text(vi_, "\n"), VI_SUCCESS);
    EXPECT_TRUE(dor()) << "the readings are still being taken";
    ViStatus st = 0;
    const std::string reply = read_reply(vi_, st);
    EXPECT_EQ(st, VI_SUCCESS);
    EXPECT_EQ(std::count(reply.begin(), reply.end(), ','), 2) << reply;
    EXPECT_FALSE(dor());

    ASSERT_EQ(write_text(vi_, "*CLS;FUNC \"VOLT?\"\n"), VI_SUCCESS);
    EXPECT_FALSE(dor());
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 300), VI_SUCCESS);
    read_piece(st);
    EXPECT_EQ(st, VI_ERROR_TMO);
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 1000), VI_SUCCESS);
    const std::string errors = query(vi_, "SYST:ERR:ALL?\n");
    EXPECT_EQ(std::count(errors.begin(), errors.end(), ','), 3) << errors;
    EXPECT_NE(errors.find(",-420,\"Query UNTERMINATED\"\n"), std::string::npos) << errors;
}

}  // namespace
