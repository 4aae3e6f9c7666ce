// Events: service requests from the instrument, triggers and I/O completion, through the
// queue and through handlers.
#include <atomic>
#include <string>
#include <thread>

#include "events.hpp"
#include "sessions.hpp"
#include "support.hpp"

using namespace visatest;

namespace {

std::atomic<int> handled{0};
std::atomic<ViEventType> handled_type{0};

ViStatus count_handler(ViSession, ViEventType type, ViEvent event, ViAddr user) {
    ViEventType from_context = 0;
    viGetAttribute(event, VI_ATTR_EVENT_TYPE, &from_context);
    if (from_context == type && user == &handled) {
        handled_type = type;
        ++handled;
    }
    return VI_SUCCESS;
}

bool wait_for_handled(int n) {
    for (int i = 0; i < 600 && handled.load() < n; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return handled.load() >= n;
}

class VisaEvents : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VISA_SIM_BUS");
        rm_ = open_rm();
        vi_ = open_instr(rm_, "VXI0::24::INSTR");
        ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 1000), VI_SUCCESS);
        ASSERT_EQ(write_text(vi_, "*CLS;*SRE 16\n"), VI_SUCCESS);
    }
    // A reply waiting raises MAV, and with it the request-service bit.
    void request_service() { ASSERT_EQ(write_text(vi_, "*IDN?\n"), VI_SUCCESS); }
    // The reply read: MAV falls, so the next reply is a new request.
    void answer_service() {
        ViStatus st = 0;
        read_reply(vi_, st);
        ASSERT_EQ(st, VI_SUCCESS);
    }
    // A block of readings whose end the instrument's own clock reports, between calls,
    // through *OPC and the event status bit.
    void request_service_when_done() {
        ASSERT_EQ(write_text(vi_, "*CLS;*ESE 1;*SRE 32;:VOLT:APER 0.2;:SAMP:COUN 3;:INIT;*OPC\n"),
                  VI_SUCCESS);
    }
    void answer_done() {
        EXPECT_EQ(query(vi_, "*ESR?\n"), "1\n");
        ASSERT_EQ(write_text(vi_, "*SRE 16\n"), VI_SUCCESS);
    }
    ViSession rm_ = 0, vi_ = 0;
};

