// The HiSLIP service end to end: a client on loopback (in a private network namespace)
// drives a Q7304A on the in-process bus through it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <future>
#include <thread>
#include <vector>

#include "hislip_client.hpp"
#include "service.hpp"

using namespace hislip_test;

namespace {

constexpr int kPort = hislip::kDefaultPort;

class HislipServer : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string bus = "/tmp/hislip_test_bus_" + std::to_string(::getpid()) + ".txt";
        std::ofstream(bus) << "[VXI0::24::INSTR]\nq7304 = yes\ninput.volt_dc = 1.5\n\n"
                              "[GPIB0::9::INSTR]\ninterface = gpib\nq7304 = yes\n";
        ::setenv("VISA_SIM_BUS", bus.c_str(), 1);
        ASSERT_EQ(viOpenDefaultRM(&context_.resource_manager), VI_SUCCESS);
        context_.devices = {{"VXI0::24::INSTR", {"inst0", "hislip0"}, 0},
                            {"GPIB0::9::INSTR", {"gpib0,9", "hislip1"}, 0}};
        service_ = simserver::make_hislip_service(context_);
        std::string description, error;
        ASSERT_TRUE(service_->start(description, error)) << error;
        EXPECT_EQ(description, "hislip 127.0.0.1:4880");
    }
    void TearDown() override {
        if (service_) service_->stop();
        viClose(context_.resource_manager);
    }
    // Waits until the device owes a reply (its response register shows it), so that what the
    // client sent has reached it.
    void wait_reply_owed() {
        if (!probe_) probe_ = local("VXI0::24::INSTR");
        ViUInt16 response = 0;
        for (int i = 0; i < 500 && !(response & 0x2000); ++i) {
            viIn16(probe_, VI_A16_SPACE, 0x0A, &response);
            if (!(response & 0x2000)) ::usleep(10000);
        }
        ASSERT_TRUE(response & 0x2000);
    }
    ViSession local(const char* resource) {
        ViSession vi = VI_NULL;
        EXPECT_EQ(viOpen(context_.resource_manager, resource, VI_NULL, 0, &vi), VI_SUCCESS);
        return vi;
    }

    simserver::ServerContext context_;
    ViSession probe_ = VI_NULL;
    std::unique_ptr<simserver::Service> service_;
};

int count_of(const std::string& text, char c) {
    return static_cast<int>(std::count(text.begin(), text.end(), c));
}

}  // namespace

TEST_F(HislipServer, InitialisesQueriesAndSendsBlocksInPieces) {
    // An unknown sub-address and an unknown session are refused with FatalError.
    Link stray;
    ASSERT_TRUE(stray.connect(kPort));
    stray.send(Type::Initialize, 0, hislip::initialize_parameter(hislip::kVersion1_0, 0),
               "hislip7");
    auto m = stray.receive();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->type(), Type::FatalError);
    Link orphan;
    ASSERT_TRUE(orphan.connect(kPort));
    orphan.send(Type::AsyncInitialize, 0, 4242);
    m = orphan.receive();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->type(), Type::FatalError);
    EXPECT_EQ(m->header.control, static_cast<int>(hislip::FatalCode::invalid_initialization));

    Client c;
    ASSERT_TRUE(c.open(kPort, "INST0"));
    EXPECT_EQ(c.server_version, hislip::kVersion1_0);
    EXPECT_NE(c.session_id, 0);
    const auto idn = c.query("*IDN?\n");
    ASSERT_TRUE(idn);
    EXPECT_EQ(idn->rfind("VANTREL-OSSMARK,Q7304A,", 0), 0u) << *idn;

    // The client takes at most 4 kB a message: a 4096-reading block comes in pieces, each
    // with the query's message id, the last one DataEnd.
    m = c.ask(Type::AsyncMaximumMessageSize, 0, 0, Type::AsyncMaximumMessageSizeResponse,
              hislip::encode_size(4096));
    ASSERT_TRUE(m);
    EXPECT_GE(hislip::decode_size(m->payload).value_or(0), 4096u);
    c.write("VOLT:DC:APER 0.0004;:SAMP:COUN 4096;:INIT\n");
    int pieces = 0;
    const auto block = c.read(c.write("FETC?\n"), 20000, &pieces);
    ASSERT_TRUE(block);
    EXPECT_EQ(count_of(*block, ','), 4095);
    EXPECT_EQ(block->rfind("+1.5", 0), 0u);
    EXPECT_EQ(block->back(), '\n');
    EXPECT_GE(pieces, static_cast<int>(block->size() / (4096 - 16)));
    const auto errors = c.query("SYST:ERR?\n");
    ASSERT_TRUE(errors);
    EXPECT_EQ(errors->rfind("+0,", 0), 0u) << *errors;
}

