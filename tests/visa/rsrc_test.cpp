// Resource names in their short forms, attribute search expressions, the attributes each
// kind of resource answers, status texts and the operations a kind lacks.
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support.hpp"

using namespace visatest;

namespace {

constexpr const char* kBus = R"([VXI0::24::INSTR]
q7304 = yes
slot = 3
[VXI0::8::INSTR]
manufacturer = 0x0FFE
model = 12
idn = OTHER,THING,1,2
[GPIB0::22::INSTR]
idn = E,F,G,H
[GPIB0::5::7::INSTR]
idn = I,J,K,L
[GPIB-VXI0::16::INSTR]
q7304 = yes
)";

class VisaResources : public ::testing::Test {
protected:
    void SetUp() override {
        use_bus(kBus);
        rm_ = open_rm();
    }
    std::string opened_name(const char* name, ViStatus expected = VI_SUCCESS) {
        ViSession vi = 0;
        EXPECT_EQ(viOpen(rm_, name, VI_NULL, VI_NULL, &vi), expected) << name;
        if (expected != VI_SUCCESS) return {};
        ViChar real[VI_FIND_BUFLEN] = {};
        EXPECT_EQ(viGetAttribute(vi, VI_ATTR_RSRC_NAME, real), VI_SUCCESS);
        viClose(vi);
        return real;
    }
    std::vector<std::string> find(const char* expr, ViStatus* status = nullptr) {
        ViFindList list = 0;
        ViUInt32 count = 0;
        ViChar desc[VI_FIND_BUFLEN] = {};
        const ViStatus st = viFindRsrc(rm_, expr, &list, &count, desc);
        if (status) *status = st;
        std::vector<std::string> names;
        if (st < 0) return names;
        names.emplace_back(desc);
        while (viFindNext(list, desc) == VI_SUCCESS) names.emplace_back(desc);
        viClose(list);
        return names;
    }
    ViSession rm_ = 0;
};

using Names = std::vector<std::string>;

TEST_F(VisaResources, ShortFormsOpenTheResourceTheyName) {
    EXPECT_EQ(opened_name("VXI::24::INSTR"), "VXI0::24::INSTR");
    EXPECT_EQ(opened_name("VXI0::24"), "VXI0::24::INSTR");
    EXPECT_EQ(opened_name("vxi0::024::instr"), "VXI0::24::INSTR");
    EXPECT_EQ(opened_name("GPIB::22"), "GPIB0::22::INSTR");
    EXPECT_EQ(opened_name("GPIB0::22::0::INSTR"), "GPIB0::22::INSTR");  // no secondary address
    EXPECT_EQ(opened_name("GPIB0::5::7::INSTR"), "GPIB0::5::7::INSTR");
    EXPECT_EQ(opened_name("GPIB-VXI::16"), "GPIB-VXI0::16::INSTR");
    opened_name("GPIB0::5::INSTR", VI_ERROR_RSRC_NFOUND);
    opened_name("GPIB0::22::1::INSTR", VI_ERROR_RSRC_NFOUND);
    opened_name("VXI1::24", VI_ERROR_RSRC_NFOUND);
    ViUInt16 type = 0, num = 9;
    ViChar cls[VI_FIND_BUFLEN] = {}, full[VI_FIND_BUFLEN] = {}, alias[VI_FIND_BUFLEN] = {};
    ASSERT_EQ(viParseRsrcEx(rm_, "gpib::22", &type, &num, cls, full, alias), VI_SUCCESS);
    EXPECT_EQ(type, VI_INTF_GPIB);
    EXPECT_EQ(num, 0);
    EXPECT_STREQ(cls, "INSTR");
    EXPECT_STREQ(full, "GPIB0::22::INSTR");
}

