#include "foundation/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "foundation/thread_handler.h"
#include "platform/threading/clock.h"
#include "platform/threading/event.h"
#include "platform/threading/thread.h"

namespace {

using zplat::INFINITE;

// A thread whose body is a function, so each test states its own.
class BodyThread : public ZThread {
public:
    explicit BodyThread(std::function<void(ZThread*)> body, bool useNotifyWindow = false)
        : ZThread(useNotifyWindow, nullptr), body_(std::move(body)) {}

    int Run() override {
        ++runs;
        entered.Set();
        body_(this);
        return 0;
    }

    std::atomic<int> runs{0};
    // Set once the body began: a stop asked for before that skips the body altogether.
    zplat::Event entered{true, false};

private:
    std::function<void(ZThread*)> body_;
};

class CountingHandler : public IThreadHandler {
public:
    int ThreadRun(ZThread* thread) override {
        ++calls;
        seen = thread;
        return 5;
    }
    std::atomic<int> calls{0};
    std::atomic<ZThread*> seen{nullptr};
};

// Ends a thread the way owners do: wake its body, ask it to stop, wait for it.
void StopAndWait(ZThread& thread, zplat::Event* wake = nullptr) {
    if (wake != nullptr) {
        wake->Set();
    }
    thread.Stop(false);
    thread.Wait(INFINITE);
}

TEST(ZThreadTest, StartTwiceStartsOneThread) {
    zplat::Event release(true, false);
    BodyThread thread([&](ZThread*) { release.Wait(INFINITE); });
    EXPECT_TRUE(thread.IsStopRequested());  // until the first Start
    ASSERT_TRUE(thread.Start(true, INFINITE));
    const uint32_t id = thread.GetThreadId();
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(thread.Resume());
    EXPECT_TRUE(thread.Start(true, INFINITE));
    EXPECT_EQ(thread.GetThreadId(), id);
    thread.entered.Wait(INFINITE);
    StopAndWait(thread, &release);
    EXPECT_EQ(thread.runs, 1);
}

TEST(ZThreadTest, StartReturnsOnceTheThreadSignalledBeforeTheBodyRan) {
    zplat::Event gate(true, false);
    std::atomic<bool> body_passed_gate{false};
    BodyThread thread([&](ZThread*) {
        gate.Wait(INFINITE);
        body_passed_gate = true;
    });
    ASSERT_TRUE(thread.Start(true, INFINITE));
    // The thread marks itself running before it signals.
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_FALSE(thread.IsStopRequested());
    EXPECT_FALSE(body_passed_gate);
    thread.entered.Wait(INFINITE);
    StopAndWait(thread, &gate);
    EXPECT_TRUE(body_passed_gate);
}

TEST(ZThreadTest, BodyThatReturnsAtOnceLeavesTheObjectStopped) {
    BodyThread thread([](ZThread*) {});
    ASSERT_TRUE(thread.Start(true, INFINITE));
    thread.Wait(INFINITE);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_TRUE(thread.IsStopRequested());
    EXPECT_EQ(thread.GetThreadId(), 0u);
    // No thread any more.
    EXPECT_FALSE(thread.Resume());
    EXPECT_FALSE(thread.Stop(false));
}

TEST(ZThreadTest, HandlerRunsInsteadOfRun) {
    CountingHandler handler;
    class RunAndHandler : public ZThread {
    public:
        explicit RunAndHandler(IThreadHandler* handler) : ZThread(false, handler) {}
        int Run() override {
            ++runs;
            return 0;
        }
        std::atomic<int> runs{0};
    };

    RunAndHandler byHandler(&handler);
    ASSERT_TRUE(byHandler.Start(true, INFINITE));
    byHandler.Wait(INFINITE);
    EXPECT_EQ(handler.calls, 1);
    EXPECT_EQ(handler.seen.load(), &byHandler);
    EXPECT_EQ(byHandler.runs, 0);

    RunAndHandler byOverride(nullptr);
    ASSERT_TRUE(byOverride.Start(true, INFINITE));
    byOverride.Wait(INFINITE);
    EXPECT_EQ(byOverride.runs, 1);
    EXPECT_EQ(handler.calls, 1);

    // The base body does nothing and ends the thread.
    ZThread plain(false, nullptr);
    ASSERT_TRUE(plain.Start(true, INFINITE));
    plain.Wait(INFINITE);
    EXPECT_FALSE(plain.IsRunning());
}

TEST(ZThreadTest, StopWakesAWaitingBody) {
    zplat::Event wake(true, false);
    zplat::Event waiting(true, false);
    BodyThread thread([&](ZThread* self) {
        while (!self->IsStopRequested()) {
            waiting.Set();
            wake.Wait(INFINITE);
        }
    });
    ASSERT_TRUE(thread.Start(true, INFINITE));
    ASSERT_EQ(waiting.Wait(5000), zplat::WAIT_OBJECT_0);
    EXPECT_TRUE(thread.IsRunning());
    // The owner's sequence: wake the body, ask it to stop, wait for the end.
    wake.Set();
    EXPECT_TRUE(thread.Stop(false));
    EXPECT_TRUE(thread.IsStopRequested());
    thread.Wait(INFINITE);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(ZThreadTest, WaitTimesOutOnABusyThread) {
    zplat::Event release(true, false);
    BodyThread thread([&](ZThread*) { release.Wait(INFINITE); });
    ASSERT_TRUE(thread.Start(true, INFINITE));
    thread.Wait(10);
    EXPECT_TRUE(thread.IsRunning());
    StopAndWait(thread, &release);
}

TEST(ZThreadTest, StartsAgainAfterTheThreadEnded) {
    std::atomic<uint32_t> ids[2] = {0, 0};
    std::atomic<int> round{0};
    BodyThread recorder([&](ZThread* self) { ids[round] = self->GetThreadId(); });
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        round = i;
        ASSERT_TRUE(recorder.Start(true, INFINITE));
        recorder.Wait(INFINITE);
        EXPECT_FALSE(recorder.IsRunning());
        EXPECT_TRUE(recorder.IsStopRequested());
    }
    EXPECT_EQ(recorder.runs, 2);
    EXPECT_NE(ids[0], 0u);
    EXPECT_NE(ids[1], 0u);
    EXPECT_NE(ids[0], ids[1]);
}

TEST(ZThreadTest, WaitOnItselfReturnsAtOnce) {
    std::atomic<bool> returned{false};
    BodyThread thread([&](ZThread* self) {
        self->Wait(INFINITE);
        returned = true;
    });
    ASSERT_TRUE(thread.Start(true, INFINITE));
    thread.Wait(INFINITE);
    EXPECT_TRUE(returned);
}

TEST(ZThreadTest, PriorityLevelsMapThroughTheTable) {
    const struct {
        int level;
        int priority;
    } cases[] = {
        {-1, zplat::THREAD_PRIORITY_NORMAL}, {0, zplat::THREAD_PRIORITY_IDLE},
        {1, zplat::THREAD_PRIORITY_LOWEST},  {2, zplat::THREAD_PRIORITY_BELOW_NORMAL},
        {3, zplat::THREAD_PRIORITY_NORMAL},  {4, zplat::THREAD_PRIORITY_ABOVE_NORMAL},
        {5, zplat::THREAD_PRIORITY_HIGHEST}, {6, zplat::THREAD_PRIORITY_TIME_CRITICAL},
        {7, zplat::THREAD_PRIORITY_NORMAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        EXPECT_EQ(ZThread::PriorityOfLevel(c.level), c.priority);
    }
    ZThread thread(false, nullptr);
    EXPECT_EQ(thread.GetPriorityLevel(), 3);
    EXPECT_EQ(thread.GetStackSize(), 0u);
    // A lowered level and a small stack still start and run.
    thread.SetPriorityLevel(1);
    thread.SetStackSize(64 * 1024);
    ASSERT_TRUE(thread.Start(true, INFINITE));
    thread.Wait(INFINITE);
}

TEST(ZThreadTest, WaitStaysSafeWhileTheThreadReleasesItsHandle) {
    // The object is freed as soon as Wait returns: a Wait that came back before the thread was
    // done with it, or a waiter holding the handle the thread drops, shows up under the
    // sanitizers. Stop right after Start may land before the body, which is then skipped.
    for (int i = 0; i < 200; ++i) {
        SCOPED_TRACE(i);
        auto thread = std::make_unique<BodyThread>([](ZThread*) {}, i % 2 == 0);
        ASSERT_TRUE(thread->Start(false, 0));
        if (i % 3 == 0) {
            thread->Stop(false);
        } else if (i % 3 == 1) {
            // Wait only once the thread has dropped its handle, still inside its clean-up.
            while (thread->Resume()) {
            }
        }
        std::thread second_waiter;
        if (i % 4 == 0) {
            second_waiter = std::thread([&] { thread->Wait(INFINITE); });
        }
        thread->Wait(INFINITE);
        if (second_waiter.joinable()) {
            second_waiter.join();
        }
        if (i % 3 != 1) {
            // Reading the flags orders us after the thread's last write, which would hide a
            // Wait that returned early from the sanitizer: not done in the handle-dropped case.
            EXPECT_FALSE(thread->IsRunning());
            EXPECT_TRUE(thread->IsStopRequested());
        }
    }
    EXPECT_EQ(ZThread::NotifyRegistrationCount(), 0);
    EXPECT_EQ(ZThread::NotifyQueueOwner(), 0u);
}

// Each test leaves no thread counted and no queue behind.
class ZThreadNotifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ZThread::NotifyRegistrationCount(), 0);
        ASSERT_EQ(ZThread::NotifyQueueOwner(), 0u);
    }
    void TearDown() override {
        EXPECT_EQ(ZThread::NotifyRegistrationCount(), 0);
        EXPECT_EQ(ZThread::NotifyQueueOwner(), 0u);
    }

    // A notify-window thread whose body waits for release.
    std::unique_ptr<BodyThread> Holding(zplat::Event& release) {
        return std::make_unique<BodyThread>([&release](ZThread*) { release.Wait(INFINITE); }, true);
    }

    const uint32_t me_ = zplat::GetCurrentThreadId();
};

