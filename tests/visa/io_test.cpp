// Message I/O with the simulated Q7304A: raw and formatted, time-outs, session lifetime,
// tracing, and several threads at once.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support.hpp"

using namespace visatest;

namespace {

class VisaIo : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VISA_SIM_BUS");
        rm_ = open_rm();
        vi_ = open_instr(rm_, "VXI0::24::INSTR");
    }
    ViSession rm_ = 0;
    ViSession vi_ = 0;
};

TEST_F(VisaIo, IdnThroughWriteAndRead) {
    ViUInt32 sent = 0;
    ASSERT_EQ(write_text(vi_, "*IDN?\n", &sent), VI_SUCCESS);
    EXPECT_EQ(sent, 6u);
    unsigned char buf[256] = {};
    ViUInt32 got = 0;
    ASSERT_EQ(viRead(vi_, buf, sizeof buf, &got), VI_SUCCESS);
    const std::string reply(reinterpret_cast<char*>(buf), got);
    EXPECT_EQ(reply.rfind(kQ7304Idn, 0), 0u) << reply;
    EXPECT_EQ(reply.back(), '\n');
    EXPECT_EQ(std::count(reply.begin(), reply.end(), ','), 3) << reply;
}

TEST_F(VisaIo, ShortReadsReturnTheReplyInPieces) {
    const std::string whole = query(vi_, "*IDN?\n");
    ASSERT_EQ(write_text(vi_, "*IDN?\n"), VI_SUCCESS);
    unsigned char buf[5];
    ViUInt32 got = 0;
    ASSERT_EQ(viRead(vi_, buf, sizeof buf, &got), VI_SUCCESS_MAX_CNT);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), got), whole.substr(0, 5));
    ViStatus st = 0;
    EXPECT_EQ(read_reply(vi_, st, 7), whole.substr(5));
    EXPECT_EQ(st, VI_SUCCESS);
}

TEST_F(VisaIo, TermCharEndsAReadAndKeepsTheRestForTheNext) {
    const std::string whole = query(vi_, "*IDN?\n");
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TERMCHAR, ','), VI_SUCCESS);
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
    ASSERT_EQ(write_text(vi_, "*IDN?\n"), VI_SUCCESS);
    std::vector<std::string> pieces;
    std::string joined;
    for (int i = 0; i < 8; ++i) {
        unsigned char buf[256];
        ViUInt32 got = 0;
        const ViStatus st = viRead(vi_, buf, sizeof buf, &got);
        ASSERT_GE(st, 0) << "piece " << i << " after " << joined;
        pieces.emplace_back(reinterpret_cast<char*>(buf), got);
        joined += pieces.back();
        if (st == VI_SUCCESS) break;
        EXPECT_EQ(st, VI_SUCCESS_TERM_CHAR);
        EXPECT_EQ(pieces.back().back(), ',');
    }
    EXPECT_EQ(joined, whole);
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(pieces[0], "VANTREL-OSSMARK,");
    EXPECT_EQ(pieces[1], "Q7304A,");

    // A formatted read takes the rest; a device clear drops it.
    unsigned char buf[256];
    ASSERT_EQ(write_text(vi_, "*IDN?\n"), VI_SUCCESS);
    ASSERT_EQ(viRead(vi_, buf, sizeof buf, nullptr), VI_SUCCESS_TERM_CHAR);
    ViChar rest[256] = {};
    ASSERT_EQ(viScanf(vi_, "%255[^\n]", rest), VI_SUCCESS);
    EXPECT_EQ(std::string(rest), whole.substr(pieces[0].size(), whole.size() - pieces[0].size() - 1));
    ASSERT_EQ(write_text(vi_, "*IDN?\n"), VI_SUCCESS);
    ASSERT_EQ(viRead(vi_, buf, sizeof buf, nullptr), VI_SUCCESS_TERM_CHAR);
    ASSERT_EQ(viClear(vi_), VI_SUCCESS);
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 50), VI_SUCCESS);
    EXPECT_EQ(viRead(vi_, buf, sizeof buf, nullptr), VI_ERROR_TMO);
}

