#include "platform/threading/event.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/threading/clock.h"

namespace {

TEST(EventTest, ManualResetStaysSignalledUntilReset) {
    zplat::Event ev(true, false);
    EXPECT_EQ(ev.Wait(0), zplat::WAIT_TIMEOUT);
    ev.Set();
    EXPECT_EQ(ev.Wait(0), zplat::WAIT_OBJECT_0);
    EXPECT_EQ(ev.Wait(0), zplat::WAIT_OBJECT_0);
    ev.Reset();
    EXPECT_EQ(ev.Wait(0), zplat::WAIT_TIMEOUT);
}

TEST(EventTest, AutoResetReleasesOneWaitAndClears) {
    zplat::Event ev(false, true);
    EXPECT_EQ(ev.Wait(0), zplat::WAIT_OBJECT_0);
    EXPECT_EQ(ev.Wait(0), zplat::WAIT_TIMEOUT);
}

TEST(EventTest, WaitTimesOutAndWakesFromAnotherThread) {
    zplat::Event ev(true, false);
    uint32_t start = zplat::GetTickCount();
    EXPECT_EQ(ev.Wait(30), zplat::WAIT_TIMEOUT);
    EXPECT_GE(zplat::GetTickCount() - start, 25u);

    std::thread setter([&] {
        zplat::Sleep(10);
        ev.Set();
    });
    EXPECT_EQ(ev.Wait(zplat::INFINITE), zplat::WAIT_OBJECT_0);
    setter.join();
}

}  // namespace
