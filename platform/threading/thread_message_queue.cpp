#include "platform/threading/thread_message_queue.h"

#include <chrono>

#include "platform/threading/thread.h"
#include "platform/threading/wait.h"

namespace zplat {

// A sender waits on its own reply record, so it stays valid even when the queue goes away.
struct ThreadMessageQueue::Reply {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    bool handled = false;
    intptr_t result = 0;

    void Finish(bool wasHandled, intptr_t value) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
            handled = wasHandled;
            result = value;
        }
        cv.notify_all();
    }
};

ThreadMessageQueue::ThreadMessageQueue(Procedure procedure)
    : procedure_(std::move(procedure)), owner_(GetCurrentThreadId()) {}

ThreadMessageQueue::~ThreadMessageQueue() {
    for (Message& message : messages_) {
        if (message.reply) {
            message.reply->Finish(false, 0);
        }
    }
}

bool ThreadMessageQueue::IsOwnerThread() const {
    return GetCurrentThreadId() == owner_;
}

bool ThreadMessageQueue::IsDestroyed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return destroyed_;
}

bool ThreadMessageQueue::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (destroyed_) {
            return false;
        }
        messages_.push_back(Message{message, wParam, lParam, nullptr});
    }
    arrived_.notify_one();
    return true;
}

bool ThreadMessageQueue::Send(uint32_t message, uintptr_t wParam, intptr_t lParam,
                              uint32_t timeoutMs, intptr_t* result) {
    if (IsOwnerThread()) {
        if (IsDestroyed()) {
            return false;
        }
        intptr_t value = procedure_ ? procedure_(this, message, wParam, lParam) : 0;
        if (result != nullptr) {
            *result = value;
        }
        return true;
    }
    auto reply = std::make_shared<Reply>();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (destroyed_) {
            return false;
        }
        messages_.push_back(Message{message, wParam, lParam, reply});
    }
    arrived_.notify_one();

    std::unique_lock<std::mutex> lock(reply->mutex);
    auto done = [&] { return reply->done; };
    if (timeoutMs == INFINITE) {
        reply->cv.wait(lock, done);
    } else if (!reply->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), done)) {
        return false;
    }
    if (reply->handled && result != nullptr) {
        *result = reply->result;
    }
    return reply->handled;
}

bool ThreadMessageQueue::TakeLocked(Message* out) {
    if (destroyed_ || messages_.empty()) {
        return false;
    }
    *out = std::move(messages_.front());
    messages_.pop_front();
    return true;
}

void ThreadMessageQueue::Dispatch(Message& message) {
    intptr_t value =
        procedure_ ? procedure_(this, message.message, message.wParam, message.lParam) : 0;
    if (message.reply) {
        message.reply->Finish(true, value);
    }
}

bool ThreadMessageQueue::PumpOne(uint32_t timeoutMs) {
    if (!IsOwnerThread()) {
        return false;
    }
    Message message;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        auto ready = [this] { return destroyed_ || !messages_.empty(); };
        if (timeoutMs == INFINITE) {
            arrived_.wait(lock, ready);
        } else {
            arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
        }
        if (!TakeLocked(&message)) {
            return false;
        }
    }
    // Unlocked: the procedure may post to this queue or destroy it.
    Dispatch(message);
    return true;
}

int ThreadMessageQueue::PumpPending() {
    if (!IsOwnerThread()) {
        return 0;
    }
    // Only what is queued now, so a procedure that posts to its own queue cannot keep us here.
    size_t pending;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending = messages_.size();
    }
    int handled = 0;
    for (; pending > 0; --pending) {
        Message message;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!TakeLocked(&message)) {
                break;
            }
        }
        Dispatch(message);
        ++handled;
    }
    return handled;
}

bool ThreadMessageQueue::Destroy() {
    if (!IsOwnerThread()) {
        return false;
    }
    std::deque<Message> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (destroyed_) {
            return false;
        }
        destroyed_ = true;
        dropped.swap(messages_);
    }
    for (Message& message : dropped) {
        if (message.reply) {
            message.reply->Finish(false, 0);
        }
    }
    return true;
}

}  // namespace zplat
