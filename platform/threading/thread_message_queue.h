#pragma once
// A message queue that belongs to one thread, in the shape of an invisible window with its own
// window procedure: any thread may post to it or send to it, only the owning thread (the one that
// created it) pumps it, and only the owning thread may destroy it.
//
//   intptr_t Procedure(zplat::ThreadMessageQueue* queue, uint32_t msg, uintptr_t w, intptr_t l);
//   auto queue = std::make_shared<zplat::ThreadMessageQueue>(&Procedure);   // on the UI thread
//   queue->Post(0x8FFE, 0, 0);                    // any thread; never blocks
//   queue->PumpPending();                         // UI thread: runs Procedure for each message
//
// Send blocks the sender until the owner has run the procedure for it (or the queue is destroyed,
// or the timeout passes). Posts still queued when the queue is destroyed are dropped. Keep a
// shared_ptr to the queue while pumping it: the procedure may drop the last other reference.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace zplat {

class ThreadMessageQueue {
public:
    using Procedure = std::function<intptr_t(ThreadMessageQueue* queue, uint32_t message,
                                             uintptr_t wParam, intptr_t lParam)>;

    // The calling thread becomes the owner.
    explicit ThreadMessageQueue(Procedure procedure);
    // Fails the sends still waiting; posts still queued are dropped.
    ~ThreadMessageQueue();
    ThreadMessageQueue(const ThreadMessageQueue&) = delete;
    ThreadMessageQueue& operator=(const ThreadMessageQueue&) = delete;

    uint32_t OwnerThreadId() const { return owner_; }
    bool IsOwnerThread() const;

    // Queues the message for the owner; false once the queue is destroyed.
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam);
    // Runs the procedure on the owner thread and gives back its result: at once when the caller
    // is the owner, otherwise once the owner pumps the message. False when the queue is (or
    // becomes) destroyed first, or after timeoutMs (INFINITE allowed); a timed-out message still
    // runs later, its result unused.
    bool Send(uint32_t message, uintptr_t wParam, intptr_t lParam, uint32_t timeoutMs,
              intptr_t* result);

    // Owner thread only (others get false / 0 and nothing happens).
    // Handles the next message, waiting up to timeoutMs for one; true when one was handled.
    bool PumpOne(uint32_t timeoutMs);
    // Handles the messages queued now, without waiting; the number handled.
    int PumpPending();
    // Drops queued posts, fails waiting sends and refuses everything after.
    bool Destroy();

    bool IsDestroyed() const;

private:
    struct Reply;
    struct Message {
        uint32_t message = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        std::shared_ptr<Reply> reply;  // set for Send
    };

    bool TakeLocked(Message* out);
    void Dispatch(Message& message);

    const Procedure procedure_;
    const uint32_t owner_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Message> messages_;
    bool destroyed_ = false;
};

}  // namespace zplat