TEST_F(VisaResources, AttributeExpressionsSelectByAttribute) {
    EXPECT_EQ(find("?*INSTR{VI_ATTR_MANF_ID==0x0E5A}"), (Names{"VXI0::24::INSTR", "GPIB-VXI0::16::INSTR"}));
    EXPECT_EQ(find("VXI?*{VI_ATTR_MANF_ID == 3674 && VI_ATTR_SLOT > 2}"), (Names{"VXI0::24::INSTR"}));
    EXPECT_EQ(find("?*{VI_ATTR_INTF_TYPE==1 || VI_ATTR_VXI_LA<10}"),
              (Names{"VXI0::8::INSTR", "GPIB0::22::INSTR", "GPIB0::5::7::INSTR"}));
    EXPECT_EQ(find("?*{VI_ATTR_MODEL_NAME==\"Q7304?*\"}"), (Names{"VXI0::24::INSTR", "GPIB-VXI0::16::INSTR"}));
    EXPECT_EQ(find("GPIB?*{!(VI_ATTR_GPIB_SECONDARY_ADDR==0xFFFF)}"), (Names{"GPIB0::5::7::INSTR"}));
    ViStatus st = 0;
    EXPECT_TRUE(find("?*{VI_ATTR_MANF_ID==1}", &st).empty());
    EXPECT_EQ(st, VI_ERROR_RSRC_NFOUND);
    for (const char* bad : {"?*{VI_ATTR_MANF_ID==}", "?*{VI_ATTR_MANF_ID==1", "?*{VI_ATTR_NOPE==1}",
                            "?*{VI_ATTR_MANF_ID<\"x\"}", "?*{(VI_ATTR_SLOT==1}", "?*{}"}) {
        find(bad, &st);
        EXPECT_EQ(st, VI_ERROR_INV_EXPR) << bad;
    }
}

TEST_F(VisaResources, AttributesAsEachKindOfResourceAnswersThem) {
    const ViSession vxi = open_instr(rm_, "VXI0::24::INSTR");
    const ViSession gpib = open_instr(rm_, "GPIB0::5::7::INSTR");
    ViChar text[VI_FIND_BUFLEN] = {};
    ASSERT_EQ(viGetAttribute(vxi, VI_ATTR_MANF_NAME, text), VI_SUCCESS);
    EXPECT_STREQ(text, "VANTREL-OSSMARK");
    ASSERT_EQ(viGetAttribute(vxi, VI_ATTR_MODEL_NAME, text), VI_SUCCESS);
    EXPECT_STREQ(text, "Q7304A");
    ASSERT_EQ(viGetAttribute(vxi, VI_ATTR_RSRC_MANF_NAME, text), VI_SUCCESS);
    EXPECT_STRNE(text, "");
    ViUInt16 u16 = 0;
    ViInt16 i16 = 5;
    ASSERT_EQ(viGetAttribute(vxi, VI_ATTR_4882_COMPLIANT, &u16), VI_SUCCESS);
    EXPECT_EQ(u16, VI_TRUE);
    ASSERT_EQ(viGetAttribute(vxi, VI_ATTR_MAINFRAME_LA, &i16), VI_SUCCESS);
    EXPECT_EQ(i16, 0);
    ASSERT_EQ(viGetAttribute(vxi, VI_ATTR_IO_PROT, &u16), VI_SUCCESS);
    EXPECT_EQ(u16, VI_PROT_NORMAL);
    EXPECT_EQ(viSetAttribute(vxi, VI_ATTR_IO_PROT, VI_PROT_FDC), VI_ERROR_NSUP_ATTR_STATE);
    EXPECT_EQ(viSetAttribute(vxi, VI_ATTR_SUPPRESS_END_EN, VI_TRUE), VI_SUCCESS);
    ViUInt64 user = 0;
    ASSERT_EQ(viSetAttribute(vxi, VI_ATTR_USER_DATA, 0x1234567890ull), VI_SUCCESS);
    ASSERT_EQ(viGetAttribute(vxi, VI_ATTR_USER_DATA, &user), VI_SUCCESS);
    EXPECT_EQ(user, 0x1234567890ull);
    ViUInt32 u32 = 0;
    ASSERT_EQ(viGetAttribute(vxi, VI_ATTR_MAX_QUEUE_LENGTH, &u32), VI_SUCCESS);
    EXPECT_EQ(u32, 50u);
    EXPECT_EQ(viSetAttribute(vxi, VI_ATTR_MAX_QUEUE_LENGTH, 10), VI_SUCCESS);
    EXPECT_EQ(viGetAttribute(vxi, VI_ATTR_GPIB_SECONDARY_ADDR, &u16), VI_ERROR_NSUP_ATTR);
    EXPECT_EQ(viSetAttribute(vxi, VI_ATTR_MANF_NAME, 0), VI_ERROR_ATTR_READONLY);
    EXPECT_EQ(viSetAttribute(vxi, VI_ATTR_RSRC_LOCK_STATE, 0), VI_ERROR_ATTR_READONLY);

    ASSERT_EQ(viGetAttribute(gpib, VI_ATTR_GPIB_SECONDARY_ADDR, &u16), VI_SUCCESS);
    EXPECT_EQ(u16, 7);
    ASSERT_EQ(viGetAttribute(gpib, VI_ATTR_4882_COMPLIANT, &u16), VI_SUCCESS);
    EXPECT_EQ(u16, VI_FALSE);
    EXPECT_EQ(viGetAttribute(gpib, VI_ATTR_MANF_NAME, text), VI_ERROR_NSUP_ATTR);
    EXPECT_EQ(viGetAttribute(gpib, VI_ATTR_MAINFRAME_LA, &i16), VI_ERROR_NSUP_ATTR);
    ASSERT_EQ(viGetAttribute(gpib, VI_ATTR_GPIB_REN_STATE, &i16), VI_SUCCESS);
    EXPECT_EQ(i16, VI_STATE_ASSERTED);
    ASSERT_EQ(viGpibControlREN(gpib, VI_GPIB_REN_DEASSERT_GTL), VI_SUCCESS);
    ASSERT_EQ(viGetAttribute(gpib, VI_ATTR_GPIB_REN_STATE, &i16), VI_SUCCESS);
    EXPECT_EQ(i16, VI_STATE_UNASSERTED);
    EXPECT_EQ(viGpibControlREN(gpib, 99), VI_ERROR_INV_MODE);
    EXPECT_EQ(viGpibControlREN(vxi, VI_GPIB_REN_ASSERT), VI_ERROR_NSUP_OPER);
    ViUInt32 resp = 0;
    EXPECT_EQ(viVxiCommandQuery(gpib, VI_VXI_CMD16_RESP16, 0xCFFF, &resp), VI_ERROR_NSUP_OPER);
    EXPECT_EQ(viIn16(gpib, VI_A16_SPACE, 0, &u16), VI_ERROR_NSUP_OPER);
}

