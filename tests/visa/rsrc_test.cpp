// Resource names in their short forms, attribute search expressions, the attributes each
// kind of resource answers, status texts and the operations a kind lacks.
#include <cstdio>
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