TEST_F(VisaIo, FormattedQueryScanAndPrint) {
    ViChar line[256] = {};
    ASSERT_EQ(viQueryf(vi_, "*IDN?\n", "%255[^\n]", line), VI_SUCCESS);
    EXPECT_EQ(std::string(line).rfind(kQ7304Idn, 0), 0u) << line;

    ASSERT_EQ(viPrintf(vi_, "%s\n", "*IDN?"), VI_SUCCESS);
    ViChar maker[64] = {}, model[64] = {};
    ASSERT_EQ(viScanf(vi_, "%63[^,],%63[^,]", maker, model), VI_SUCCESS);
    EXPECT_STREQ(maker, "VANTREL-OSSMARK");
    EXPECT_STREQ(model, "Q7304A");
    // The rest of the reply stays for the next scan, until a flush drops it.
    ViChar serial[64] = {};
    ASSERT_EQ(viScanf(vi_, ",%63[^,]", serial), VI_SUCCESS);
    EXPECT_STREQ(serial, "0001");
    ASSERT_EQ(viFlush(vi_, VI_READ_BUF), VI_SUCCESS);

    // A numeric reply through the formatted calls.
    ASSERT_EQ(viPrintf(vi_, "*ESE %d\n", 36), VI_SUCCESS);
    int ese = -1;
    ASSERT_EQ(viQueryf(vi_, "*ESE?\n", "%d", &ese), VI_SUCCESS);
    EXPECT_EQ(ese, 36);
}

