// The library's TCPIP resources against visa-sim-server, run in a private network namespace.
#include <gtest/gtest.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>
#include <memory>
#include <string>
#include <thread>

#include "sim_server.hpp"
#include "visa.h"

namespace {

constexpr const char* kBus =
    "[VXI0::24::INSTR]\nq7304 = yes\nlan.socket_port = 5025\n"
    "[GPIB0::3::INSTR]\ninterface = gpib\nloopback = yes\nlan.socket_port = 5026\n";

// visa-sim-server serving kBus until the end of the scope.
class Server : public gutest::SimServer {
public:
    Server() : SimServer(SERVER_PATH, kBus) {}
};

ViSession open(ViSession rm, const std::string& name, ViStatus want = VI_SUCCESS) {
    ViSession vi = VI_NULL;
    EXPECT_EQ(viOpen(rm, name.c_str(), VI_NULL, 2000, &vi), want) << name;
    return vi;
}

ViStatus send(ViSession vi, const std::string& text) {
    ViUInt32 n = 0;
    return viWrite(vi, reinterpret_cast<ViConstBuf>(text.data()), static_cast<ViUInt32>(text.size()), &n);
}

std::string receive(ViSession vi, ViStatus* status = nullptr, ViUInt32 max = 4096) {
    std::string buf(max, '\0');
    ViUInt32 n = 0;
    const ViStatus st = viRead(vi, reinterpret_cast<ViBuf>(buf.data()), max, &n);
    if (status) *status = st;
    buf.resize(n);
    return buf;
}

std::string text_attr(ViSession vi, ViAttr attr) {
    char buf[256] = {};
    EXPECT_EQ(viGetAttribute(vi, attr, buf), VI_SUCCESS) << std::hex << attr;
    return buf;
}

template <class T>
T attr(ViSession vi, ViAttr a) {
    T v{};
    EXPECT_EQ(viGetAttribute(vi, a, &v), VI_SUCCESS) << std::hex << a;
    return v;
}

// What every message-based LAN INSTR session does, the loopback device at `loop` and the
// Q7304A at `dmm`: messages in pieces, term char and count, status, trigger, clear.
void message_scenario(ViSession rm, const std::string& loop, const std::string& dmm) {
    const ViSession vi = open(rm, loop);
    EXPECT_EQ(send(vi, "*IDN?\n"), VI_SUCCESS);
    ViStatus st = 0;
    EXPECT_EQ(receive(vi, &st), "VISA-SIM,LOOPBACK,0,1.0\n");
    EXPECT_EQ(st, VI_SUCCESS);

    // A message larger than any one transfer comes back whole, its END at the end only.
    std::string big(3u << 20, 'x');
    for (std::size_t i = 0; i < big.size(); i += 997) big[i] = static_cast<char>('a' + i % 26);
    ASSERT_EQ(send(vi, "RECEIVE\n"), VI_SUCCESS);
    ASSERT_EQ(send(vi, big), VI_SUCCESS);
    ASSERT_EQ(send(vi, "SEND\n"), VI_SUCCESS);
    EXPECT_EQ(receive(vi, &st, big.size() + 16), big);
    EXPECT_EQ(st, VI_SUCCESS);

    // A count stops a read short; the term char ends one, and the rest is read after.
    ASSERT_EQ(send(vi, "RECEIVE\n"), VI_SUCCESS);
    ASSERT_EQ(send(vi, "ab;cd;ef"), VI_SUCCESS);
    ASSERT_EQ(send(vi, "SEND\n"), VI_SUCCESS);
    EXPECT_EQ(receive(vi, &st, 2), "ab");
    EXPECT_EQ(st, VI_SUCCESS_MAX_CNT);
    EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR, ';'), VI_SUCCESS);
    EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
    EXPECT_EQ(receive(vi, &st), ";");
    EXPECT_EQ(st, VI_SUCCESS_TERM_CHAR);
    EXPECT_EQ(receive(vi, &st), "cd;");
    EXPECT_EQ(receive(vi, &st), "ef");
    EXPECT_EQ(st, VI_SUCCESS);
    EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_FALSE), VI_SUCCESS);

    // A reply waiting shows in the status byte (MAV) and is gone after a device clear.
    ASSERT_EQ(send(vi, "*IDN?\n"), VI_SUCCESS);
    ViUInt16 stb = 0;
    for (int i = 0; i < 100 && !(stb & 0x10); ++i) ASSERT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x10, 0x10);
    EXPECT_EQ(viClear(vi), VI_SUCCESS);
    EXPECT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x10, 0);
    EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, 300), VI_SUCCESS);
    receive(vi, &st);
    EXPECT_EQ(st, VI_ERROR_TMO);
    EXPECT_EQ(viGpibControlREN(vi, VI_GPIB_REN_ASSERT_ADDRESS), VI_SUCCESS);
    EXPECT_EQ(viGpibControlREN(vi, VI_GPIB_REN_DEASSERT_GTL), VI_SUCCESS);
    EXPECT_EQ(attr<ViUInt16>(vi, VI_ATTR_INTF_TYPE), VI_INTF_TCPIP);
    EXPECT_EQ(text_attr(vi, VI_ATTR_TCPIP_ADDR), "127.0.0.1");
    EXPECT_EQ(viClose(vi), VI_SUCCESS);

    // A bus trigger takes a Q7304A's reading; formatted I/O goes the same way.
    const ViSession d = open(rm, dmm);
    EXPECT_EQ(viPrintf(d, const_cast<ViString>("*RST;:TRIG:SOUR BUS;:INIT\n")), VI_SUCCESS);
    EXPECT_EQ(viAssertTrigger(d, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);
    double reading = 1e9;
    EXPECT_EQ(viQueryf(d, const_cast<ViString>("FETC?\n"), const_cast<ViString>("%lf"), &reading), VI_SUCCESS);
    EXPECT_LT(reading, 1e9);
    char idn[256] = {};
    EXPECT_EQ(viQueryf(d, const_cast<ViString>("*IDN?\n"), const_cast<ViString>("%255[^\n]"), idn), VI_SUCCESS);
    EXPECT_NE(std::string(idn).find("7304"), std::string::npos) << idn;
    EXPECT_EQ(viClose(d), VI_SUCCESS);
}