TEST_F(ZThreadNotifyTest, QueueLivesFromTheFirstStartUntilItsOwnerHandlesTheLastEnd) {
    zplat::Event release_a(true, false);
    zplat::Event release_b(true, false);
    auto a = Holding(release_a);
    auto b = Holding(release_b);

    ASSERT_TRUE(a->Start(true, INFINITE));
    EXPECT_EQ(ZThread::NotifyRegistrationCount(), 1);
    EXPECT_EQ(ZThread::NotifyQueueOwner(), me_);
    ASSERT_TRUE(b->Start(true, INFINITE));
    EXPECT_TRUE(a->Start(true, INFINITE));  // already running: not counted twice
    EXPECT_EQ(ZThread::NotifyRegistrationCount(), 2);

    StopAndWait(*a, &release_a);
    EXPECT_EQ(ZThread::NotifyRegistrationCount(), 1);
    EXPECT_EQ(ZThread::PumpNotifyQueue(), 0);  // nothing was asked
    EXPECT_EQ(ZThread::NotifyQueueOwner(), me_);

    StopAndWait(*b, &release_b);
    EXPECT_EQ(ZThread::NotifyRegistrationCount(), 0);
    // The destroy request waits for the owner: another thread cannot handle it.
    EXPECT_EQ(ZThread::NotifyQueueOwner(), me_);
    std::thread other([] { EXPECT_EQ(ZThread::PumpNotifyQueue(), 0); });
    other.join();
    EXPECT_EQ(ZThread::NotifyQueueOwner(), me_);

    // The destructor, on the owner, pumps the request and the queue goes.
    a.reset();
    EXPECT_EQ(ZThread::NotifyQueueOwner(), 0u);
    b.reset();
}

