// The bus: the default one, described ones, malformed descriptions; device attributes.
#include <cstring>
#include <string>

#include "bus.hpp"
#include "support.hpp"

using namespace visatest;

namespace {

// A 16-bit attribute read into a 32-bit variable: zero-filled, the value lands in the low
// half and the high half stays zero; filled with a pattern, the high half is kept.
template <class T16>
void expect_16bit(ViSession vi, ViAttr attr, T16 expected) {
    static_assert(sizeof(T16) == 2);
    ViUInt32 zero = 0;
    ASSERT_EQ(viGetAttribute(vi, attr, &zero), VI_SUCCESS) << std::hex << attr;
    EXPECT_EQ(zero, static_cast<ViUInt16>(expected)) << std::hex << attr;
    ViUInt32 pattern = 0xA5A50000u;
    ASSERT_EQ(viGetAttribute(vi, attr, &pattern), VI_SUCCESS);
    EXPECT_EQ(pattern >> 16, 0xA5A5u) << std::hex << attr;
    T16 exact = 0;
    ASSERT_EQ(viGetAttribute(vi, attr, &exact), VI_SUCCESS);
    EXPECT_EQ(exact, expected) << std::hex << attr;
}

// A 32-bit attribute fills four bytes and no more.
void expect_32bit(ViSession vi, ViAttr attr, ViUInt32 expected) {
    ViUInt64 pattern = 0x5A5A5A5A00000000ull;
    ASSERT_EQ(viGetAttribute(vi, attr, &pattern), VI_SUCCESS) << std::hex << attr;
    EXPECT_EQ(static_cast<ViUInt32>(pattern), expected) << std::hex << attr;
    EXPECT_EQ(pattern >> 32, 0x5A5A5A5Au) << std::hex << attr;
}

TEST(VisaBus, DefaultBusHoldsOneQ7304) {
    ::unsetenv("VISA_SIM_BUS");
    const ViSession rm = open_rm();
    ViFindList list = 0;
    ViUInt32 count = 0;
    ViChar desc[VI_FIND_BUFLEN] = {};
    ASSERT_EQ(viFindRsrc(rm, "?*INSTR", &list, &count, desc), VI_SUCCESS);
    EXPECT_EQ(count, 1u);
    EXPECT_STREQ(desc, "VXI0::24::INSTR");
    EXPECT_EQ(viFindNext(list, desc), VI_ERROR_RSRC_NFOUND);
}

TEST(VisaBus, DefaultDeviceAttributesAtTheirPublishedSizes) {
    ::unsetenv("VISA_SIM_BUS");
    const ViSession rm = open_rm();
    const ViSession vi = open_instr(rm, "VXI0::24::INSTR");
    expect_16bit<ViUInt16>(vi, VI_ATTR_INTF_TYPE, VI_INTF_VXI);
    expect_16bit<ViUInt16>(vi, VI_ATTR_INTF_NUM, 0);
    expect_16bit<ViUInt16>(vi, VI_ATTR_MANF_ID, 3674);
    expect_16bit<ViUInt16>(vi, VI_ATTR_MODEL_CODE, 705);
    expect_16bit<ViInt16>(vi, VI_ATTR_VXI_LA, 24);
    expect_16bit<ViInt16>(vi, VI_ATTR_SLOT, 3);
    expect_32bit(vi, VI_ATTR_TMO_VALUE, 2000);
    ViUInt32 version = 0;
    ASSERT_EQ(viGetAttribute(vi, VI_ATTR_RSRC_SPEC_VERSION, &version), VI_SUCCESS);
    EXPECT_NE(version, 0u);
    expect_32bit(vi, VI_ATTR_RSRC_SPEC_VERSION, version);
    ViChar name[VI_FIND_BUFLEN];
    std::memset(name, 'x', sizeof name);
    ASSERT_EQ(viGetAttribute(vi, VI_ATTR_RSRC_NAME, name), VI_SUCCESS);
    EXPECT_STREQ(name, "VXI0::24::INSTR");
    // Not a GPIB device.
    ViUInt16 primary = 0;
    EXPECT_EQ(viGetAttribute(vi, VI_ATTR_GPIB_PRIMARY_ADDR, &primary), VI_ERROR_NSUP_ATTR);
}

TEST(VisaBus, OpenMatchesNamesIgnoringCaseAndRefusesUnknownOnes) {
    ::unsetenv("VISA_SIM_BUS");
    const ViSession rm = open_rm();
    ViSession vi = 0;
    EXPECT_EQ(viOpen(rm, "vxi0::24::instr", VI_NULL, VI_NULL, &vi), VI_SUCCESS);
    EXPECT_EQ(viOpen(rm, "VXI0::25::INSTR", VI_NULL, VI_NULL, &vi), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(viOpen(rm, "VXI0::24::INSTR::X", VI_NULL, VI_NULL, &vi), VI_ERROR_INV_RSRC_NAME);
    EXPECT_EQ(viOpen(rm, "ASRL1::INSTR", VI_NULL, VI_NULL, &vi), VI_ERROR_INV_RSRC_NAME);
    // Port 0 on loopback: refused at once, and no name is looked up.
    EXPECT_EQ(viOpen(rm, "TCPIP0::127.0.0.1::0::SOCKET", VI_NULL, VI_NULL, &vi), VI_ERROR_RSRC_NFOUND);
}

TEST(VisaBus, DescribedVxiDeviceAttributes) {
    use_bus("[VXI0::200::INSTR]\n"
            "q7304 = yes\n"
            "spec_version = 0x00500800\n"
            "[VXI2::7::INSTR]\n"
            "manufacturer = 0x0FFE\n"
            "model = 65535\n"
            "idn = X,Y,Z,W\n");
    const ViSession rm = open_rm();
    const ViSession q = open_instr(rm, "VXI0::200::INSTR");
    // A Q7304 without maker or model gets the Q7304's; the slot is unknown.
    expect_16bit<ViUInt16>(q, VI_ATTR_MANF_ID, 3674);
    expect_16bit<ViUInt16>(q, VI_ATTR_MODEL_CODE, 705);
    expect_16bit<ViInt16>(q, VI_ATTR_VXI_LA, 200);
    expect_16bit<ViInt16>(q, VI_ATTR_SLOT, -1);
    expect_32bit(q, VI_ATTR_RSRC_SPEC_VERSION, 0x00500800u);

    const ViSession p = open_instr(rm, "VXI2::7::INSTR");
    expect_16bit<ViUInt16>(p, VI_ATTR_INTF_NUM, 2);
    expect_16bit<ViUInt16>(p, VI_ATTR_MANF_ID, 0x0FFE);
    expect_16bit<ViUInt16>(p, VI_ATTR_MODEL_CODE, 0xFFFF);
    expect_16bit<ViInt16>(p, VI_ATTR_VXI_LA, 7);
}

TEST(VisaBus, GpibPlainDeviceAnswersItsIdn) {
    use_bus("# a plain GPIB device\n"
            "[GPIB0::9::INSTR]\n"
            "interface = gpib\n"
            "idn = NORVELL,PX-20,77,1.0\n");
    const ViSession rm = open_rm();
    const ViSession vi = open_instr(rm, "GPIB0::9::INSTR");
    expect_16bit<ViUInt16>(vi, VI_ATTR_INTF_TYPE, VI_INTF_GPIB);
    expect_16bit<ViUInt16>(vi, VI_ATTR_GPIB_PRIMARY_ADDR, 9);
    ViUInt16 v = 0;
    EXPECT_EQ(viGetAttribute(vi, VI_ATTR_MANF_ID, &v), VI_ERROR_NSUP_ATTR);
    EXPECT_EQ(viGetAttribute(vi, VI_ATTR_VXI_LA, &v), VI_ERROR_NSUP_ATTR);
    EXPECT_EQ(query(vi, "*IDN?\n"), "NORVELL,PX-20,77,1.0\n");
    // Case of the command does not matter; other commands leave nothing to read.
    EXPECT_EQ(query(vi, "*idn?\n"), "NORVELL,PX-20,77,1.0\n");
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, 100), VI_SUCCESS);
    ASSERT_EQ(write_text(vi, "*RST\n"), VI_SUCCESS);
    ViStatus st = 0;
    read_reply(vi, st);
    EXPECT_EQ(st, VI_ERROR_TMO);
}

