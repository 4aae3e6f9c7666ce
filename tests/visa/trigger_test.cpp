// External trigger schedules and the TTL trigger lines of a mainframe: sessions asserting
// them, cards driving them and triggering each other.
#include <chrono>
#include <string>

#include "support.hpp"

using namespace visatest;
using Clock = std::chrono::steady_clock;

namespace {

std::string card(const std::string& name, const std::string& extra = {}) {
    return "[" + name + "]\nq7304 = yes\ninput.volt_dc = 2.5\ninput.noise = 0\n" + extra;
}

void send(ViSession vi, const std::string& text) {
    ASSERT_EQ(write_text(vi, text + "\n"), VI_SUCCESS) << text;
}

// The reply within `ms`, or "<timeout>".
std::string reply_within(ViSession vi, ViUInt32 ms) {
    viSetAttribute(vi, VI_ATTR_TMO_VALUE, ms);
    ViStatus st = 0;
    const std::string reply = read_reply(vi, st, 65536);
    viSetAttribute(vi, VI_ATTR_TMO_VALUE, 2000);
    return st == VI_ERROR_TMO ? "<timeout>" : reply;
}

std::size_t readings_in(const std::string& reply) {
    if (reply == "<timeout>" || reply.empty()) return 0;
    return static_cast<std::size_t>(std::count(reply.begin(), reply.end(), ',')) + 1;
}

constexpr const char* kFast = "*CLS;:VOLT:APER 0.0004;:TRIG:DEL 0";

TEST(VisaTrigger, ExternalEdgesFollowTheScheduleFromPowerOn) {
    use_bus(card("VXI0::24::INSTR",
                 "trigger.external.start = 0.3\ntrigger.external.period = 0.1\n"
                 "trigger.external.count = 4\n"));
    const auto power_on = Clock::now();
    const ViSession rm = open_rm();
    const ViSession vi = open_instr(rm, "VXI0::24::INSTR");
    send(vi, std::string(kFast) + ";:TRIG:SOUR EXT;COUN 3;:SAMP:COUN 2;:READ?");
    const std::string reply = reply_within(vi, 3000);
    EXPECT_EQ(readings_in(reply), 6u) << reply;
    EXPECT_NE(reply.find("+2.500000000E+00"), std::string::npos) << reply;
    EXPECT_GE(Clock::now() - power_on, std::chrono::milliseconds(500));  // edges at 0.3..0.5 s
    // One edge is left, and then the schedule has ended: a block of two never completes.
    send(vi, "TRIG:COUN 2;:READ?");
    EXPECT_EQ(reply_within(vi, 400), "<timeout>");
    send(vi, "ABOR;:FETC?");
    EXPECT_EQ(readings_in(reply_within(vi, 1000)), 2u);
}

TEST(VisaTrigger, AssertingATtlLineTriggersEveryCardOfTheMainframeOnThatLine) {
    use_bus(card("VXI0::24::INSTR") + card("VXI0::25::INSTR") + card("VXI0::26::INSTR") +
            card("VXI1::24::INSTR") + "[GPIB0::9::INSTR]\ninterface = gpib\nq7304 = yes\n");
    const ViSession rm = open_rm();
    const ViSession a = open_instr(rm, "VXI0::24::INSTR");
    const ViSession b = open_instr(rm, "VXI0::25::INSTR");
    const ViSession other_line = open_instr(rm, "VXI0::26::INSTR");
    const ViSession other_frame = open_instr(rm, "VXI1::24::INSTR");
    const ViSession gpib = open_instr(rm, "GPIB0::9::INSTR");
    for (ViSession vi : {a, b, other_frame}) send(vi, std::string(kFast) + ";:TRIG:SOUR TTLT3;:INIT");
    send(other_line, std::string(kFast) + ";:TRIG:SOUR TTLT2;:INIT");

    // The trigger id: software by default, read at 16 bits; TTL lines only where there are.
    ViInt16 id = 0x5A5A;
    ASSERT_EQ(viGetAttribute(a, VI_ATTR_TRIG_ID, &id), VI_SUCCESS);
    EXPECT_EQ(id, VI_TRIG_SW);
    EXPECT_EQ(viSetAttribute(a, VI_ATTR_TRIG_ID, VI_TRIG_ECL0), VI_ERROR_NSUP_ATTR_STATE);
    EXPECT_EQ(viSetAttribute(a, VI_ATTR_TRIG_ID, 8000), VI_ERROR_NSUP_ATTR_STATE);
    EXPECT_EQ(viSetAttribute(gpib, VI_ATTR_TRIG_ID, VI_TRIG_TTL3), VI_ERROR_NSUP_ATTR_STATE);
    EXPECT_EQ(viSetAttribute(gpib, VI_ATTR_TRIG_ID, static_cast<ViAttrState>(VI_TRIG_SW)),
              VI_SUCCESS);
    ASSERT_EQ(viSetAttribute(a, VI_ATTR_TRIG_ID, VI_TRIG_TTL3), VI_SUCCESS);
    ASSERT_EQ(viGetAttribute(a, VI_ATTR_TRIG_ID, &id), VI_SUCCESS);
    EXPECT_EQ(id, VI_TRIG_TTL3);
    EXPECT_EQ(viAssertTrigger(a, 77), VI_ERROR_INV_PROT);

    ASSERT_EQ(viAssertTrigger(a, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);
    send(a, "FETC?");
    send(b, "FETC?");
    send(other_line, "FETC?");
    send(other_frame, "FETC?");
    EXPECT_EQ(readings_in(reply_within(a, 1000)), 1u);
    EXPECT_EQ(readings_in(reply_within(b, 1000)), 1u);
    EXPECT_EQ(reply_within(other_line, 100), "<timeout>");
    EXPECT_EQ(reply_within(other_frame, 100), "<timeout>");
    // The lines do not reach the software trigger: nothing was ignored on the cards.
    EXPECT_EQ(query(a, "SYST:ERR?\n"), "+0,\"No error\"\n");

    // A line held asserted gives one edge; pulses on it are lost until it is released.
    send(a, "TRIG:COUN 2;:INIT");
    ASSERT_EQ(viAssertTrigger(a, VI_TRIG_PROT_ON), VI_SUCCESS);
    ASSERT_EQ(viAssertTrigger(a, VI_TRIG_PROT_SYNC), VI_SUCCESS);
    send(a, "FETC?");
    EXPECT_EQ(reply_within(a, 200), "<timeout>");
    ASSERT_EQ(viAssertTrigger(a, VI_TRIG_PROT_OFF), VI_SUCCESS);
    ASSERT_EQ(viAssertTrigger(a, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);
    send(a, "FETC?");
    EXPECT_EQ(readings_in(reply_within(a, 1000)), 2u);
}

TEST(VisaTrigger, TwoCardsTriggerEachOtherThroughTheirTtlOutputs) {
    use_bus(card("VXI0::24::INSTR") + card("VXI0::25::INSTR", "input.volt_dc = -1.25\n"));
    const ViSession rm = open_rm();
    const ViSession a = open_instr(rm, "VXI0::24::INSTR");
    const ViSession b = open_instr(rm, "VXI0::25::INSTR");
    // A waits on line 1 and drives line 0 after each reading; B the other way round.
    send(a, std::string(kFast) + ";:TRIG:SOUR TTLT1;COUN 5;:OUTP:TTLT0 ON;:INIT");
    send(b, std::string(kFast) + ";:TRIG:SOUR TTLT0;COUN 5;:OUTP:TTLT1 ON;:INIT");
    send(a, "FETC?");
    EXPECT_EQ(reply_within(a, 100), "<timeout>");  // nobody has started
    ASSERT_EQ(viEnableEvent(a, VI_EVENT_TRIG, VI_QUEUE, VI_NULL), VI_SUCCESS);
    ASSERT_EQ(viSetAttribute(b, VI_ATTR_TRIG_ID, VI_TRIG_TTL1), VI_SUCCESS);
    ASSERT_EQ(viAssertTrigger(b, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);  // one kick starts A
    send(a, "FETC?");
    send(b, "FETC?");
    const std::string from_a = reply_within(a, 2000);
    const std::string from_b = reply_within(b, 2000);
    EXPECT_EQ(readings_in(from_a), 5u) << from_a;
    EXPECT_EQ(readings_in(from_b), 5u) << from_b;
    EXPECT_EQ(from_b.substr(0, 16), "-1.250000000E+00");
    // The sessions of the mainframe's cards see each edge as a trigger event: the kick on
    // line 1, then A's first pulse on line 0, then B's on line 1.
    for (const ViInt16 expected : {1, 0, 1}) {
        ViEventType type = 0;
        ViEvent event = 0;
        ASSERT_GE(viWaitOnEvent(a, VI_EVENT_TRIG, 1000, &type, &event), VI_SUCCESS);
        ViInt16 line = -1;
        ASSERT_EQ(viGetAttribute(event, VI_ATTR_RECV_TRIG_ID, &line), VI_SUCCESS);
        EXPECT_EQ(line, expected);
        viClose(event);
    }
    // Outputs off: a card no longer drives its line.
    send(a, "OUTP:TTLT0 OFF;:TRIG:COUN 1;:INIT");
    send(b, "TRIG:COUN 1;:INIT");
    ASSERT_EQ(viAssertTrigger(b, VI_TRIG_PROT_DEFAULT), VI_SUCCESS);
    send(b, "FETC?");
    EXPECT_EQ(reply_within(b, 200), "<timeout>");
}

}  // namespace