TEST_F(ZThreadNotifyTest, ARegistrationBeforeTheRequestIsHandledKeepsAQueue) {
    zplat::Event release_a(true, false);
    zplat::Event release_b(true, false);
    auto a = Holding(release_a);
    auto b = Holding(release_b);
    ASSERT_TRUE(a->Start(true, INFINITE));
    StopAndWait(*a, &release_a);  // destroy request posted, not yet handled
    ASSERT_TRUE(b->Start(true, INFINITE));
    EXPECT_EQ(ZThread::PumpNotifyQueue(), 0);
    EXPECT_EQ(ZThread::NotifyRegistrationCount(), 1);
    EXPECT_EQ(ZThread::NotifyQueueOwner(), me_);
    a.reset();  // nothing pending for the live queue
    EXPECT_EQ(ZThread::NotifyQueueOwner(), me_);

    StopAndWait(*b, &release_b);
    // The owner's event loop handles the request as well as a destructor would.
    EXPECT_EQ(ZThread::PumpNotifyQueue(), 1);
    EXPECT_EQ(ZThread::NotifyQueueOwner(), 0u);
}

TEST_F(ZThreadNotifyTest, OnlyNotifyThreadsCountAndTheFirstStarterOwnsTheQueue) {
    ZThread quiet(false, nullptr);
    zplat::Event release(true, false);
    auto counted = Holding(release);
    ASSERT_TRUE(quiet.Start(true, INFINITE));
    EXPECT_EQ(ZThread::NotifyRegistrationCount(), 0);
    quiet.Wait(INFINITE);

    // Started from a worker: the worker owns the queue and has to let it go itself.
    std::atomic<uint32_t> worker_id{0};
    std::atomic<uint32_t> owner_seen{0};
    std::thread worker([&] {
        worker_id = zplat::GetCurrentThreadId();
        ASSERT_TRUE(counted->Start(true, INFINITE));
        owner_seen = ZThread::NotifyQueueOwner();
        StopAndWait(*counted, &release);
        counted.reset();
    });
    worker.join();
    EXPECT_EQ(owner_seen.load(), worker_id.load());
    EXPECT_NE(owner_seen.load(), me_);
}