TEST(VisaBus, GpibVxiDeviceHasBothAddresses) {
    use_bus("[GPIB-VXI0::1::16::INSTR]\nq7304 = yes\n");
    const ViSession rm = open_rm();
    const ViSession vi = open_instr(rm, "GPIB-VXI0::1::16::INSTR");
    expect_16bit<ViUInt16>(vi, VI_ATTR_INTF_TYPE, VI_INTF_GPIB_VXI);
    expect_16bit<ViUInt16>(vi, VI_ATTR_GPIB_PRIMARY_ADDR, 1);
    expect_16bit<ViInt16>(vi, VI_ATTR_VXI_LA, 16);
    expect_16bit<ViUInt16>(vi, VI_ATTR_MANF_ID, 3674);
    EXPECT_EQ(query(vi, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

TEST(VisaBus, ReadOnlyAttributesRefuseSetAttribute) {
    ::unsetenv("VISA_SIM_BUS");
    const ViSession rm = open_rm();
    const ViSession vi = open_instr(rm, "VXI0::24::INSTR");
    for (ViAttr attr : {VI_ATTR_INTF_TYPE, VI_ATTR_INTF_NUM, VI_ATTR_RSRC_NAME, VI_ATTR_MANF_ID,
                        VI_ATTR_MODEL_CODE, VI_ATTR_VXI_LA, VI_ATTR_SLOT,
                        VI_ATTR_RSRC_SPEC_VERSION, VI_ATTR_RSRC_MANF_ID})
        EXPECT_EQ(viSetAttribute(vi, attr, 5), VI_ERROR_ATTR_READONLY) << std::hex << attr;
    expect_16bit<ViInt16>(vi, VI_ATTR_VXI_LA, 24);
    expect_16bit<ViInt16>(vi, VI_ATTR_SLOT, 3);
    // A writable one takes the value.
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, 200), VI_SUCCESS);
    expect_32bit(vi, VI_ATTR_TMO_VALUE, 200);
}

// --- Malformed descriptions: reported on stderr, then an empty bus. ---

struct Malformed {
    const char* label;
    const char* text;
    int line;
    const char* reason;
};

void PrintTo(const Malformed& m, std::ostream* os) { *os << m.label; }

class VisaBusMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(VisaBusMalformed, ReportedWithFileAndLineThenEmptyBus) {
    const Malformed& m = GetParam();
    const std::string path = use_bus(m.text);
    ::testing::internal::CaptureStderr();
    ViSession rm = 0;
    const ViStatus st = viOpenDefaultRM(&rm);
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(st, VI_SUCCESS);
    EXPECT_NE(err.find(path + ":" + std::to_string(m.line) + ": " + m.reason), std::string::npos)
        << err;
    ViFindList list = 0;
    ViUInt32 count = 7;
    ViChar desc[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(viFindRsrc(rm, "?*", &list, &count, desc), VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(count, 0u);
    ViSession vi = 0;
    EXPECT_EQ(viOpen(rm, "VXI0::24::INSTR", VI_NULL, VI_NULL, &vi), VI_ERROR_RSRC_NFOUND);
    // Read once: a second resource manager reports nothing again.
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, VisaBusMalformed,
    ::testing::Values(
        Malformed{"UnknownKey", "[VXI0::24::INSTR]\nq7304 = yes\n\n# note\ncolour = red\n", 5,
                  "unknown key: colour"},
        Malformed{"KeyOutsideDevice", "# header\nq7304 = yes\n[VXI0::24::INSTR]\n", 2, "key outside a device"},
        Malformed{"BadResourceName", "[VXI0::24::INSTR]\n[VXI0::x]\n", 2, "bad resource name: VXI0::x"},
        Malformed{"DuplicateDevice", "[VXI0::24::INSTR]\nq7304 = yes\n[vxi0::24::instr]\n", 3,
                  "duplicate device: vxi0::24::instr"}),
    [](const ::testing::TestParamInfo<Malformed>& info) { return std::string(info.param.label); });

TEST(VisaBusUnreadable, MissingFileGivesEmptyBus) {
    ::setenv("VISA_SIM_BUS", "/nonexistent/visa_bus.txt", 1);
    ::testing::internal::CaptureStderr();
    const ViSession rm = open_rm();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("/nonexistent/visa_bus.txt:"), std::string::npos) << err;
    ViFindList list = 0;
    EXPECT_EQ(viFindRsrc(rm, "?*", &list, nullptr, nullptr), VI_ERROR_RSRC_NFOUND);
}

// --- The parser itself. ---

void expect_error(const std::string& text, const std::string& error) {
    const auto r = simvisa::parse_bus_description(text, "bus.txt");
    EXPECT_EQ(r.error, error) << text;
    EXPECT_TRUE(r.devices.empty()) << text;
}

TEST(VisaBusParser, ErrorsCarryFileLineAndReason) {
    expect_error("[VXI0::1::INSTR]\nflavour = 3\n", "bus.txt:2: unknown key: flavour");
    expect_error("\n\n  model = 3\n", "bus.txt:3: key outside a device");
    expect_error("[VXI0::1::INSTR]\n[GPIB0::x::INSTR]\n", "bus.txt:2: bad resource name: GPIB0::x::INSTR");
    expect_error("[GPIB0::9::INSTR]\n[VXI0::1::INSTR]\n[Gpib0::9::Instr]\n",
                 "bus.txt:3: duplicate device: Gpib0::9::Instr");
    expect_error("[VXI0::1::INSTR\n", "bus.txt:1: unterminated device name");
    expect_error("[VXI0::1::INSTR]\njust words\n", "bus.txt:2: expected key = value");
    expect_error("[VXI0::1::INSTR]\ninterface = usb\n", "bus.txt:2: bad interface: usb");
    expect_error("[VXI0::1::INSTR]\nmanufacturer = 65536\n",
                 "bus.txt:2: bad value for manufacturer: 65536");
    expect_error("[VXI0::1::INSTR]\nq7304 = maybe\n", "bus.txt:2: bad value for q7304: maybe");
    expect_error("[VXI0::1::INSTR]\nloopback = maybe\n", "bus.txt:2: bad value for loopback: maybe");
    expect_error("[TCPIP0::h::INSTR]\n[TCPIP0::H::inst0]\n", "bus.txt:2: duplicate device: TCPIP0::H::inst0");
    expect_error("[TCPIP0::h::INSTR]\nq7304 = yes\n",
                 "bus.txt:1: a LAN resource has no simulated device: TCPIP0::h::inst0::INSTR");
    expect_error("[VXI0::256::INSTR]\n", "bus.txt:1: bad resource name: VXI0::256::INSTR");
    expect_error("[VXI0::2::INSTR]\n[VXI0::1::INSTR]\nloopback = yes\nq7304 = yes\n",
                 "bus.txt:2: a device is a Q7304A or the loopback device");
    expect_error("[VXI0::1::INSTR]\ninput.volt_dc = lots\n",
                 "bus.txt:2: bad number for input.volt_dc: lots");
    expect_error("[VXI0::1::INSTR]\nfault.after = 3\n", "bus.txt:2: bad value for fault.after: 3");
    expect_error("[VXI0::1::INSTR]\nfault.after = -1 fail\n",
                 "bus.txt:2: bad value for fault.after: -1 fail");
    expect_error("[VXI0::1::INSTR]\nfault.open = sometimes\n",
                 "bus.txt:2: bad value for fault.open: sometimes");
    expect_error("[VXI0::1::INSTR]\nfault.read.fail =\n",
                 "bus.txt:2: missing command prefix for fault.read.fail");
    expect_error("[VXI0::1::INSTR]\nfault.times = 1\n",
                 "bus.txt:2: fault.times without a fault before it");
    expect_error("[VXI0::1::INSTR]\nfault.stb = fail\nfault.times = 0\n",
                 "bus.txt:3: bad value for fault.times: 0");
    expect_error("[VXI0::1::INSTR]\nfault.clear = fail\nfault.skip = -1\n",
                 "bus.txt:3: bad value for fault.skip: -1");
    expect_error("[VXI0::1::INSTR]\nfault.close = timeout\n",
                 "bus.txt:2: bad value for fault.close: timeout");
}

TEST(VisaBusParser, WellFormedDescriptionKeepsOrderAndFields) {
    const auto r = simvisa::parse_bus_description(
        "# two devices\r\n"
        "[ VXI0::24::INSTR ]\r\n"
        "  slot = 3  \r\n"
        "q7304 = yes\r\n"
        "input.volt_dc = 2.5\r\n"
        "\r\n"
        "[GPIB0::9::INSTR]\n"
        "idn = A = B\n"
        "fault.write.fail = conf\n"
        "fault.after = 4 timeout\n"
        "fault.attr = 0x3FFF00D9\n",
        "b.txt");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.devices.size(), 2u);
    const auto& q = r.devices[0];
    EXPECT_EQ(q.name, "VXI0::24::INSTR");
    EXPECT_EQ(q.line, 2);
    EXPECT_EQ(q.slot, 3);
    EXPECT_EQ(q.logical_address, 24);
    EXPECT_TRUE(q.q7304);
    EXPECT_DOUBLE_EQ(q.input.volt_dc, 2.5);
    const auto& g = r.devices[1];
    EXPECT_EQ(g.intf_type, VI_INTF_GPIB);
    EXPECT_EQ(g.primary_address, 9);
    EXPECT_EQ(g.idn, "A = B");
    EXPECT_EQ(g.line, 7);
    ASSERT_EQ(g.faults.size(), 2u);
    EXPECT_EQ(g.faults[0].prefix, "CONF");
    EXPECT_EQ(g.faults[1].after, 4);
    EXPECT_EQ(g.faults[1].kind, simvisa::FaultKind::timeout);
    ASSERT_EQ(g.failing_attributes.size(), 1u);
    EXPECT_EQ(g.failing_attributes[0], static_cast<ViAttr>(VI_ATTR_MANF_ID));
}

TEST(VisaBusParser, ResourceNames) {
    const auto vxi = simvisa::parse_resource_name("vxi3::77::instr");
    ASSERT_TRUE(vxi);
    EXPECT_EQ(vxi->intf_type, VI_INTF_VXI);
    EXPECT_EQ(vxi->intf_num, 3);
    EXPECT_EQ(vxi->logical_address, 77);
    const auto gpib = simvisa::parse_resource_name("GPIB1::12::3::INSTR");
    ASSERT_TRUE(gpib);
    EXPECT_EQ(gpib->intf_type, VI_INTF_GPIB);
    EXPECT_EQ(gpib->primary, 12);
    const auto gv = simvisa::parse_resource_name("GPIB-VXI0::16::INSTR");
    ASSERT_TRUE(gv);
    EXPECT_EQ(gv->intf_type, VI_INTF_GPIB_VXI);
    EXPECT_EQ(gv->logical_address, 16);
    const auto gv2 = simvisa::parse_resource_name("gpib-vxi1::3::17::instr");
    ASSERT_TRUE(gv2);
    EXPECT_EQ(gv2->intf_num, 1);
    EXPECT_EQ(gv2->primary, 3);
    EXPECT_EQ(gv2->logical_address, 17);
    // Numbers that do not fit their fields are refused, not wrapped onto another address.
    for (const char* bad : {"", "VXI0::1::INSTR::", "ASRL1::INSTR", "VXI0::1::",
                            "VXI0::32768::INSTR", "VXI65536::1::INSTR", "VXI0::-1::INSTR",
                            "VXI0:: 1::INSTR", "GPIB0::99999999999999999999::INSTR",
                            "GPIB0::1::2::3::INSTR", "GPIB-VXI0::INSTR", "VXI0::1::INSTRX"})
        EXPECT_FALSE(simvisa::parse_resource_name(bad)) << bad;
    EXPECT_FALSE(simvisa::parse_resource_name("VXI0::" + std::string(260, '1') + "::INSTR"));
}

}  // namespace
