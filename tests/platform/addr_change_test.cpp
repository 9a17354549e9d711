#include "platform/network/addr_change.h"

#include <gtest/gtest.h>

namespace {

using namespace zplat;

TEST(AddrChangeTest, FakeSignalsOnceAndCanBeArmedAgain) {
    auto fake = std::make_shared<FakeAddrChange>();
    SetAddrChangeBackend(fake);
    Event changed(true, false);
    Overlapped ov;
    ov.event = &changed;

    ASSERT_EQ(NotifyAddrChange(&ov), ERROR_IO_PENDING);
    EXPECT_EQ(changed.Wait(0), WAIT_TIMEOUT);  // tested without waiting
    EXPECT_EQ(fake->Fire(), 1);
    EXPECT_EQ(changed.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(fake->Fire(), 0);  // one shot: nothing armed any more

    changed.Reset();
    ASSERT_EQ(NotifyAddrChange(&ov), ERROR_IO_PENDING);
    EXPECT_EQ(fake->ArmedCount(), 1);
    EXPECT_TRUE(CancelIPChangeNotify(&ov));
    EXPECT_EQ(fake->ArmedCount(), 0);
    EXPECT_EQ(fake->Fire(), 0);
    EXPECT_EQ(changed.Wait(0), WAIT_TIMEOUT);
    EXPECT_FALSE(CancelIPChangeNotify(&ov));
    SetAddrChangeBackend(nullptr);
}

TEST(AddrChangeTest, ReArmingReplacesThePendingWatch) {
    auto fake = std::make_shared<FakeAddrChange>();
    SetAddrChangeBackend(fake);
    Event changed(true, false);
    Overlapped ov;
    ov.event = &changed;
    ASSERT_EQ(NotifyAddrChange(&ov), ERROR_IO_PENDING);
    ASSERT_EQ(NotifyAddrChange(&ov), ERROR_IO_PENDING);
    EXPECT_EQ(fake->ArmedCount(), 1);
    EXPECT_EQ(fake->armCalls, 2);
    CancelIPChangeNotify(&ov);
    SetAddrChangeBackend(nullptr);
}

TEST(AddrChangeTest, NeedsAnEvent) {
    Overlapped ov;
    EXPECT_EQ(NotifyAddrChange(&ov), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(NotifyAddrChange(nullptr), ERROR_INVALID_PARAMETER);
}

TEST(AddrChangeTest, SystemWatchArmsAndCancelsWithoutAChange) {
    // The change itself is tested in a private namespace (tests/netns); here only that arming
    // and cancelling work and return at once.
    SetAddrChangeBackend(nullptr);
    Event changed(true, false);
    Overlapped ov;
    ov.event = &changed;
    ASSERT_EQ(NotifyAddrChange(&ov), ERROR_IO_PENDING);
    ASSERT_EQ(NotifyAddrChange(&ov), ERROR_IO_PENDING);
    EXPECT_TRUE(CancelIPChangeNotify(&ov));
}

}  // namespace
