// Locks: exclusive and shared, nested, waited for, and honoured by the I/O calls of others.
#include <future>
#include <string>

#include "support.hpp"

using namespace visatest;

namespace {

ViAccessMode lock_state(ViSession vi) {
    ViAccessMode m = 99;
    EXPECT_EQ(viGetAttribute(vi, VI_ATTR_RSRC_LOCK_STATE, &m), VI_SUCCESS);
    return m;
}

class VisaLocks : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VISA_SIM_BUS");
        rm_ = open_rm();
        a_ = open_instr(rm_, "VXI0::24::INSTR");
        b_ = open_instr(rm_, "VXI0::24::INSTR");
    }
    ViSession rm_ = 0, a_ = 0, b_ = 0;
};

TEST(VisaLockOpen, ExclusiveOpenTwiceIsRefusedAfterTheTimeout) {
    ::unsetenv("VISA_SIM_BUS");
    const ViSession rm = open_rm();
    ViSession first = 0, second = 0;
    ASSERT_EQ(viOpen(rm, "VXI0::24::INSTR", VI_EXCLUSIVE_LOCK, 0, &first), VI_SUCCESS);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(viOpen(rm, "VXI0::24::INSTR", VI_EXCLUSIVE_LOCK, 100, &second), VI_ERROR_RSRC_LOCKED);
    EXPECT_GE(elapsed_ms(t0), 90);
    EXPECT_EQ(second, static_cast<ViSession>(VI_NULL));
    EXPECT_EQ(viOpen(rm, "VXI0::24::INSTR", VI_SHARED_LOCK, 0, &second), VI_ERROR_INV_ACC_MODE);
    // Closing the holder frees the resource for a waiting open.
    auto waiting = std::async(std::launch::async, [rm, &second] {
        return viOpen(rm, "VXI0::24::INSTR", VI_EXCLUSIVE_LOCK, 2000, &second);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(viClose(first), VI_SUCCESS);
    EXPECT_EQ(waiting.get(), VI_SUCCESS);
    EXPECT_EQ(query(second, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
}

TEST_F(VisaLocks, ExclusiveLockKeepsOthersOutOfEveryIoCall) {
    EXPECT_EQ(lock_state(a_), static_cast<ViAccessMode>(VI_NO_LOCK));
    ASSERT_EQ(viLock(a_, VI_EXCLUSIVE_LOCK, 0, VI_NULL, VI_NULL), VI_SUCCESS);
    EXPECT_EQ(lock_state(b_), static_cast<ViAccessMode>(VI_EXCLUSIVE_LOCK));
    EXPECT_EQ(write_text(b_, "*RST\n"), VI_ERROR_RSRC_LOCKED);
    unsigned char buf[8];
    EXPECT_EQ(viRead(b_, buf, sizeof buf, nullptr), VI_ERROR_RSRC_LOCKED);
    ViUInt16 stb = 0;
    EXPECT_EQ(viReadSTB(b_, &stb), VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viClear(b_), VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viPrintf(b_, "*RST\n"), VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viAssertTrigger(b_, VI_TRIG_PROT_DEFAULT), VI_ERROR_RSRC_LOCKED);
    ViUInt16 id = 0;
    EXPECT_EQ(viIn16(b_, VI_A16_SPACE, 0, &id), VI_ERROR_RSRC_LOCKED);
    // Attributes stay readable and local ones settable.
    EXPECT_EQ(viSetAttribute(b_, VI_ATTR_TMO_VALUE, 100), VI_SUCCESS);
    EXPECT_EQ(viLock(b_, VI_EXCLUSIVE_LOCK, 50, VI_NULL, VI_NULL), VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(query(a_, "*IDN?\n").rfind(kQ7304Idn, 0), 0u);
    // Nested locks come off one at a time.
    EXPECT_EQ(viLock(a_, VI_EXCLUSIVE_LOCK, 0, VI_NULL, VI_NULL), VI_SUCCESS_NESTED_EXCLUSIVE);
    EXPECT_EQ(viUnlock(a_), VI_SUCCESS_NESTED_EXCLUSIVE);
    EXPECT_EQ(write_text(b_, "*RST\n"), VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viUnlock(a_), VI_SUCCESS);
    EXPECT_EQ(viUnlock(a_), VI_ERROR_SESN_NLOCKED);
    EXPECT_EQ(write_text(b_, "*CLS\n"), VI_SUCCESS);
    EXPECT_EQ(viLock(a_, 7, 0, VI_NULL, VI_NULL), VI_ERROR_INV_LOCK_TYPE);
}

TEST_F(VisaLocks, SharedLockLetsInTheSessionsWithTheKey) {
    const ViSession c = open_instr(rm_, "VXI0::24::INSTR");
    ViChar key[VI_FIND_BUFLEN] = {};
    ASSERT_EQ(viLock(a_, VI_SHARED_LOCK, 0, VI_NULL, key), VI_SUCCESS);
    ASSERT_STRNE(key, "");
    ViChar same[VI_FIND_BUFLEN] = {};
    ASSERT_EQ(viLock(b_, VI_SHARED_LOCK, 0, key, same), VI_SUCCESS);
    EXPECT_STREQ(same, key);
    EXPECT_EQ(lock_state(c), static_cast<ViAccessMode>(VI_SHARED_LOCK));
    EXPECT_EQ(write_text(a_, "*CLS\n"), VI_SUCCESS);
    EXPECT_EQ(write_text(b_, "*CLS\n"), VI_SUCCESS);
    EXPECT_EQ(write_text(c, "*CLS\n"), VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viLock(c, VI_SHARED_LOCK, 50, "another key", same), VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(viLock(b_, VI_EXCLUSIVE_LOCK, 50, VI_NULL, VI_NULL), VI_ERROR_RSRC_LOCKED);
    // The lock goes when its last holder lets go, a close included.
    EXPECT_EQ(viUnlock(a_), VI_SUCCESS);
    EXPECT_EQ(write_text(a_, "*CLS\n"), VI_ERROR_RSRC_LOCKED);
    ASSERT_EQ(viClose(b_), VI_SUCCESS);
    EXPECT_EQ(lock_state(c), static_cast<ViAccessMode>(VI_NO_LOCK));
    EXPECT_EQ(write_text(c, "*CLS\n"), VI_SUCCESS);
}

}  // namespace