ViSession rm_session() {
    ViSession rm = VI_NULL;
    EXPECT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
    return rm;
}

// A lock taken through one name holds against a session of the same device under another
// (its own link, as from another machine), and goes with the unlock. A VXI-11 link's write
// is refused; a HiSLIP session's message waits in the server for the lock.
void lock_scenario(ViSession rm, const std::string& holder, const std::string& other, bool other_waits) {
    const ViSession a = open(rm, holder), b = open(rm, other);
    ASSERT_EQ(viLock(a, VI_EXCLUSIVE_LOCK, 1000, VI_NULL, VI_NULL), VI_SUCCESS);
    EXPECT_EQ(viLock(b, VI_EXCLUSIVE_LOCK, 200, VI_NULL, VI_NULL), VI_ERROR_TMO);
    ViStatus st = 0;
    if (other_waits) {
        EXPECT_EQ(send(b, "*IDN?\n"), VI_SUCCESS);
        viSetAttribute(b, VI_ATTR_TMO_VALUE, 300);
        receive(b, &st);
        EXPECT_EQ(st, VI_ERROR_TMO);
    } else {
        EXPECT_EQ(send(b, "*IDN?\n"), VI_ERROR_RSRC_LOCKED);
    }
    EXPECT_EQ(send(a, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(receive(a).rfind("VISA-SIM,LOOPBACK", 0), 0u);
    EXPECT_EQ(viUnlock(a), VI_SUCCESS);
    viSetAttribute(b, VI_ATTR_TMO_VALUE, 2000);
    if (!other_waits) EXPECT_EQ(send(b, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(receive(b).rfind("VISA-SIM,LOOPBACK", 0), 0u);
    viClose(a);
    viClose(b);
}

}  // namespace

TEST(Vxi11, MessagesStatusTriggerClearAndAttributes) {
    Server server;
    const ViSession rm = rm_session();
    message_scenario(rm, "TCPIP::127.0.0.1::gpib0,3::INSTR", "TCPIP0::127.0.0.1::INSTR");
    const ViSession vi = open(rm, "TCPIP0::127.0.0.1::inst1::INSTR");
    EXPECT_EQ(text_attr(vi, VI_ATTR_RSRC_NAME), "TCPIP0::127.0.0.1::inst1::INSTR");
    EXPECT_EQ(text_attr(vi, VI_ATTR_TCPIP_DEVICE_NAME), "inst1");
    EXPECT_EQ(attr<ViBoolean>(vi, VI_ATTR_TCPIP_IS_HISLIP), VI_FALSE);
    open(rm, "TCPIP0::127.0.0.1::inst9::INSTR", VI_ERROR_RSRC_NFOUND);
    viClose(rm);
}

TEST(Vxi11, LocksHoldAgainstAnotherLink) {
    Server server;
    lock_scenario(rm_session(), "TCPIP0::127.0.0.1::inst1::INSTR", "TCPIP0::localhost::inst1::INSTR", false);
}

TEST(Vxi11, TerminateEndsABlockingRead) {
    Server server;
    const ViSession rm = rm_session();
    const ViSession vi = open(rm, "TCPIP0::127.0.0.1::inst1::INSTR");
    viSetAttribute(vi, VI_ATTR_TMO_VALUE, 20000);
    std::thread ender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(viTerminate(vi, VI_NULL, VI_NULL), VI_SUCCESS);
    });
    ViStatus st = 0;
    receive(vi, &st);
    ender.join();
    EXPECT_EQ(st, VI_ERROR_ABORT);
    // The link goes on: the ended call's late reply is not taken for the next one's.
    EXPECT_EQ(send(vi, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(receive(vi, &st), "VISA-SIM,LOOPBACK,0,1.0\n");
    viClose(rm);
}

TEST(Hislip, MessagesStatusTriggerClearAndAttributes) {
    Server server;
    const ViSession rm = rm_session();
    message_scenario(rm, "TCPIP0::127.0.0.1::hislip1::INSTR", "TCPIP0::127.0.0.1::hislip0,4880::INSTR");
    const ViSession vi = open(rm, "TCPIP0::127.0.0.1::hislip1::INSTR");
    EXPECT_EQ(attr<ViBoolean>(vi, VI_ATTR_TCPIP_IS_HISLIP), VI_TRUE);
    EXPECT_EQ(attr<ViUInt32>(vi, VI_ATTR_TCPIP_HISLIP_VERSION), 0x01000000u);
    EXPECT_GT(attr<ViUInt32>(vi, VI_ATTR_TCPIP_HISLIP_MAX_MESSAGE_KB), 0u);
    open(rm, "TCPIP0::127.0.0.1::hislip9::INSTR", VI_ERROR_RSRC_NFOUND);
    viClose(rm);
}

TEST(Hislip, LocksHoldAgainstAnotherSession) {
    Server server;
    const ViSession rm = rm_session();
    lock_scenario(rm, "TCPIP0::127.0.0.1::hislip1::INSTR", "TCPIP0::localhost::hislip1::INSTR", true);
    // Across protocols too: a HiSLIP lock keeps a VXI-11 link out.
    lock_scenario(rm, "TCPIP0::127.0.0.1::hislip1::INSTR", "TCPIP0::localhost::inst1::INSTR", false);
}

TEST(Socket, TermCharReadsAnd4882Strings) {
    Server server;
    const ViSession rm = rm_session();
    const ViSession vi = open(rm, "TCPIP0::127.0.0.1::5026::SOCKET");
    EXPECT_EQ(attr<ViUInt16>(vi, VI_ATTR_TCPIP_PORT), 5026);
    EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
    ViStatus st = 0;
    EXPECT_EQ(send(vi, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(receive(vi, &st), "VISA-SIM,LOOPBACK,0,1.0\n");
    EXPECT_EQ(st, VI_SUCCESS_TERM_CHAR);
    ViUInt16 stb = 0;
    EXPECT_EQ(viReadSTB(vi, &stb), VI_ERROR_NSUP_OPER);
    EXPECT_EQ(viSetAttribute(vi, VI_ATTR_IO_PROT, VI_PROT_4882_STRS), VI_SUCCESS);
    EXPECT_EQ(send(vi, "*SRE 0;*ESE 1;*OPC\n"), VI_SUCCESS);
    EXPECT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x20, 0x20);  // ESB, from *OPC
    EXPECT_EQ(viAssertTrigger(vi, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);
    // A reply not read is gone after a clear.
    EXPECT_EQ(send(vi, "*IDN?\n"), VI_SUCCESS);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(viClear(vi), VI_SUCCESS);
    EXPECT_EQ(send(vi, "*ESR?\n"), VI_SUCCESS);
    const std::string esr = receive(vi, &st);
    EXPECT_EQ(esr.find("VISA-SIM"), std::string::npos) << esr;
    EXPECT_EQ(std::stoi(esr) & 1, 1);  // OPC
    viClose(rm);
}

TEST(Faults, UnreachableServersAndALostConnection) {
    const ViSession rm = rm_session();
    // Nothing listens yet: refused, for each protocol.
    open(rm, "TCPIP0::127.0.0.1::inst0::INSTR", VI_ERROR_RSRC_NFOUND);
    open(rm, "TCPIP0::127.0.0.1::hislip0::INSTR", VI_ERROR_RSRC_NFOUND);
    open(rm, "TCPIP0::127.0.0.1::5025::SOCKET", VI_ERROR_RSRC_NFOUND);
    open(rm, "TCPIP0::no-such-host.invalid::inst0::INSTR", VI_ERROR_RSRC_NFOUND);

    auto server = std::make_unique<Server>();
    const char* names[] = {"TCPIP0::127.0.0.1::inst1::INSTR", "TCPIP0::127.0.0.1::hislip1::INSTR",
                           "TCPIP0::127.0.0.1::5026::SOCKET"};
    ViSession vi[3];
    for (int i = 0; i < 3; ++i) {
        vi[i] = open(rm, names[i]);
        viSetAttribute(vi[i], VI_ATTR_TMO_VALUE, 1000);
        viSetAttribute(vi[i], VI_ATTR_TERMCHAR_EN, VI_TRUE);
        // A read under way when the server dies.
        ASSERT_EQ(send(vi[i], "SENDSLOWSRQ\n"), VI_SUCCESS);
    }
    server->stop();
    for (int i = 0; i < 3; ++i) {
        ViStatus st = 0;
        receive(vi[i], &st);
        EXPECT_TRUE(st == VI_ERROR_CONN_LOST || st == VI_ERROR_TMO) << names[i] << " " << std::hex << st;
        // While the server is away, calls fail at once.
        EXPECT_EQ(send(vi[i], "*IDN?\n"), VI_ERROR_CONN_LOST) << names[i];
    }
    // Once the server is back, the sessions go on (their links opened again), and the same
    // names open again.
    server->start();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(send(vi[i], "*IDN?\n"), VI_SUCCESS) << names[i];
        EXPECT_EQ(receive(vi[i]), "VISA-SIM,LOOPBACK,0,1.0\n") << names[i];
        EXPECT_EQ(viClose(vi[i]), VI_SUCCESS);
    }
    for (const char* name : names) {
        const ViSession again = open(rm, name);
        viSetAttribute(again, VI_ATTR_TERMCHAR_EN, VI_TRUE);
        EXPECT_EQ(send(again, "*IDN?\n"), VI_SUCCESS);
        EXPECT_EQ(receive(again), "VISA-SIM,LOOPBACK,0,1.0\n") << name;
    }
    viClose(rm);
}

namespace {

std::atomic<int> handled{0};
ViStatus count_srq(ViSession, ViEventType type, ViEvent, ViAddr) {
    if (type == VI_EVENT_SERVICE_REQ) ++handled;
    return VI_SUCCESS;
}

// A slow reply announced by a service request: waited for in the queue on one session, by
// a handler on another; the serial poll shows RQS and MAV, and the reply is read.
void srq_scenario(ViSession rm, const std::string& name) {
    const ViSession q = open(rm, name), h = open(rm, name);
    ASSERT_EQ(viEnableEvent(q, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), VI_SUCCESS);
    ASSERT_EQ(viInstallHandler(h, VI_EVENT_SERVICE_REQ, count_srq, nullptr), VI_SUCCESS);
    ASSERT_EQ(viEnableEvent(h, VI_EVENT_SERVICE_REQ, VI_HNDLR, VI_NULL), VI_SUCCESS);
    handled = 0;
    ASSERT_EQ(send(q, "RECEIVE\n"), VI_SUCCESS);
    ASSERT_EQ(send(q, "late?\n"), VI_SUCCESS);
    ASSERT_EQ(send(q, "SENDSLOWSRQ\n"), VI_SUCCESS);
    ViEventType type = 0;
    ViEvent event = VI_NULL;
    ASSERT_EQ(viWaitOnEvent(q, VI_EVENT_SERVICE_REQ, 5000, &type, &event), VI_SUCCESS) << name;
    viClose(event);
    ViUInt16 stb = 0;
    EXPECT_EQ(viReadSTB(q, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x50, 0x50);
    EXPECT_EQ(receive(q), "late?\n");
    for (int i = 0; i < 500 && handled == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(handled.load(), 1) << name;
    viClose(q);
    viClose(h);
}

}  // namespace

TEST(Vxi11, ServiceRequestsReachQueueAndHandler) {
    Server server;
    srq_scenario(rm_session(), "TCPIP0::127.0.0.1::inst1::INSTR");
}

TEST(Hislip, ServiceRequestsReachQueueAndHandlerAndClearEndsARead) {
    Server server;
    const ViSession rm = rm_session();
    srq_scenario(rm, "TCPIP0::127.0.0.1::hislip1::INSTR");
    // A device clear from another thread ends a read that waits, and the session goes on.
    const ViSession vi = open(rm, "TCPIP0::127.0.0.1::hislip1::INSTR");
    viSetAttribute(vi, VI_ATTR_TMO_VALUE, 20000);
    std::thread clearer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(viClear(vi), VI_SUCCESS);
    });
    ViStatus st = 0;
    receive(vi, &st);
    clearer.join();
    EXPECT_EQ(st, VI_ERROR_ABORT);
    EXPECT_EQ(send(vi, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(receive(vi, &st), "VISA-SIM,LOOPBACK,0,1.0\n");
    viClose(rm);
}

TEST(Discovery, PortmapperBroadcastAddsTheInstrumentsThatAnswer) {
    // An interface with a broadcast address, a veth pair with both ends in this namespace.
    if (std::system("ip link add gu0 type veth peer name gu1 && ip addr add 10.99.0.1/24 brd + dev gu0 && "
                    "ip link set gu0 up && ip link set gu1 up") != 0)
        GTEST_SKIP() << "no veth pair can be made";
    gutest::SimServer server(SERVER_PATH, kBus, "0.0.0.0");
    const std::string bus = "/tmp/lan_discovery_bus_" + std::to_string(::getpid()) + ".txt";
    std::ofstream(bus) << "[lan]\ndiscover = yes\n[TCPIP0::192.0.2.7::inst0::INSTR]\n";
    ::setenv("VISA_SIM_BUS", bus.c_str(), 1);
    const ViSession rm = rm_session();
    ViFindList list = VI_NULL;
    ViUInt32 count = 0;
    char name[256] = {};
    ASSERT_EQ(viFindRsrc(rm, "TCPIP?*INSTR", &list, &count, name), VI_SUCCESS);
    std::vector<std::string> names{name};
    while (viFindNext(list, name) == VI_SUCCESS) names.emplace_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"TCPIP0::192.0.2.7::inst0::INSTR", "TCPIP0::10.99.0.1::inst0::INSTR"}));
    const ViSession vi = open(rm, "TCPIP0::10.99.0.1::inst0::INSTR");
    EXPECT_EQ(send(vi, "*IDN?\n"), VI_SUCCESS);
    EXPECT_EQ(receive(vi).rfind("VANTREL-OSSMARK,Q7304A,", 0), 0u);
    viClose(rm);
    std::remove(bus.c_str());
}