TEST_F(HislipServer, StatusQueryTriggerAndRemoteLocal) {
    Client c;
    ASSERT_TRUE(c.open(kPort));
    // A reply the server has sent but the client has not read shows as MAV; once the client
    // says it has the reply (RMT-delivered), MAV is clear.
    c.write("*IDN?\n");
    ASSERT_TRUE(c.sync.receive());  // in the socket, not yet "read" as far as the server knows
    EXPECT_EQ(c.status() & 0x10, 0x10);
    c.rmt = hislip::kRmtDelivered;
    EXPECT_EQ(c.status() & 0x10, 0);

    // A bus trigger arriving while FETC? waits for it is done at once; in synchronized mode
    // the reply carries the id of the client's latest message, the trigger's.
    c.write("TRIG:SOUR BUS;:INIT\n");
    c.write("FETC?\n");
    const auto reading = c.read(c.trigger());
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->rfind("+1.5", 0), 0u) << *reading;

    // Remote/local reaches the REN line of a GPIB device's board.
    Client g;
    ASSERT_TRUE(g.open(kPort, "hislip1"));
    const ViSession probe = local("GPIB0::9::INSTR");
    ViInt16 ren = -1;
    ASSERT_TRUE(
        g.ask(Type::AsyncRemoteLocalControl, 0, g.next_id - 2, Type::AsyncRemoteLocalResponse));
    viGetAttribute(probe, VI_ATTR_GPIB_REN_STATE, &ren);
    EXPECT_EQ(ren, VI_STATE_UNASSERTED);
    ASSERT_TRUE(
        g.ask(Type::AsyncRemoteLocalControl, 5, g.next_id - 2, Type::AsyncRemoteLocalResponse));
    viGetAttribute(probe, VI_ATTR_GPIB_REN_STATE, &ren);
    EXPECT_EQ(ren, VI_STATE_ASSERTED);
    const auto bad = g.ask(Type::AsyncRemoteLocalControl, 9, 0, Type::Error);
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->header.control, static_cast<int>(hislip::ErrorCode::unrecognized_control));
    // The GPIB device has no registers: its replies show in the status byte, a late one too.
    const auto idn = g.query("*IDN?\n");
    ASSERT_TRUE(idn);
    EXPECT_EQ(idn->rfind("VANTREL-OSSMARK,Q7304A,", 0), 0u);
    g.write("TRIG:SOUR BUS;:INIT\n");
    g.write("FETC?\n");
    EXPECT_TRUE(g.read(g.trigger()));
}

