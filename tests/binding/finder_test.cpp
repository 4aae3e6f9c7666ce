// The instrument finder through its C interface, over described buses.
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

#include "scenario.hpp"

namespace {

struct Found {
    ViStatus status = 0;
    std::vector<std::string> names;
};

// Binds VISA over `bus` and runs the finder as the main sequence does.
Found find_on(const std::string& bus, void (*after_binding)() = nullptr) {
    gutest::use_bus(bus);
    gutest::start_runtime();
    gu::livemode = 1;
    gu::bind_visa();
    EXPECT_EQ(gu::livemode, 1);
    if (after_binding) after_binding();
    ViInt16 count = -1;
    Found found;
    found.status = gu::voex_findRsrc(gu::RSRC_LIST_SIZE, gu::rsrc_list, "?*INSTR", &count);
    for (int i = 0; i < count; ++i) found.names.emplace_back(gu::rsrc_list[i]);
    return found;
}

std::string vxi(const std::string& name, int manufacturer, int model, int la,
                const std::string& extra = "") {
    return "[" + name + "]\ninterface = vxi\nmanufacturer = " + std::to_string(manufacturer) +
           "\nmodel = " + std::to_string(model) + "\nlogical_address = " + std::to_string(la) +
           "\n" + extra;
}
std::string q7304(const std::string& name, int la, const std::string& extra = "") {
    return vxi(name, 3674, 705, la, "q7304 = yes\n" + extra);
}
std::string gpib(const std::string& name, const std::string& idn) {
    return "[" + name + "]\ninterface = gpib\nq7304 = no\nidn = " + idn + "\n";
}

using Names = std::vector<std::string>;

TEST(Finder, OneVxiInstrumentAndEverySessionClosed) {
    const auto trace = gutest::use_trace();
    const Found found = find_on(q7304("VXI0::24::INSTR", 24));
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.names, Names{"VXI0::24::INSTR"});
    const auto opens = apptest::trace_calls(trace, "viOpen").size() +
                       apptest::trace_calls(trace, "viOpenDefaultRM").size();
    EXPECT_EQ(apptest::trace_calls(trace, "viClose").size(), opens);
}

TEST(Finder, RecognisesByIdentificationOnGpibAndByCodesOnVxi) {
    const auto trace = gutest::use_trace();
    const Found found =
        find_on(gpib("GPIB0::5::INSTR", "VANTREL-OSSMARK,Q7304A,0,1.0") +
                gpib("GPIB0::6::INSTR", "VANTREL-OSSMARK,Q730X,0,1.0") +  // differs in the 21st
                gpib("GPIB0::7::INSTR", "VANTREL") +                      // shorter than the prefix
                vxi("VXI0::8::INSTR", 4095, 705, 8) + vxi("VXI0::9::INSTR", 3674, 706, 9) +
                "[GPIB-VXI0::24::INSTR]\ninterface = gpib-vxi\nmanufacturer = 3674\nmodel = 705\n"
                "logical_address = 24\n");
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.names, (Names{"GPIB0::5::INSTR", "GPIB-VXI0::24::INSTR"}));
    // Only the plain GPIB devices are asked for their identification.
    EXPECT_EQ(gutest::written_commands(trace), (Names{"*IDN?", "*IDN?", "*IDN?"}));
}

TEST(Finder, FourteenMatchesFillThirteenEntriesInBusOrder) {
    std::string bus;
    Names expected;
    for (int la = 1; la <= 14; ++la) {
        const std::string name = "VXI0::" + std::to_string(la) + "::INSTR";
        bus += q7304(name, la);
        if (la <= 13) expected.push_back(name);
    }
    const Found found = find_on(bus);
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.names, expected);
}

TEST(Finder, EmptyBusIsASearchFailure) {
    const Found found = find_on("# nothing in the chassis\n");
    EXPECT_EQ(found.status, -2);
    EXPECT_TRUE(found.names.empty());
}

