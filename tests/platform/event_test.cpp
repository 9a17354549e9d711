#include "platform/threading/event.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <thread>

#include "platform/threading/clock.h"

namespace {

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

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

TEST(EventTest, PollFdFollowsTheSignal) {
    zplat::Event ev(false, false);
    ASSERT_GE(ev.PollFd(), 0);
    EXPECT_FALSE(Readable(ev.PollFd()));
    ev.Set();
    EXPECT_TRUE(Readable(ev.PollFd()));
    ev.Wait(0);  // takes the signal
    EXPECT_FALSE(Readable(ev.PollFd()));
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