TEST_F(HislipServer, DeviceClearHandshakeThenOverlappedMode) {
    Client c;
    ASSERT_TRUE(c.open(kPort));
    c.write("TRIG:SOUR BUS;:INIT\n");
    c.write("FETC?\n");  // owed until a trigger that never comes
    wait_reply_owed();
    auto ack = c.ask(Type::AsyncDeviceClear, 0, 0, Type::AsyncDeviceClearAcknowledge);
    ASSERT_TRUE(ack);
    c.write("*IDN?\n");  // sent before the clear completes: discarded
    c.sync.send(Type::DeviceClearComplete, hislip::kPreferOverlap, 0);
    auto done = c.sync.receive();
    ASSERT_TRUE(done);
    ASSERT_EQ(done->type(), Type::DeviceClearAcknowledge);
    EXPECT_EQ(done->header.control, hislip::kPreferOverlap);
    c.next_id = hislip::kFirstMessageId;

    // Overlapped: queries sent back to back are answered in order, each with its id.
    const std::uint32_t a = c.write("*IDN?\n");
    const std::uint32_t b = c.write("TRIG:SOUR?\n");
    const auto ra = c.read(a);
    const auto rb = c.read(b);
    ASSERT_TRUE(ra && rb);
    EXPECT_EQ(ra->rfind("VANTREL-OSSMARK", 0), 0u);
    EXPECT_EQ(*rb, "BUS\n");  // settings kept by the clear

    // A reply cut short by a clear in overlapped mode is named on both channels.
    c.write("INIT\n");
    const std::uint32_t fetch = c.write("FETC?\n");
    wait_reply_owed();
    c.async.send(Type::AsyncDeviceClear, 0, 0);
    auto interrupted = c.async.receive();
    ASSERT_TRUE(interrupted);
    EXPECT_EQ(interrupted->type(), Type::AsyncInterrupted);
    EXPECT_EQ(interrupted->header.parameter, fetch);
    ack = c.async.receive();
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->type(), Type::AsyncDeviceClearAcknowledge);
    auto sync_interrupted = c.sync.receive();
    ASSERT_TRUE(sync_interrupted);
    EXPECT_EQ(sync_interrupted->type(), Type::Interrupted);
    EXPECT_EQ(sync_interrupted->header.parameter, fetch);
    c.sync.send(Type::DeviceClearComplete, 0, 0);
    done = c.sync.receive();
    ASSERT_TRUE(done);
    EXPECT_EQ(done->header.control, 0);  // synchronized again
}

TEST_F(HislipServer, LocksHoldAgainstOtherSessionsAndProtocols) {
    Client a, b, c;
    ASSERT_TRUE(a.open(kPort));
    ASSERT_TRUE(b.open(kPort, "inst0"));
    ASSERT_TRUE(c.open(kPort));
    const ViSession bus_session = local("VXI0::24::INSTR");
    auto lock = [](Client& cl, std::uint32_t timeout, std::string_view key = {}) {
        const auto r =
            cl.ask(Type::AsyncLock, hislip::kLockRequest, timeout, Type::AsyncLockResponse, key);
        return r ? r->header.control : -1;
    };
    auto release = [](Client& cl) {
        const auto r =
            cl.ask(Type::AsyncLock, hislip::kLockRelease, cl.next_id - 2, Type::AsyncLockResponse);
        return r ? r->header.control : -1;
    };

    EXPECT_EQ(lock(a, 0), 1);
    EXPECT_EQ(lock(b, 100), 0);  // timed out
    // Another client's message waits for the lock; a session of the bus is refused outright.
    const std::uint32_t waiting = b.write("*IDN?\n");
    EXPECT_FALSE(b.sync.receive(300));
    EXPECT_EQ(viWrite(bus_session, reinterpret_cast<ViConstBuf>("*CLS\n"), 5, nullptr),
              VI_ERROR_RSRC_LOCKED);
    auto info = a.ask(Type::AsyncLockInfo, 0, 0, Type::AsyncLockInfoResponse);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->header.control, 1);
    EXPECT_EQ(info->header.parameter, 1u);
    EXPECT_EQ(release(a), 1);
    const auto late = b.read(waiting);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->rfind("VANTREL-OSSMARK", 0), 0u);
    EXPECT_EQ(release(a), 3);  // nothing held

    // A release takes effect after the messages sent before it, even those still waiting
    // behind a query's reply.
    EXPECT_EQ(lock(a, 0), 1);
    a.write("TRIG:SOUR BUS;:INIT\n");
    a.write("FETC?\n");
    a.write("TRIG:COUN 7\n");  // ends the wait for the reply (query interrupted)
    auto pending_lock = std::async(std::launch::async, [&] { return lock(b, 5000); });
    EXPECT_EQ(release(a), 1);
    EXPECT_EQ(pending_lock.get(), 1);
    EXPECT_EQ(b.query("TRIG:COUN?\n"), std::optional<std::string>("7\n"));
    EXPECT_EQ(release(b), 1);

    // Shared: the holders of the key work, the others wait.
    EXPECT_EQ(lock(a, 0, "bench"), 1);
    EXPECT_EQ(lock(b, 0, "bench"), 1);
    EXPECT_EQ(lock(c, 100), 0);
    EXPECT_EQ(lock(c, 100, "other"), 0);
    ASSERT_TRUE(b.query("*IDN?\n"));
    EXPECT_EQ(release(a), 2);
    EXPECT_EQ(release(b), 2);
    EXPECT_EQ(lock(c, 1000), 1);
    EXPECT_EQ(release(c), 1);
    viClose(bus_session);
}