TEST(Finder, DevicesThatCannotBeOpenedOrTypedAreSkipped) {
    const Found found = find_on(q7304("VXI0::1::INSTR", 1, "fault.open = fail\n") +
                                q7304("VXI0::2::INSTR", 2, "fault.attr = 0x3FFF0171\n") +
                                q7304("VXI0::3::INSTR", 3));
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.names, Names{"VXI0::3::INSTR"});
}

TEST(Finder, FailedManufacturerReadEndsTheSearch) {
    const auto trace = gutest::use_trace();
    Found found = find_on(q7304("VXI0::1::INSTR", 1) +
                          q7304("VXI0::2::INSTR", 2, "fault.attr = 0x3FFF00D9\n") +
                          q7304("VXI0::3::INSTR", 3));
    EXPECT_EQ(found.status, -3);  // resources remain unexamined
    EXPECT_EQ(found.names, Names{"VXI0::1::INSTR"});
    const auto opens = apptest::trace_calls(trace, "viOpen").size() +
                       apptest::trace_calls(trace, "viOpenDefaultRM").size();
    EXPECT_EQ(apptest::trace_calls(trace, "viClose").size(), opens);
}

TEST(Finder, FailedModelReadOnTheLastDeviceKeepsTheMatches) {
    const Found found = find_on(q7304("VXI0::1::INSTR", 1) +
                                q7304("VXI0::2::INSTR", 2, "fault.attr = 0x3FFF00DF\n"));
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.names, Names{"VXI0::1::INSTR"});
}

// A VISA library that spells GPIB names at length, the primary address with leading zeros
// (the same resource; ours gives the short form).
decltype(&::viFindRsrc) real_find = nullptr;
decltype(&::viFindNext) real_next = nullptr;
void lengthen(ViChar* name) {
    const std::string s(name);
    if (s.rfind("GPIB0::", 0) == 0)
        std::snprintf(name, VI_FIND_BUFLEN, "GPIB0::%s%s", std::string(70, '0').c_str(),
                      s.c_str() + 7);
}
ViStatus long_find(ViSession rm, ViConstString expr, ViPFindList list, ViPUInt32 count,
                   ViChar desc[]) {
    const ViStatus st = real_find(rm, expr, list, count, desc);
    if (st >= 0) lengthen(desc);
    return st;
}
ViStatus long_next(ViFindList list, ViChar desc[]) {
    const ViStatus st = real_next(list, desc);
    if (st >= 0) lengthen(desc);
    return st;
}

TEST(Finder, NameTooLongForAnEntryIsSkippedNotCut) {
    const Found found = find_on(
        gpib("GPIB0::5::INSTR", "VANTREL-OSSMARK,Q7304A,0,1.0") + q7304("VXI0::24::INSTR", 24), [] {
            real_find = std::exchange(gu::FindRsrc, &long_find);
            real_next = std::exchange(gu::FindNext, &long_next);
        });
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.names, Names{"VXI0::24::INSTR"});
}

TEST(Finder, UnboundVisaIsNeverCalled) {
    gu::OpenDefaultRM = nullptr;  // as before binding
    ViInt16 count = 5;
    EXPECT_EQ(gu::voex_findRsrc(gu::RSRC_LIST_SIZE, gu::rsrc_list, "?*INSTR", &count), -1);
    EXPECT_EQ(count, 0);
}

TEST(DescribeRsrc, LabelsInterfaceAndAddresses) {
    EXPECT_STREQ(gu::describe_rsrc("VXI0::24::INSTR"), "Interface: VXI0  Log Addr 24");
    EXPECT_STREQ(gu::describe_rsrc("GPIB-VXI0::24::INSTR"), "Interface: GPIB-VXI0  Log Addr 24");
    EXPECT_STREQ(gu::describe_rsrc("GPIB-VXI0::9::24::INSTR"),
                 "Interface: GPIB-VXI0  Prim Addr 9  Log Addr 24");
    EXPECT_STREQ(gu::describe_rsrc("VXI0"), "Interface: VXI0");
    // One buffer, overwritten by every call.
    EXPECT_EQ(gu::describe_rsrc("VXI0::1::INSTR"), gu::describe_rsrc("VXI0::2::INSTR"));
}

}  // namespace
