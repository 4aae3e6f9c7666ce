// The LAN names a bus's devices are served under, as a gateway and an LXI instrument give them.
#include <gtest/gtest.h>

#include "services.hpp"

using namespace simserver;

namespace {

std::vector<simvisa::DeviceDesc> bus_of(const char* text) {
    auto parsed = simvisa::parse_bus_description(text, "bus.txt");
    EXPECT_EQ(parsed.error, "");
    return parsed.devices;
}

}  // namespace

TEST(ServedDevices, NamesInBusOrderWithGatewayNamesAndOverrides) {
    std::string error;
    const auto devices =
        served_devices(bus_of("[VXI0::24::INSTR]\nq7304 = yes\n"
                              "[GPIB0::9::3::INSTR]\nidn = X\nlan.socket_port = 5025\n"
                              "[GPIB-VXI1::5::32::INSTR]\nq7304 = yes\nlan.device = Meter\n"
                              "[GPIB0::9::INSTR]\nidn = Y\n"),
                       error);
    ASSERT_TRUE(devices) << error;
    ServerContext context;
    context.devices = *devices;
    ASSERT_EQ(devices->size(), 4u);
    EXPECT_EQ((*devices)[0].names, std::vector<std::string>{"inst0"});
    EXPECT_EQ((*devices)[1].names, (std::vector<std::string>{"inst1", "gpib0,9,3"}));
    EXPECT_EQ((*devices)[1].socket_port, 5025);
    EXPECT_EQ((*devices)[2].names, (std::vector<std::string>{"meter", "gpib1,5,4"}));
    EXPECT_EQ((*devices)[3].names, (std::vector<std::string>{"inst3", "gpib0,9"}));
    EXPECT_EQ((*devices)[0].resource, "VXI0::24::INSTR");
    // Looked up as clients write them.
    EXPECT_EQ(find_served_device(context, "INST1"), &context.devices[1]);
    EXPECT_EQ(find_served_device(context, "hpib0,9,3"), &context.devices[1]);
    EXPECT_EQ(find_served_device(context, "METER"), &context.devices[2]);
    EXPECT_EQ(find_served_device(context, "inst2"), nullptr);
    EXPECT_EQ(find_served_device(context, "gpib0,8"), nullptr);
}

TEST(ServedDevices, TwoDevicesOfOneNameOrPortAreRefused) {
    std::string error;
    EXPECT_FALSE(
        served_devices(bus_of("[VXI0::1::INSTR]\nlan.device = inst1\n[VXI0::2::INSTR]\n"), error));
    EXPECT_NE(error.find("inst1"), std::string::npos) << error;
    EXPECT_FALSE(served_devices(bus_of("[VXI0::1::INSTR]\nlan.socket_port = 5025\n"
                                       "[VXI0::2::INSTR]\nlan.socket_port = 5025\n"),
                                error));
    EXPECT_NE(error.find("5025"), std::string::npos) << error;
    for (const char* bad :
         {"lan.device = a b", "lan.device =", "lan.socket_port = 0", "lan.socket_port = 65536"}) {
        const auto parsed =
            simvisa::parse_bus_description(std::string("[VXI0::1::INSTR]\n") + bad, "bus.txt");
        EXPECT_NE(parsed.error, "") << bad;
    }
}