TEST_F(HislipServer, ServiceRequestReachesTheAsynchronousChannel) {
    Client c;
    ASSERT_TRUE(c.open(kPort));
    // Operation complete raises the event status bit, enabled to request service.
    c.write("*CLS;*ESE 1;*SRE 32\n");
    c.write("VOLT:DC:APER 0.0004;:SAMP:COUN 20;:INIT;*OPC\n");
    std::optional<Message> srq;
    for (int i = 0; i < 50 && (!srq || srq->type() != Type::AsyncServiceRequest); ++i)
        srq = c.async.receive(200);
    ASSERT_TRUE(srq);
    ASSERT_EQ(srq->type(), Type::AsyncServiceRequest);
    EXPECT_EQ(srq->header.control & 0x60, 0x60);  // RQS and ESB
    const auto esr = c.query("*ESR?\n");
    ASSERT_TRUE(esr);
    EXPECT_EQ(*esr, "1\n");

    // Message available, enabled to request service: the reply and the request both come.
    c.write("*SRE 16\n");
    ASSERT_TRUE(c.query("*IDN?\n"));
    srq = c.async.receive();
    ASSERT_TRUE(srq);
    ASSERT_EQ(srq->type(), Type::AsyncServiceRequest);
    EXPECT_EQ(srq->header.control & 0x40, 0x40);
    // The poll that answered the first request took its RQS: the client's own poll sees it once.
    c.write("*SRE 0\n");
    EXPECT_EQ(c.status() & 0x40, 0x40);
    EXPECT_EQ(c.status() & 0x40, 0);
}

TEST_F(HislipServer, KilledClientFreesItsLockAndBadPeersAreDropped) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        Client holder;
        const bool ok =
            holder.open(kPort) &&
            holder.ask(Type::AsyncLock, hislip::kLockRequest, 0, Type::AsyncLockResponse)
                .has_value();
        // In the middle of a message when it dies.
        holder.write("*IDN", Type::Data);
        [[maybe_unused]] const auto n = ::write(ready[1], ok ? "y" : "n", 1);
        ::pause();
        ::_exit(0);
    }
    char got = 0;
    ASSERT_EQ(::read(ready[0], &got, 1), 1);
    ASSERT_EQ(got, 'y');
    Client other;
    ASSERT_TRUE(other.open(kPort));
    auto r = other.ask(Type::AsyncLock, hislip::kLockRequest, 0, Type::AsyncLockResponse);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->header.control, 0);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    r = other.ask(Type::AsyncLock, hislip::kLockRequest, 5000, Type::AsyncLockResponse);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->header.control, 1);
    EXPECT_TRUE(other.query("*IDN?\n"));
    r = other.ask(Type::AsyncLock, hislip::kLockRelease, other.next_id - 2,
                  Type::AsyncLockResponse);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->header.control, 1);

    // A length of 2^63 is refused from the header: Error, and the session lives on.
    Client greedy;
    ASSERT_TRUE(greedy.open(kPort));
    std::string header(16, '\0');
    hislip::encode_header(
        {static_cast<std::uint8_t>(Type::AsyncLock), 1, 0, std::uint64_t{1} << 63},
        reinterpret_cast<unsigned char*>(header.data()));
    greedy.async.send_bytes(header);
    r = greedy.async.receive();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->type(), Type::Error);
    EXPECT_EQ(r->header.control, static_cast<int>(hislip::ErrorCode::message_too_large));
    EXPECT_TRUE(greedy.query("*IDN?\n"));
    // So is a long sub-address, before any session is made.
    Link long_name;
    ASSERT_TRUE(long_name.connect(kPort));
    long_name.send(Type::Initialize, 0, 0, std::string(100000, 'x'));
    r = long_name.receive();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->type(), Type::FatalError);

    // Not HiSLIP: FatalError, and both channels of the session close.
    Client garbled;
    ASSERT_TRUE(garbled.open(kPort));
    garbled.sync.send_bytes("GET / HTTP/1.0\r\n\r\n");
    r = garbled.sync.receive();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->type(), Type::FatalError);
    EXPECT_EQ(r->header.control, static_cast<int>(hislip::FatalCode::bad_header));
    EXPECT_TRUE(garbled.async.closed_by_peer(5000));

    // 10 MB without an end: it goes on to the device as it comes, in bounded pieces; the
    // device refuses it and everyone goes on.
    Client flood;
    ASSERT_TRUE(flood.open(kPort));
    const std::string megabyte(1000000, 'A');
    for (int i = 0; i < 10; ++i) flood.write(megabyte, Type::Data);
    flood.write("\n");
    EXPECT_TRUE(flood.query("*IDN?\n"));
    const auto error = flood.query("SYST:ERR?\n");
    ASSERT_TRUE(error);
    EXPECT_NE(error->rfind("+0,", 0), 0u) << *error;

    // A connection that never says anything is closed after the initialisation time-out.
    Link silent;
    ASSERT_TRUE(silent.connect(kPort));
    EXPECT_TRUE(silent.closed_by_peer(10000));
    EXPECT_TRUE(other.query("*IDN?\n"));
}