TEST(VisaNames, TheBusFileSpellingGivesTheCanonicalNameAndAddressesAreCheckedForRange) {
    use_bus("[vxi0::025]\nidn = A,B,1,2\n[gpib::09::instr]\nidn = C,D,3,4\n"
            "[Gpib-Vxi1::30::255]\nidn = E,F,5,6\n");
    const ViSession rm = open_rm();
    ViFindList list = 0;
    ViChar name[VI_FIND_BUFLEN] = {};
    ASSERT_EQ(viFindRsrc(rm, "?*", &list, nullptr, name), VI_SUCCESS);
    EXPECT_STREQ(name, "VXI0::25::INSTR");
    ASSERT_EQ(viFindNext(list, name), VI_SUCCESS);
    EXPECT_STREQ(name, "GPIB0::9::INSTR");
    ASSERT_EQ(viFindNext(list, name), VI_SUCCESS);
    EXPECT_STREQ(name, "GPIB-VXI1::30::255::INSTR");
    viClose(list);
    ASSERT_EQ(viFindRsrc(rm, "VXI0::25::INSTR", &list, nullptr, name), VI_SUCCESS);
    viClose(list);
    const ViSession vi = open_instr(rm, "VXI::0025");
    ASSERT_EQ(viGetAttribute(vi, VI_ATTR_RSRC_NAME, name), VI_SUCCESS);
    EXPECT_STREQ(name, "VXI0::25::INSTR");
    // The highest addresses are names; one more is not.
    ViUInt16 type = 0, num = 0;
    for (const char* good : {"GPIB0::30::30::INSTR", "VXI0::255", "GPIB-VXI0::0::255"})
        EXPECT_EQ(viParseRsrc(rm, good, &type, &num), VI_SUCCESS) << good;
    for (const char* bad : {"GPIB0::31::INSTR", "GPIB0::1::31::INSTR", "VXI0::256::INSTR",
                            "GPIB-VXI0::256", "GPIB-VXI0::31::1"}) {
        EXPECT_EQ(viParseRsrc(rm, bad, &type, &num), VI_ERROR_INV_RSRC_NAME) << bad;
        ViSession none = 0;
        EXPECT_EQ(viOpen(rm, bad, VI_NULL, VI_NULL, &none), VI_ERROR_INV_RSRC_NAME) << bad;
    }
}

