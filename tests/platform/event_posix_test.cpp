// The POSIX face of the event: a descriptor that poll() sees readable while the event is set.

#include <gtest/gtest.h>
#include <poll.h>

#include "platform/threading/event.h"

namespace {

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
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

}  // namespace