TEST_F(HislipServer, SessionsOfOneDeviceEachGetTheirOwnReplies) {
    const std::pair<const char*, const char*> exchanges[] = {
        {"SAMP:COUN? MAX\n", "16777215\n"},
        {"SYST:VERS?\n", "1999.0\n"},
        {"CALC:DBM:REF? MAX\n", "+8.000000000E+03\n"},
        {"CALC:DBM:REF? MIN\n", "+5.000000000E+01\n"},
        {"TRIG:DEL? MAX\n", "+2.100000000E+03\n"},
        {"TRIG:COUN? MIN\n", "1\n"},
        {"CALC:DB:REF? MAX\n", "+2.000000000E+02\n"},
        {"SAMP:COUN? MIN\n", "1\n"},
    };
    std::vector<int> wrong(std::size(exchanges), 0);
    std::vector<std::thread> clients;
    for (std::size_t i = 0; i < std::size(exchanges); ++i) {
        clients.emplace_back([&, i] {
            Client c;
            if (!c.open(kPort)) {
                wrong[i] = -1;
                return;
            }
            for (int n = 0; n < 100; ++n)
                if (c.query(exchanges[i].first) != std::optional<std::string>(exchanges[i].second))
                    ++wrong[i];
        });
    }
    for (auto& t : clients) t.join();
    EXPECT_EQ(wrong, std::vector<int>(std::size(exchanges), 0));
    Client a, b;
    ASSERT_TRUE(a.open(kPort));
    ASSERT_TRUE(b.open(kPort));
    EXPECT_EQ(a.query("SYST:ERR?\n"), std::optional<std::string>("+0,\"No error\"\n"));

    // A reply still to come stays with the session that asked, whatever others send meanwhile;
    // here another session's trigger makes it.
    a.write("TRIG:SOUR BUS;:INIT\n");
    const std::uint32_t fetch = a.write("FETC?\n");
    wait_reply_owed();
    b.write("CALC:STAT OFF\n");
    b.trigger();
    const auto reading = a.read(fetch);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->rfind("+1.5", 0), 0u) << *reading;
    // Another session's query takes the device over: the waiting query is interrupted and the
    // new one is answered to its own session.
    a.write("INIT\n");
    a.write("FETC?\n");
    wait_reply_owed();
    EXPECT_EQ(b.query("TRIG:SOUR?\n"), std::optional<std::string>("BUS\n"));
    EXPECT_EQ(b.query("SYST:ERR?\n"), std::optional<std::string>("-410,\"Query INTERRUPTED\"\n"));
}