TEST(VisaNames, LanResourcesInEveryFormGiveTheirCanonicalNameAndAreListedFromTheBus) {
    use_bus("[TCPIP0::192.0.2.7::inst0::INSTR]\n[tcpip::bench-dmm.example.org::hislip0]\n"
            "[TCPIP1::[2001:db8::7]::5025::socket]\n[TCPIP::gw.lab::GPIB0,9::INSTR]\n");
    const ViSession rm = open_rm();
    struct Case {
        const char* name;
        const char* canonical;  // nullptr: not a resource name
        const char* rsrc_class;
    };
    const Case cases[] = {
        {"TCPIP::192.0.2.7", "TCPIP0::192.0.2.7::inst0::INSTR", "INSTR"},
        {"tcpip3::Host-1.lab::INST2::instr", "TCPIP3::Host-1.lab::inst2::INSTR", "INSTR"},
        {"TCPIP0::[fe80::1%eth0]::hislip0,4880::INSTR", "TCPIP0::[fe80::1%eth0]::hislip0,4880::INSTR",
         "INSTR"},
        {"TCPIP0::gw::gpib0,9,3", "TCPIP0::gw::gpib0,9,3::INSTR", "INSTR"},
        {"TCPIP0::10.0.0.1::0::SOCKET", "TCPIP0::10.0.0.1::0::SOCKET", "SOCKET"},
        {"TCPIP0::h::65535::SOCKET", "TCPIP0::h::65535::SOCKET", "SOCKET"},
        {"TCPIP0::h::65536::SOCKET", nullptr, ""},
        {"TCPIP0::h::SOCKET", nullptr, ""},
        {"TCPIP0::256.1.1.1::INSTR", nullptr, ""},
        {"TCPIP0::[fe80::1::INSTR", nullptr, ""},
        {"TCPIP0::[fe80::zz]::INSTR", nullptr, ""},
        {"TCPIP0::bad host::INSTR", nullptr, ""},
        {"TCPIP0::-h::INSTR", nullptr, ""},
        {"TCPIP0::h::gpib0,31::INSTR", nullptr, ""},
        {"TCPIP0::h::hislip0,70000::INSTR", nullptr, ""},
        {"TCPIP0::h::inst0::extra::INSTR", nullptr, ""},
    };
    for (const Case& c : cases) {
        ViUInt16 type = 0, num = 0;
        ViChar cls[VI_FIND_BUFLEN] = {}, full[VI_FIND_BUFLEN] = {};
        const ViStatus st = viParseRsrcEx(rm, c.name, &type, &num, cls, full, nullptr);
        if (!c.canonical) {
            EXPECT_EQ(st, VI_ERROR_INV_RSRC_NAME) << c.name;
            continue;
        }
        ASSERT_EQ(st, VI_SUCCESS) << c.name;
        EXPECT_EQ(type, VI_INTF_TCPIP);
        EXPECT_STREQ(full, c.canonical);
        EXPECT_STREQ(cls, c.rsrc_class);
    }
    // Listed with the bus's other resources in their canonical form; not yet opened.
    ViFindList list = 0;
    ViUInt32 count = 0;
    ViChar name[VI_FIND_BUFLEN] = {};
    ASSERT_EQ(viFindRsrc(rm, "TCPIP?*", &list, &count, name), VI_SUCCESS);
    ASSERT_EQ(count, 4u);
    std::vector<std::string> names{name};
    while (viFindNext(list, name) == VI_SUCCESS) names.emplace_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"TCPIP0::192.0.2.7::inst0::INSTR",
                                               "TCPIP0::bench-dmm.example.org::hislip0::INSTR",
                                               "TCPIP1::[2001:db8::7]::5025::SOCKET",
                                               "TCPIP0::gw.lab::gpib0,9::INSTR"}));
    viClose(list);
    ASSERT_EQ(viFindRsrc(rm, "?*SOCKET{VI_ATTR_INTF_TYPE == 6}", &list, &count, name), VI_SUCCESS);
    EXPECT_EQ(count, 1u);
    viClose(list);
    ViSession vi = 0;
    EXPECT_EQ(viOpen(rm, "TCPIP0::192.0.2.7::INSTR", VI_NULL, VI_NULL, &vi), VI_ERROR_RSRC_NFOUND);
}

