// The simulated Q7304A's IEEE 488.2 and SCPI-99 behaviour as a VISA client meets it: status
// structures, error queue queries, limits of numeric settings, the end of a message after a
// command error, the request-service bit, the bounded output queue and the self-test.
#include <algorithm>
#include <string>

#include "support.hpp"

using namespace visatest;

namespace {

class VisaStandards : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VISA_SIM_BUS");
        rm_ = open_rm();
        vi_ = open_instr(rm_, "VXI0::24::INSTR");
    }
    std::string ask(const std::string& q) {
        std::string r = query(vi_, q + "\n");
        if (!r.empty() && r.back() == '\n') r.pop_back();
        return r;
    }
    void send(const std::string& c) { ASSERT_EQ(write_text(vi_, c + "\n"), VI_SUCCESS) << c; }
    ViUInt16 poll() {
        ViUInt16 stb = 0;
        EXPECT_EQ(viReadSTB(vi_, &stb), VI_SUCCESS);
        return stb;
    }
    ViSession rm_ = 0;
    ViSession vi_ = 0;
};

TEST_F(VisaStandards, ErrorQueueCountAllAndCommandErrorsEndingTheMessage) {
    send("*RST;TRIG:COUN 7;FOO;TRIG:COUN 9");
    EXPECT_EQ(ask("TRIG:COUN?"), "7");
    send("TRIG:SOUR NOWHERE;:TRIG:COUN 8");  // -141 is a command error too
    send("TRIG:COUN 0;:TRIG:COUN 6");        // -222 is not
    EXPECT_EQ(ask("TRIG:COUN?"), "6");
    EXPECT_EQ(ask("SYST:ERR:COUN?"), "3");
    EXPECT_EQ(ask("SYST:ERR?"), "-113,\"Undefined header\"");
    EXPECT_EQ(ask("SYST:ERR:ALL?"), "-141,\"Invalid character data\",-222,\"Data out of range\"");
    EXPECT_EQ(ask("SYST:ERR:COUN?"), "0");
    EXPECT_EQ(ask("SYST:ERR:ALL?"), "+0,\"No error\"");
}

TEST_F(VisaStandards, NumericQueriesAnswerTheirLimits) {
    EXPECT_EQ(ask("VOLT:RANG? MIN;:VOLT:RANG? MAX"), "+1.000000000E-01;+3.000000000E+02");
    EXPECT_EQ(ask("RES:RANG? MAX;:CURR:AC:RANG? MIN"), "+1.000000000E+08;+1.000000000E+00");
    EXPECT_EQ(ask("VOLT:RANG? DEF"), "+1.000000000E+01");  // auto range's pick for 1.23 V
    EXPECT_EQ(ask("TRIG:COUN? MIN;:TRIG:COUN? MAX;:SAMP:COUN? DEF"), "1;16777215;1");
    EXPECT_EQ(ask("TRIG:DEL? MAX;:TRIG:DEL? DEF"), "+2.100000000E+03;+3.500000000E-04");
    EXPECT_EQ(ask("VOLT:APER? MIN;:VOLT:APER? MAX;:VOLT:APER? DEF"),
              "+4.000000000E-04;+2.000000000E+00;+2.000000000E-02");
    EXPECT_EQ(ask("FREQ:APER? MIN;:FREQ:APER? MAX"), "+1.000000000E-02;+1.000000000E+00");
    EXPECT_EQ(ask("VOLT:NPLC? MIN;:RES:NPLC? MAX"), "+2.000000000E-02;+1.000000000E+02");
    EXPECT_EQ(ask("VOLT:RES? MIN;:CURR:RES? MAX"), "+3.000000000E-08;+3.000000000E-03");
    EXPECT_EQ(ask("DET:BAND? MIN;:SYST:LFR? MAX"), "+3.000000000E+00;400");
    EXPECT_EQ(ask("CALC:DBM:REF? DEF;:CALC:DB:REF? MIN;:CALC:LIM:UPP? MAX"),
              "+6.000000000E+02;-2.000000000E+02;+1.000000000E+09");
    // The settings themselves are untouched; other parameters are refused.
    EXPECT_EQ(ask("TRIG:COUN?;:VOLT:APER?"), "1;+2.000000000E-02");
    send("TRIG:COUN? 5");
    send("TRIG:COUN? HIGH");
    send("TRIG:COUN? MIN,MAX");
    EXPECT_EQ(ask("SYST:ERR:ALL?"),
              "-108,\"Parameter not allowed\",-141,\"Invalid character data\","
              "-108,\"Parameter not allowed\"");
}

