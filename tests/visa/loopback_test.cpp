// The loopback test device: messages stored and sent back, slow replies announced by a
// service request, the IEEE 488.2 common commands, on any interface.
#include <chrono>
#include <string>

#include "support.hpp"

using namespace visatest;

namespace {

constexpr const char* kBus =
    "[GPIB0::3::INSTR]\nloopback = yes\n"
    "[VXI0::7::INSTR]\nloopback = yes\nidn = ME,ECHO,7,2\n";

void send(ViSession vi, const std::string& text) {
    ASSERT_EQ(write_text(vi, text), VI_SUCCESS) << text;
}

std::string read_once(ViSession vi, ViUInt32 count, ViStatus& st) {
    std::string buf(count, '\0');
    ViUInt32 got = 0;
    st = viRead(vi, reinterpret_cast<ViBuf>(buf.data()), count, &got);
    buf.resize(got);
    return buf;
}

TEST(VisaLoopback, SendsBackTheStoredMessageUnchangedWithEndTermCharAndCount) {
    use_bus(kBus);
    const ViSession rm = open_rm();
    const ViSession vi = open_instr(rm, "GPIB0::3::INSTR");
    EXPECT_EQ(query(vi, "*IDN?\n"), "VISA-SIM,LOOPBACK,0,1.0\n");

    // One transfer may hold several messages; SEND can repeat the stored one.
    send(vi, "RECEIVE\nab,cd\nSEND\n");
    send(vi, "send\n");
    ViStatus st = 0;
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR, ','), VI_SUCCESS);
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
    EXPECT_EQ(read_once(vi, 64, st), "ab,");
    EXPECT_EQ(st, VI_SUCCESS_TERM_CHAR);
    EXPECT_EQ(read_once(vi, 2, st), "cd");
    EXPECT_EQ(st, VI_SUCCESS_MAX_CNT);
    EXPECT_EQ(read_once(vi, 64, st), "\n");
    EXPECT_EQ(st, VI_SUCCESS);
    EXPECT_EQ(read_once(vi, 64, st), "ab,");  // the second SEND
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_FALSE), VI_SUCCESS);
    EXPECT_EQ(read_once(vi, 64, st), "cd\n");

    // A message ends at the END of a transfer too, and comes back without a line feed;
    // pieces sent without END make one message.
    send(vi, "RECEIVE\n");
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_SEND_END_EN, VI_FALSE), VI_SUCCESS);
    send(vi, "no ");
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_SEND_END_EN, VI_TRUE), VI_SUCCESS);
    send(vi, "line feed");
    EXPECT_EQ(query(vi, "SEND\n"), "no line feed");
    // Formatted I/O takes the same path.
    ViChar idn[64] = {};
    ASSERT_EQ(viQueryf(vi, const_cast<ViString>("*IDN?\n"), const_cast<ViString>("%63[^\n]"), idn),
              VI_SUCCESS);
    EXPECT_STREQ(idn, "VISA-SIM,LOOPBACK,0,1.0");
}

TEST(VisaLoopback, CommonCommandsAndStatusRegistersAsTheQ7304) {
    use_bus(kBus);
    const ViSession rm = open_rm();
    const ViSession vi = open_instr(rm, "VXI0::7::INSTR");
    EXPECT_EQ(query(vi, "*idn?\n"), "ME,ECHO,7,2\n");
    EXPECT_EQ(query(vi, "*ESR?\n"), "128\n");  // power on
    EXPECT_EQ(query(vi, "*ESR?\n"), "0\n");
    send(vi, "BOGUS\n");
    send(vi, "*ESE 36;*SRE 255\n");  // the request bit of the enable register stays clear
    EXPECT_EQ(query(vi, "*ESE?;*SRE?;*STB?\n"), "36;191;96\n");
    EXPECT_EQ(query(vi, "*ESR?;*OPC?\n"), "32;1\n");
    send(vi, "*SRE 0;*ESE 0;*OPC;*ESE 300\n");  // 300 is out of range: an execution error
    EXPECT_EQ(query(vi, "*ESR?\n"), "17\n");
    // Nothing stored after *RST: SEND has nothing to send.
    send(vi, "RECEIVE\nkept\n*RST\nSEND\n*CLS\nSEND\n");
    EXPECT_EQ(query(vi, "*ESR?\n"), "16\n");
    // A read with nothing owed times out and is a query error; a device clear drops a reply.
    ViStatus st = 0;
    viSetAttribute(vi, VI_ATTR_TMO_VALUE, 100);
    read_reply(vi, st);
    EXPECT_EQ(st, VI_ERROR_TMO);
    send(vi, "*ESR?\n");
    ASSERT_EQ(viClear(vi), VI_SUCCESS);
    read_reply(vi, st);
    EXPECT_EQ(st, VI_ERROR_TMO);
    viSetAttribute(vi, VI_ATTR_TMO_VALUE, 2000);
    EXPECT_EQ(query(vi, "*ESR?\n"), "4\n");
    // A message-based VXI servant that follows IEEE 488.2.
    ViUInt16 dev_class = 0, compliant = 0;
    ASSERT_EQ(viGetAttribute(vi, VI_ATTR_VXI_DEV_CLASS, &dev_class), VI_SUCCESS);
    EXPECT_EQ(dev_class, VI_VXI_CLASS_MESSAGE);
    ASSERT_EQ(viGetAttribute(vi, VI_ATTR_4882_COMPLIANT, &compliant), VI_SUCCESS);
    EXPECT_EQ(compliant, VI_TRUE);
}

TEST(VisaLoopback, SlowRepliesComeLaterWithAServiceRequestThatASerialPollClears) {
    use_bus(kBus);
    const ViSession rm = open_rm();
    const ViSession vi = open_instr(rm, "GPIB0::3::INSTR");
    ASSERT_EQ(viEnableEvent(vi, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), VI_SUCCESS);
    for (const std::string how : {"SENDSLOWSRQ", "RCVSLOWSRQ"}) {
        SCOPED_TRACE(how);
        const auto sent = std::chrono::steady_clock::now();
        if (how == "SENDSLOWSRQ")
            send(vi, "RECEIVE\nslow one\nSENDSLOWSRQ\n");
        else
            send(vi, "RCVSLOWSRQ\nslow one\n");
        ViEventType type = 0;
        ASSERT_EQ(viWaitOnEvent(vi, VI_EVENT_SERVICE_REQ, 5000, &type, VI_NULL), VI_SUCCESS);
        EXPECT_GE(elapsed_ms(sent), 450);
        // Request service and message available; the poll clears the request only.
        ViUInt16 stb = 0;
        ASSERT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
        EXPECT_EQ(stb, 0x50);
        ASSERT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
        EXPECT_EQ(stb, 0x10);
        ViStatus st = 0;
        EXPECT_EQ(read_reply(vi, st), "slow one\n");
        ASSERT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
        EXPECT_EQ(stb, 0);
    }
    // A read waits for the slow reply; the request it raised stays until a poll takes it.
    send(vi, "SENDSLOWSRQ\n");
    ViStatus st = 0;
    EXPECT_EQ(read_reply(vi, st), "slow one\n");
    EXPECT_EQ(st, VI_SUCCESS);
    ViUInt16 stb = 0xFF;
    ASSERT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb, 0x40);
    ASSERT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb, 0);
    EXPECT_EQ(viWaitOnEvent(vi, VI_EVENT_SERVICE_REQ, 5000, VI_NULL, VI_NULL), VI_SUCCESS);
}

}  // namespace