// Every completion and error code the header defines has its own text.
TEST(VisaNames, EveryStatusOfTheHeaderHasADescription) {
    std::ifstream header(VISA_HEADER);
    std::stringstream text;
    text << header.rdbuf();
    const std::string h = text.str();
    const std::regex define(R"(#define (VI_(?:SUCCESS|WARN|ERROR)\w*)\s+\S*?(0x[0-9A-Fa-f]+|0)L?\)?)");
    const ViSession rm = open_rm();
    ViChar unknown[VI_FIND_BUFLEN] = {};
    ASSERT_EQ(viStatusDesc(rm, static_cast<ViStatus>(0xBFFF7777), unknown), VI_WARN_UNKNOWN_STATUS);
    int walked = 0;
    for (auto it = std::sregex_iterator(h.begin(), h.end(), define); it != std::sregex_iterator(); ++it) {
        const auto status = static_cast<ViStatus>(std::stoul((*it)[2].str(), nullptr, 0));
        ViChar desc[VI_FIND_BUFLEN] = {};
        EXPECT_EQ(viStatusDesc(rm, status, desc), VI_SUCCESS) << (*it)[1];
        EXPECT_GT(std::string(desc).size(), 10u) << (*it)[1];
        ++walked;
    }
    EXPECT_GT(walked, 90);
}

TEST_F(VisaResources, StatusTextsNullObjectAndFiles) {
    ViChar text[VI_FIND_BUFLEN] = {};
    for (ViStatus st : {ViStatus{VI_SUCCESS}, ViStatus{VI_SUCCESS_TERM_CHAR}, VI_ERROR_RSRC_LOCKED, VI_ERROR_ABORT,
                        ViStatus{VI_SUCCESS_QUEUE_NEMPTY}, VI_ERROR_NENABLED, ViStatus{VI_WARN_NULL_OBJECT}}) {
        EXPECT_EQ(viStatusDesc(rm_, st, text), VI_SUCCESS) << std::hex << st;
        EXPECT_STRNE(text, "");
    }
    EXPECT_EQ(viStatusDesc(rm_, static_cast<ViStatus>(0xBFFF7777), text), VI_WARN_UNKNOWN_STATUS);
    EXPECT_EQ(viClose(VI_NULL), VI_WARN_NULL_OBJECT);

    const ViSession vi = open_instr(rm_, "VXI0::24::INSTR");
    const std::string out = temp_path("query"), reply = temp_path("reply");
    { std::FILE* f = std::fopen(out.c_str(), "wb"); std::fputs("*IDN?\n", f); std::fclose(f); }
    ViUInt32 n = 0;
    ASSERT_EQ(viWriteFromFile(vi, out.c_str(), 100, &n), VI_SUCCESS);
    EXPECT_EQ(n, 6u);
    ASSERT_EQ(viReadToFile(vi, reply.c_str(), 256, &n), VI_SUCCESS);
    EXPECT_EQ(read_file(reply).rfind(kQ7304Idn, 0), 0u);
    EXPECT_EQ(read_file(reply).size(), n);
    EXPECT_EQ(viWriteFromFile(vi, "/nonexistent/q.txt", 10, &n), VI_ERROR_FILE_ACCESS);
    std::remove(out.c_str());
    std::remove(reply.c_str());
}

}  // namespace
