#include "platform/threading/thread_message_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/threading/clock.h"
#include "platform/threading/thread.h"
#include "platform/threading/wait.h"

namespace {

// Records what the owner handled and answers each message with its wParam doubled.
struct Recorder {
    std::vector<uint32_t> messages;
    std::atomic<uint32_t> handled_on{0};

    zplat::ThreadMessageQueue::Procedure Procedure() {
        return [this](zplat::ThreadMessageQueue*, uint32_t message, uintptr_t wParam,
                      intptr_t) -> intptr_t {
            messages.push_back(message);
            handled_on = zplat::GetCurrentThreadId();
            return static_cast<intptr_t>(wParam * 2);
        };
    }
};

TEST(ThreadMessageQueueTest, OwnerHandlesPostsInOrderOthersCannot) {
    Recorder recorder;
    zplat::ThreadMessageQueue queue(recorder.Procedure());
    EXPECT_EQ(queue.OwnerThreadId(), zplat::GetCurrentThreadId());
    EXPECT_TRUE(queue.Post(1, 0, 0));
    EXPECT_TRUE(queue.Post(2, 0, 0));

    std::thread other([&] {
        EXPECT_FALSE(queue.IsOwnerThread());
        EXPECT_TRUE(queue.Post(3, 0, 0));
        EXPECT_EQ(queue.PumpPending(), 0);
        EXPECT_FALSE(queue.PumpOne(0));
        EXPECT_FALSE(queue.Destroy());
    });
    other.join();

    EXPECT_EQ(queue.PumpPending(), 3);
    EXPECT_EQ(recorder.messages, (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_FALSE(queue.PumpOne(5));  // times out on an empty queue
}

TEST(ThreadMessageQueueTest, SendWaitsForTheOwnerAndReturnsItsResult) {
    Recorder recorder;
    zplat::ThreadMessageQueue queue(recorder.Procedure());
    intptr_t result = 0;
    EXPECT_TRUE(queue.Send(9, 4, 0, 0, &result));  // on the owner: at once
    EXPECT_EQ(result, 8);

    std::atomic<bool> ok{false};
    std::atomic<intptr_t> remote{0};
    std::thread sender([&] {
        intptr_t value = 0;
        ok = queue.Send(10, 21, 0, zplat::INFINITE, &value);
        remote = value;
    });
    EXPECT_TRUE(queue.PumpOne(zplat::INFINITE));
    sender.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(remote, 42);
    EXPECT_EQ(recorder.handled_on.load(), zplat::GetCurrentThreadId());

    // Nobody pumps: the sender gives up after its timeout.
    std::thread impatient([&] { EXPECT_FALSE(queue.Send(11, 1, 0, 10, nullptr)); });
    impatient.join();
}

TEST(ThreadMessageQueueTest, DestroyDropsPostsAndFailsWaitingSends) {
    Recorder recorder;
    auto queue = std::make_shared<zplat::ThreadMessageQueue>(recorder.Procedure());
    queue->Post(1, 0, 0);
    std::atomic<bool> queued{false};
    std::atomic<bool> ok{true};
    std::thread sender([&] {
        queued = true;
        ok = queue->Send(2, 0, 0, zplat::INFINITE, nullptr);
    });
    while (!queued) {
        zplat::Sleep(1);
    }
    zplat::Sleep(5);  // lets the send reach the queue; either order is fine below
    EXPECT_TRUE(queue->Destroy());
    sender.join();
    EXPECT_FALSE(ok);
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_TRUE(queue->IsDestroyed());
    EXPECT_FALSE(queue->Post(3, 0, 0));
    EXPECT_FALSE(queue->Send(3, 0, 0, 0, nullptr));
    EXPECT_FALSE(queue->Destroy());
}

}  // namespace