TEST_F(VisaStandards, OperationRegisterFollowsTheMeasurementAndPresetClearsEnables) {
    EXPECT_EQ(ask("STAT:OPER:COND?;:STAT:OPER?"), "0;0");
    send("VOLT:APER 0.2;:TRIG:SOUR BUS;:INIT");
    EXPECT_EQ(ask("STAT:OPER:COND?"), "32");  // waiting for trigger
    send("*TRG");
    EXPECT_EQ(ask("STAT:OPER:COND?"), "16");  // measuring
    send("ABOR");
    EXPECT_EQ(ask("STAT:OPER:COND?"), "0");
    EXPECT_EQ(ask("STAT:OPER:EVEN?"), "48");  // both rose; reading clears
    EXPECT_EQ(ask("STAT:OPER?"), "0");
    // An enabled event sums into status byte bit 7, and through the SRE into RQS.
    send("STAT:OPER:ENAB 16;:STAT:QUES:ENAB 3;*SRE 128");
    EXPECT_EQ(ask("STAT:OPER:ENAB?"), "16");
    send("VOLT:APER 0.0004;:TRIG:SOUR IMM");
    EXPECT_EQ(ask("INIT;*OPC?"), "1");
    EXPECT_EQ(poll() & 0xC0, 0xC0);
    send("STAT:PRES");
    EXPECT_EQ(ask("STAT:OPER:ENAB?;:STAT:QUES:ENAB?"), "0;0");
    EXPECT_EQ(poll() & 0xC0, 0);
    send("STAT:OPER:ENAB 70000");
    EXPECT_EQ(ask("SYST:ERR?"), "-222,\"Data out of range\"");
}

TEST_F(VisaStandards, AServiceRequestComesWhenTheOperationCompletesWithNoCallMade) {
    ASSERT_EQ(viEnableEvent(vi_, VI_EVENT_SERVICE_REQ, VI_QUEUE, VI_NULL), VI_SUCCESS);
    send("VOLT:APER 0.02;:SAMP:COUN 5;*ESE 1;*SRE 32;:INIT;*OPC");
    ViEventType type = 0;
    ASSERT_EQ(viWaitOnEvent(vi_, VI_EVENT_SERVICE_REQ, 2000, &type, VI_NULL), VI_SUCCESS);
    EXPECT_EQ(poll(), 0x60);
    EXPECT_EQ(poll(), 0x20);
}

TEST_F(VisaStandards, SerialPollClearsRqsWhileStbQueryKeepsTheSummary) {
    send("*ESE 60;*SRE 32;FOO");
    EXPECT_EQ(poll(), 0x64);  // error queue, ESB, RQS
    EXPECT_EQ(poll(), 0x24);  // the request was answered
    EXPECT_EQ(ask("*STB?"), "100");  // MSS stays while its cause does
    send("*CLS");
    EXPECT_EQ(poll(), 0);
    send("BAR");  // a new reason: a new request
    EXPECT_EQ(poll(), 0x64);
}

TEST_F(VisaStandards, OutputQueueIsBoundedTheParserWaitsAndADeadlockIsBroken) {
    const std::string block = ask("VOLT:APER 0.0004;:TRIG:DEL 0;:SAMP:COUN 100;:READ?");
    ASSERT_EQ(std::count(block.begin(), block.end(), ','), 99);
    // 680 fetches in one message: the replies stream out as the controller reads them.
    std::string many;
    for (int i = 0; i < 680; ++i) many += "FETC?;";
    send(many);
    EXPECT_EQ(poll() & 0x10, 0x10);
    ViStatus st = 0;
    const std::string all = read_reply(vi_, st, 100000);
    EXPECT_EQ(st, VI_SUCCESS);
    EXPECT_EQ(all.size(), 680 * (block.size() + 1));
    EXPECT_EQ(all.substr(0, block.size() + 1), block + ";");
    EXPECT_EQ(all.back(), '\n');
    EXPECT_EQ(std::count(all.begin(), all.end(), ';'), 679);
    EXPECT_EQ(ask("SYST:ERR?"), "+0,\"No error\"");

    // Not read, and more sent than the input buffer holds: IEEE 488.2's deadlock. The output
    // is cleared, the held message ends without responses, the later ones run.
    ask("SAMP:COUN 1000;:READ?");
    send(many);
    std::string settings;
    for (int i = 0; i < 300; ++i) settings += "SAMP:COUN 2;";
    send(settings);
    send(settings);
    EXPECT_EQ(ask("SAMP:COUN?"), "2");
    EXPECT_EQ(ask("SYST:ERR:ALL?"), "-430,\"Query DEADLOCKED\"");
}

TEST(VisaSelfTest, ADescribedFailureCodeIsWhatStarTstAnswers) {
    use_bus("[VXI0::24::INSTR]\nq7304 = yes\nfault.selftest = 17\n"
            "[VXI0::25::INSTR]\nq7304 = yes\n");
    const ViSession rm = open_rm();
    EXPECT_EQ(query(open_instr(rm, "VXI0::24::INSTR"), "*TST?\n"), "17\n");
    EXPECT_EQ(query(open_instr(rm, "VXI0::25::INSTR"), "*TST?\n"), "0\n");
}

}  // namespace