TEST_F(VisaIo, ReadWithNothingPendingTimesOutAfterTheTimeout) {
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 200), VI_SUCCESS);
    unsigned char buf[64];
    ViUInt32 got = 99;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(viRead(vi_, buf, sizeof buf, &got), VI_ERROR_TMO);
    const long ms = elapsed_ms(t0);
    EXPECT_EQ(got, 0u);
    EXPECT_GE(ms, 150);
    EXPECT_LT(ms, 1500);
    // A shorter time-out is honoured too.
    ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 20), VI_SUCCESS);
    const auto t1 = std::chrono::steady_clock::now();
    EXPECT_EQ(viRead(vi_, buf, sizeof buf, &got), VI_ERROR_TMO);
    EXPECT_LT(elapsed_ms(t1), 150);
    // The session still works afterwards.
    EXPECT_EQ(query(vi_, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

TEST_F(VisaIo, ClosingTheResourceManagerClosesItsSessions) {
    const ViSession other_rm = open_rm();
    const ViSession other = open_instr(other_rm, "VXI0::24::INSTR");
    ViFindList list = 0;
    ASSERT_EQ(viFindRsrc(rm_, "?*", &list, nullptr, nullptr), VI_SUCCESS);
    ASSERT_EQ(viClose(rm_), VI_SUCCESS);
    ViUInt32 sent = 7;
    EXPECT_EQ(write_text(vi_, "*IDN?\n", &sent), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(sent, 0u);
    unsigned char buf[16];
    EXPECT_EQ(viRead(vi_, buf, sizeof buf, nullptr), VI_ERROR_INV_OBJECT);
    ViChar desc[VI_FIND_BUFLEN];
    EXPECT_EQ(viFindNext(list, desc), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viClose(vi_), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viClose(rm_), VI_ERROR_INV_OBJECT);
    // Another resource manager's session is untouched.
    EXPECT_EQ(query(other, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

TEST_F(VisaIo, ClosingASessionLeavesTheResourceManager) {
    ASSERT_EQ(viClose(vi_), VI_SUCCESS);
    EXPECT_EQ(write_text(vi_, "*IDN?\n"), VI_ERROR_INV_OBJECT);
    const ViSession again = open_instr(rm_, "VXI0::24::INSTR");
    EXPECT_NE(again, vi_);
    EXPECT_EQ(query(again, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

TEST_F(VisaIo, SessionKindsAreNotInterchangeable) {
    EXPECT_EQ(write_text(rm_, "*IDN?\n"), VI_ERROR_INV_OBJECT);
    ViUInt16 stb = 0;
    EXPECT_EQ(viReadSTB(rm_, &stb), VI_ERROR_INV_OBJECT);
    ViSession vi = 0;
    EXPECT_EQ(viOpen(vi_, "VXI0::24::INSTR", VI_NULL, VI_NULL, &vi), VI_ERROR_INV_OBJECT);
    EXPECT_EQ(viClose(0xDEADBEEF), VI_ERROR_INV_OBJECT);
}

TEST(VisaTrace, OneLinePerWriteAndRead) {
    ::unsetenv("VISA_SIM_BUS");
    const std::string path = temp_path("trace");
    std::remove(path.c_str());
    ::setenv("VISA_SIM_TRACE", path.c_str(), 1);
    const ViSession rm = open_rm();
    const ViSession vi = open_instr(rm, "VXI0::24::INSTR");
    const std::string reply = query(vi, "*IDN?\n");
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(write_text(vi + 1000, "X"), VI_ERROR_INV_OBJECT);
    ::unsetenv("VISA_SIM_TRACE");
    EXPECT_EQ(write_text(vi, "*CLS\n"), VI_SUCCESS);  // not traced any more

    const std::string trace = read_file(path);
    std::remove(path.c_str());
    char h[16];
    std::snprintf(h, sizeof h, "0x%08X", vi);
    const std::string handle(h);
    const std::string write_line = "viWrite(" + handle +
                                   ", \"*IDN?\\n\", 6) = VI_SUCCESS (0x00000000) count=6\n";
    EXPECT_NE(trace.find(write_line), std::string::npos) << trace;
    std::string escaped = reply.substr(0, reply.size() - 1) + "\\n";
    const std::string read_line = "viRead(" + handle + ", 256) = VI_SUCCESS (0x00000000) count=" +
                                  std::to_string(reply.size()) + " data=\"" + escaped + "\"\n";
    EXPECT_NE(trace.find(read_line), std::string::npos) << trace;
    std::snprintf(h, sizeof h, "0x%08X", vi + 1000);
    EXPECT_NE(trace.find(std::string("viWrite(") + h +
                         ", \"X\", 1) = VI_ERROR_INV_OBJECT (0xBFFF000E)\n"),
              std::string::npos)
        << trace;
    EXPECT_EQ(trace.find("*CLS"), std::string::npos);
    // The write comes before the read, one call per line.
    EXPECT_LT(trace.find(write_line), trace.find(read_line));
    const std::regex line_shape(R"(vi[A-Za-z]+\(.*\) = VI_[A-Z_]+ \(0x[0-9A-F]{8}\).*)");
    std::size_t lines = 0, at = 0;
    while (at < trace.size()) {
        const auto nl = trace.find('\n', at);
        ASSERT_NE(nl, std::string::npos);
        EXPECT_TRUE(std::regex_match(trace.substr(at, nl - at), line_shape))
            << trace.substr(at, nl - at);
        ++lines;
        at = nl + 1;
    }
    EXPECT_EQ(lines, 5u);  // viOpenDefaultRM, viOpen, viWrite, viRead, bad viWrite
}

TEST(VisaThreads, SessionsOfTheirOwnQueryAtOnce) {
    use_bus("[VXI0::24::INSTR]\nq7304 = yes\n"
            "[VXI0::25::INSTR]\nq7304 = yes\n"
            "[GPIB0::3::INSTR]\nidn = P,THREE,0,0\n"
            "[GPIB0::4::INSTR]\nidn = P,FOUR,0,0\n");
    const ViSession rm = open_rm();
    struct Target {
        const char* name;
        std::string prefix;
    };
    const std::vector<Target> targets = {{"VXI0::24::INSTR", kQ7304Idn},
                                         {"VXI0::25::INSTR", kQ7304Idn},
                                         {"GPIB0::3::INSTR", "P,THREE,0,0"},
                                         {"GPIB0::4::INSTR", "P,FOUR,0,0"}};
    std::atomic<int> good{0}, bad{0};
    std::vector<std::thread> threads;
    for (const auto& t : targets) {
        threads.emplace_back([&, t] {
            ViSession vi = 0;
            if (viOpen(rm, t.name, VI_NULL, VI_NULL, &vi) != VI_SUCCESS) {
                ++bad;
                return;
            }
            viSetAttribute(vi, VI_ATTR_TMO_VALUE, 1000);
            for (int i = 0; i < 50; ++i) {
                ViChar line[256] = {};
                const ViStatus st = viQueryf(vi, "*IDN?\n", "%255[^\n]", line);
                const std::string got(line);
                if (st == VI_SUCCESS && got.rfind(t.prefix, 0) == 0) ++good;
                else ++bad;
            }
            viClose(vi);
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(good.load(), 200);
}

}  // namespace