TEST_F(VisaEvents, ServiceRequestThroughTheQueue) {
    ViEventType type = 0;
    ViEvent context = 0;
    EXPECT_EQ(viWaitOnEvent(vi_, VI_EVENT_SERVICE_REQ, 0, &type, &context), VI_ERROR_NENABLED);
    ASSERT_EQ(viEnableEvent(vi_, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), VI_SUCCESS);
    EXPECT_EQ(viEnableEvent(vi_, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), VI_SUCCESS_EVENT_EN);
    EXPECT_EQ(viWaitOnEvent(vi_, VI_EVENT_SERVICE_REQ, 50, &type, &context), VI_ERROR_TMO);
    request_service();
    ASSERT_EQ(viWaitOnEvent(vi_, VI_EVENT_SERVICE_REQ, 1000, &type, &context), VI_SUCCESS);
    EXPECT_EQ(type, static_cast<ViEventType>(VI_EVENT_SERVICE_REQ));
    ViEventType from_context = 0;
    ASSERT_EQ(viGetAttribute(context, VI_ATTR_EVENT_TYPE, &from_context), VI_SUCCESS);
    EXPECT_EQ(from_context, static_cast<ViEventType>(VI_EVENT_SERVICE_REQ));
    EXPECT_EQ(viClose(context), VI_SUCCESS);
    EXPECT_EQ(viClose(context), VI_ERROR_INV_OBJECT);
    ViUInt16 stb = 0;
    ASSERT_EQ(viReadSTB(vi_, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x40, 0x40);
    answer_service();
    // The end of a block raises one while the wait is on.
    request_service_when_done();
    EXPECT_EQ(viWaitOnEvent(vi_, VI_EVENT_SERVICE_REQ, 0, &type, VI_NULL), VI_ERROR_TMO);
    ASSERT_EQ(viWaitOnEvent(vi_, VI_EVENT_SERVICE_REQ, 3000, &type, VI_NULL), VI_SUCCESS);
    answer_done();
    // Once more, then discarded unseen; any enabled type is waited for the same way.
    request_service();
    answer_service();
    EXPECT_EQ(viDiscardEvents(vi_, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH), VI_SUCCESS);
    EXPECT_EQ(viDiscardEvents(vi_, VI_EVENT_SERVICE_REQ, VI_QUEUE), VI_SUCCESS_QUEUE_EMPTY);
    request_service();
    EXPECT_EQ(viWaitOnEvent(vi_, VI_ALL_ENABLED_EVENTS, 1000, &type, VI_NULL), VI_SUCCESS);
    EXPECT_EQ(viDisableEvent(vi_, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH), VI_SUCCESS);
    EXPECT_EQ(viDisableEvent(vi_, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH), VI_SUCCESS_EVENT_DIS);
    EXPECT_EQ(viWaitOnEvent(vi_, VI_EVENT_SERVICE_REQ, 0, &type, &context), VI_ERROR_NENABLED);
}

TEST_F(VisaEvents, HandlersRunAndSuspendedOccurrencesWait) {
    EXPECT_EQ(viEnableEvent(vi_, VI_EVENT_SERVICE_REQ, VI_HNDLR, VI_NULL), VI_ERROR_HNDLR_NINSTALLED);
    EXPECT_EQ(viInstallHandler(vi_, VI_EVENT_SERVICE_REQ, nullptr, nullptr), VI_ERROR_INV_HNDLR_REF);
    ASSERT_EQ(viInstallHandler(vi_, VI_EVENT_SERVICE_REQ, count_handler, &handled), VI_SUCCESS);
    ASSERT_EQ(viEnableEvent(vi_, VI_EVENT_SERVICE_REQ, VI_SUSPEND_HNDLR, VI_NULL), VI_SUCCESS);
    request_service();
    answer_service();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(handled.load(), 0);
    ASSERT_EQ(viEnableEvent(vi_, VI_EVENT_SERVICE_REQ, VI_HNDLR, VI_NULL), VI_SUCCESS);
    ASSERT_TRUE(wait_for_handled(1));
    request_service();
    ASSERT_TRUE(wait_for_handled(2));
    EXPECT_EQ(handled_type.load(), static_cast<ViEventType>(VI_EVENT_SERVICE_REQ));
    answer_service();
    request_service_when_done();
    EXPECT_EQ(handled.load(), 2);
    ASSERT_TRUE(wait_for_handled(3));
    answer_done();
    EXPECT_EQ(viUninstallHandler(vi_, VI_EVENT_SERVICE_REQ, count_handler, nullptr), VI_ERROR_INV_HNDLR_REF);
    EXPECT_EQ(viUninstallHandler(vi_, VI_EVENT_SERVICE_REQ, count_handler, &handled), VI_SUCCESS);
    EXPECT_EQ(viEnableEvent(vi_, VI_EVENT_SERVICE_REQ, VI_HNDLR | VI_SUSPEND_HNDLR, VI_NULL), VI_ERROR_INV_MECH);
}

TEST(VisaEventKinds, TriggersOnVxiOnlyAndCompletionOfAsynchronousIo) {
    use_bus("[VXI0::24::INSTR]\nq7304 = yes\n[GPIB0::9::INSTR]\nidn = A,B,C,D\n");
    const ViSession rm = open_rm();
    const ViSession vi_ = open_instr(rm, "VXI0::24::INSTR");
    const ViSession gpib = open_instr(rm, "GPIB0::9::INSTR");
    EXPECT_EQ(viEnableEvent(gpib, VI_EVENT_TRIG, VI_QUEUE, VI_NULL), VI_ERROR_INV_EVENT);
    EXPECT_EQ(viEnableEvent(vi_, 0x3FFF2FFF, VI_QUEUE, VI_NULL), VI_ERROR_INV_EVENT);
    // The bus posts a trigger to the device's sessions that have it enabled.
    ASSERT_EQ(viEnableEvent(vi_, VI_EVENT_TRIG, VI_QUEUE, VI_NULL), VI_SUCCESS);
    simvisa::EventData e;
    e.type = VI_EVENT_TRIG;
    e.trig_id = 3;
    simvisa::post_event(simvisa::find_session(vi_)->device, e);
    ViEventType type = 0;
    ViEvent context = 0;
    ASSERT_EQ(viWaitOnEvent(vi_, VI_EVENT_TRIG, 100, &type, &context), VI_SUCCESS);
    ViInt16 line = 0;
    ASSERT_EQ(viGetAttribute(context, VI_ATTR_RECV_TRIG_ID, &line), VI_SUCCESS);
    EXPECT_EQ(line, 3);
    viClose(context);

    ASSERT_EQ(viEnableEvent(vi_, VI_EVENT_IO_COMPLETION, VI_QUEUE, VI_NULL), VI_SUCCESS);
    ViJobId job = 0;
    ASSERT_EQ(viWriteAsync(vi_, reinterpret_cast<ViConstBuf>("*IDN?\n"), 6, &job), VI_SUCCESS_SYNC);
    ASSERT_EQ(viWaitOnEvent(vi_, VI_EVENT_IO_COMPLETION, 100, &type, VI_NULL), VI_SUCCESS);
    unsigned char buf[128];
    ASSERT_EQ(viReadAsync(vi_, buf, sizeof buf, &job), VI_SUCCESS_SYNC);
    ASSERT_EQ(viWaitOnEvent(vi_, VI_EVENT_IO_COMPLETION, 100, &type, &context), VI_SUCCESS);
    ViStatus st = -1;
    ViUInt64 count = 0;
    ViJobId from_event = 0;
    ASSERT_EQ(viGetAttribute(context, VI_ATTR_STATUS, &st), VI_SUCCESS);
    ASSERT_EQ(viGetAttribute(context, VI_ATTR_RET_COUNT, &count), VI_SUCCESS);
    ASSERT_EQ(viGetAttribute(context, VI_ATTR_JOB_ID, &from_event), VI_SUCCESS);
    EXPECT_EQ(st, VI_SUCCESS);
    EXPECT_EQ(from_event, job);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), count).rfind(kQ7304Idn, 0), 0u);
}

TEST_F(VisaEvents, TerminateEndsAWait) {
    ASSERT_EQ(viEnableEvent(vi_, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), VI_SUCCESS);
    std::atomic<ViStatus> result{1};
    std::thread waiter([&] { result = viWaitOnEvent(vi_, VI_EVENT_SERVICE_REQ, VI_TMO_INFINITE, nullptr, nullptr); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(viTerminate(vi_, VI_NULL, VI_NULL), VI_SUCCESS);
    waiter.join();
    EXPECT_EQ(result.load(), VI_ERROR_ABORT);
}

}  // namespace