std::atomic<uint32_t> g_tripled_on{0};

int Triple(int value) {
    g_tripled_on = zplat::GetCurrentThreadId();
    return 3 * value;
}

TEST_F(ZThreadNotifyTest, RunsAFunctionOnTheOwnerThread) {
    int result = 0;
    EXPECT_FALSE(ZThread::RunOnNotifyThread(&Triple, 1, 0, &result));  // no queue

    zplat::Event release(true, false);
    auto holder = Holding(release);
    ASSERT_TRUE(holder->Start(true, INFINITE));

    std::atomic<bool> done{false};
    std::atomic<bool> ok{false};
    std::atomic<int> remote_result{0};
    std::thread caller([&] {
        int value = 0;
        ok = ZThread::RunOnNotifyThread(&Triple, -7, INFINITE, &value);
        remote_result = value;
        done = true;
    });
    while (!done) {
        ZThread::PumpNotifyQueue();
        zplat::Sleep(1);
    }
    caller.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(remote_result, -21);
    EXPECT_EQ(g_tripled_on.load(), me_);

    // On the owner itself the call runs at once.
    EXPECT_TRUE(ZThread::RunOnNotifyThread(&Triple, 2, 0, &result));
    EXPECT_EQ(result, 6);

    StopAndWait(*holder, &release);
    holder.reset();
}

}  // namespace
