// Register-based access to a VXI card: its configuration registers, word serial commands
// and a mapped window.
#include <string>

#include "support.hpp"

using namespace visatest;

namespace {

class VisaRegisters : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VISA_SIM_BUS");
        rm_ = open_rm();
        vi_ = open_instr(rm_, "VXI0::24::INSTR");
        ASSERT_EQ(viSetAttribute(vi_, VI_ATTR_TMO_VALUE, 200), VI_SUCCESS);
    }
    ViSession rm_ = 0, vi_ = 0;
};

TEST_F(VisaRegisters, ConfigurationRegistersOfAMessageBasedCard) {
    ViUInt16 id = 0, type = 0, status = 0;
    ASSERT_EQ(viIn16(vi_, VI_A16_SPACE, 0x00, &id), VI_SUCCESS);
    EXPECT_EQ(id & 0x0FFF, 3674);
    EXPECT_EQ(id >> 14, 2) << "message-based";
    EXPECT_EQ((id >> 12) & 3, 3) << "A16 only";
    ASSERT_EQ(viIn16(vi_, VI_A16_SPACE, 0x02, &type), VI_SUCCESS);
    EXPECT_EQ(type & 0x0FFF, 705);
    ASSERT_EQ(viIn16(vi_, VI_A16_SPACE, 0x04, &status), VI_SUCCESS);
    EXPECT_EQ(status & 0x000C, 0x000C) << "ready and passed";
    ViUInt8 low = 0;
    ASSERT_EQ(viIn8(vi_, VI_A16_SPACE, 0x01, &low), VI_SUCCESS);
    EXPECT_EQ(low, id & 0xFF);
    ViUInt32 both = 0;
    ASSERT_EQ(viIn32(vi_, VI_A16_SPACE, 0x00, &both), VI_SUCCESS);
    EXPECT_EQ(both, (ViUInt32{id} << 16) | type);
    ViUInt16 regs[2] = {};
    ASSERT_EQ(viMoveIn16(vi_, VI_A16_SPACE, 0x00, 2, regs), VI_SUCCESS);
    EXPECT_EQ(regs[0], id);
    EXPECT_EQ(regs[1], type);
    // A soft reset shows in the status register until it is released.
    ASSERT_EQ(viOut16(vi_, VI_A16_SPACE, 0x04, 0x0001), VI_SUCCESS);
    ASSERT_EQ(viIn16(vi_, VI_A16_SPACE, 0x04, &status), VI_SUCCESS);
    EXPECT_EQ(status & 0x000C, 0);
    ASSERT_EQ(viOut16(vi_, VI_A16_SPACE, 0x04, 0x0000), VI_SUCCESS);
    // Outside the card's space, misaligned, or in a space it does not have.
    EXPECT_EQ(viIn16(vi_, VI_A16_SPACE, 0x40, &id), VI_ERROR_INV_OFFSET);
    EXPECT_EQ(viIn16(vi_, VI_A16_SPACE, 0x03, &id), VI_ERROR_NSUP_ALIGN_OFFSET);
    EXPECT_EQ(viIn16(vi_, VI_A24_SPACE, 0x00, &id), VI_ERROR_INV_SPACE);
    EXPECT_EQ(viIn16(vi_, VI_A16_SPACE, 0x20, &id), VI_ERROR_BERR);
}

TEST_F(VisaRegisters, WordSerialCommandsReachTheInstrument) {
    // A query sent a byte at a time, its reply fetched the same way.
    for (const char c : std::string("*IDN?"))
        ASSERT_EQ(viVxiCommandQuery(vi_, VI_VXI_CMD16, 0xBC00u | static_cast<unsigned char>(c), nullptr), VI_SUCCESS);
    ASSERT_EQ(viVxiCommandQuery(vi_, VI_VXI_CMD16, 0xBD00u | '\n', nullptr), VI_SUCCESS);
    std::string reply;
    for (int i = 0; i < 100; ++i) {
        ViUInt32 r = 0;
        ASSERT_EQ(viVxiCommandQuery(vi_, VI_VXI_CMD16_RESP16, 0xDEFF, &r), VI_SUCCESS);
        reply += static_cast<char>(r & 0xFF);
        if (r & 0x0100) break;
    }
    EXPECT_EQ(reply.rfind(kQ7304Idn, 0), 0u) << reply;
    EXPECT_EQ(reply.back(), '\n');
    ViUInt32 stb = 0xFFFF;
    ASSERT_EQ(viVxiCommandQuery(vi_, VI_VXI_CMD16_RESP16, 0xCFFF, &stb), VI_SUCCESS);
    EXPECT_EQ(stb & 0x10, 0u);
    // An unknown command shows as a protocol error, once.
    ASSERT_EQ(viVxiCommandQuery(vi_, VI_VXI_CMD16, 0x1234, nullptr), VI_SUCCESS);
    ViUInt16 response = 0;
    ASSERT_EQ(viIn16(vi_, VI_A16_SPACE, 0x0A, &response), VI_SUCCESS);
    EXPECT_EQ(response & 0x0800, 0) << "ERR* asserted";
    ViUInt32 err = 0;
    ASSERT_EQ(viVxiCommandQuery(vi_, VI_VXI_CMD16_RESP16, 0xCDFF, &err), VI_SUCCESS);
    EXPECT_EQ(err, 0xFFFDu);
    EXPECT_EQ(viVxiCommandQuery(vi_, VI_VXI_CMD32, 0, nullptr), VI_ERROR_NSUP_WIDTH);
    EXPECT_EQ(viVxiCommandQuery(vi_, VI_VXI_RESP16, 0, &err), VI_ERROR_TMO);
}

TEST_F(VisaRegisters, MappedWindowThroughPeekAndPoke) {
    ViAddr window = nullptr;
    EXPECT_EQ(viUnmapAddress(vi_), VI_ERROR_WINDOW_NMAPPED);
    ASSERT_EQ(viMapAddress(vi_, VI_A16_SPACE, 0x00, 0x40, VI_FALSE, VI_NULL, &window), VI_SUCCESS);
    EXPECT_EQ(viMapAddress(vi_, VI_A16_SPACE, 0x00, 0x40, VI_FALSE, VI_NULL, &window), VI_ERROR_WINDOW_MAPPED);
    ViUInt16 access = 0;
    ASSERT_EQ(viGetAttribute(vi_, VI_ATTR_WIN_ACCESS, &access), VI_SUCCESS);
    EXPECT_EQ(access, VI_USE_OPERS);
    ViUInt16 id = 0, type = 0;
    viPeek16(vi_, window, &id);
    viPeek16(vi_, static_cast<char*>(window) + 2, &type);
    EXPECT_EQ(id & 0x0FFF, 3674);
    EXPECT_EQ(type & 0x0FFF, 705);
    viPoke16(vi_, static_cast<char*>(window) + 4, 0x0001);
    ViUInt16 status = 0;
    ASSERT_EQ(viIn16(vi_, VI_A16_SPACE, 0x04, &status), VI_SUCCESS);
    EXPECT_EQ(status & 0x000C, 0);
    ASSERT_EQ(viUnmapAddress(vi_), VI_SUCCESS);
    EXPECT_EQ(viMapAddress(vi_, VI_A16_SPACE, 0x30, 0x20, VI_FALSE, VI_NULL, &window), VI_ERROR_INV_SIZE);
}

}  // namespace
