#include "platform/threading/thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/threading/clock.h"
#include "platform/threading/critical_section.h"
#include "platform/threading/event.h"

namespace {

struct Shared {
    zplat::Event go{true, false};
    std::atomic<uint32_t> seen_id{0};
};

uint32_t WaitForGo(void* p) {
    auto* s = static_cast<Shared*>(p);
    s->seen_id = zplat::GetCurrentThreadId();
    s->go.Wait(zplat::INFINITE);
    return 7;
}

TEST(ThreadTest, RunsWaitsAndReportsExitCode) {
    Shared s;
    uint32_t id = 0;
    zplat::ThreadHandle h = zplat::CreateThread(64 * 1024, &WaitForGo, &s, &id);
    ASSERT_TRUE(h);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(zplat::GetThreadId(h), id);
    EXPECT_EQ(zplat::WaitForThread(h, 20), zplat::WAIT_TIMEOUT);
    uint32_t code = 0;
    EXPECT_TRUE(zplat::GetExitCodeThread(h, &code));
    EXPECT_EQ(code, zplat::STILL_ACTIVE);

    s.go.Set();
    EXPECT_EQ(zplat::WaitForThread(h, zplat::INFINITE), zplat::WAIT_OBJECT_0);
    EXPECT_TRUE(zplat::GetExitCodeThread(h, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(s.seen_id.load(), id);
    EXPECT_NE(zplat::GetCurrentThreadId(), id);
    EXPECT_FALSE(zplat::TerminateThread(h, 0));
}

TEST(ThreadTest, NullHandlesFail) {
    EXPECT_FALSE(zplat::CreateThread(0, nullptr, nullptr, nullptr));
    EXPECT_EQ(zplat::WaitForThread(nullptr, 0), zplat::WAIT_FAILED);
    EXPECT_FALSE(zplat::SetThreadPriority(nullptr, 0));
}

TEST(ThreadTest, LoweringPriorityIsRecorded) {
    Shared s;
    zplat::ThreadHandle h = zplat::CreateThread(0, &WaitForGo, &s, nullptr);
    ASSERT_TRUE(h);
    EXPECT_TRUE(zplat::SetThreadPriority(h, zplat::THREAD_PRIORITY_LOWEST));
    EXPECT_EQ(zplat::GetThreadPriority(h), zplat::THREAD_PRIORITY_LOWEST);
    s.go.Set();
    zplat::WaitForThread(h, zplat::INFINITE);
}

TEST(CriticalSectionTest, IsReentrantAndTryEnterFailsFromAnotherThread) {
    zplat::CriticalSection cs;
    cs.Enter();
    cs.Enter();
    std::atomic<bool> got{true};
    struct Ctx {
        zplat::CriticalSection* cs;
        std::atomic<bool>* got;
    } ctx{&cs, &got};
    auto h = zplat::CreateThread(
        0,
        [](void* p) -> uint32_t {
            auto* c = static_cast<Ctx*>(p);
            *c->got = c->cs->TryEnter();
            if (*c->got) {
                c->cs->Leave();
            }
            return 0;
        },
        &ctx, nullptr);
    zplat::WaitForThread(h, zplat::INFINITE);
    EXPECT_FALSE(got.load());
    cs.Leave();
    cs.Leave();
}

}  // namespace
