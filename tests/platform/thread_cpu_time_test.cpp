#include "platform/threading/thread_cpu_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// Work counts, waiting does not: the figure the finder's stall meter relies on to tell the two
// apart.
TEST(ThreadCpuTimeTest, GrowsWithWorkNotWithSleep) {
    const uint64_t start = zplat::ThreadCpuTimeNs();
    ASSERT_GT(start, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const uint64_t slept = zplat::ThreadCpuTimeNs() - start;
    EXPECT_LT(slept, 20'000'000u);

    // Spin until the thread itself has used 20 ms (bounded, in case the clock does not move).
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    const uint64_t before = zplat::ThreadCpuTimeNs();
    volatile uint64_t sink = 0;
    while (zplat::ThreadCpuTimeNs() - before < 20'000'000u &&
           std::chrono::steady_clock::now() < giveUp) {
        sink = sink + 1;
    }
    EXPECT_GE(zplat::ThreadCpuTimeNs() - before, 20'000'000u);

    // Another thread's work is not this one's. Starting and joining a thread costs this one
    // some CPU of its own (about 10 ms under the thread sanitizer), so the other thread works
    // long enough for its time to stand well clear of that.
    const uint64_t mine = zplat::ThreadCpuTimeNs();
    const uint64_t process = zplat::ProcessCpuTimeNs();
    uint64_t theirs = 0;
    std::thread other([&theirs] {
        const uint64_t t0 = zplat::ThreadCpuTimeNs();
        volatile uint64_t s = 0;
        while (zplat::ThreadCpuTimeNs() - t0 < 200'000'000u) {
            s = s + 1;
        }
        theirs = zplat::ThreadCpuTimeNs() - t0;
    });
    other.join();
    EXPECT_GE(theirs, 200'000'000u);
    EXPECT_LT(zplat::ThreadCpuTimeNs() - mine, theirs / 4);
    // The process's time holds every thread's.
    EXPECT_GE(zplat::ProcessCpuTimeNs() - process, theirs);
}

}  // namespace
