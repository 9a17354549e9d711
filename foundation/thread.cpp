#include "foundation/thread.h"

#include "platform/threading/clock.h"
#include "platform/threading/critical_section.h"
#include "platform/threading/thread_message_queue.h"

namespace {

// Requests the notify queue handles, in the numbering of the window messages they replace.
constexpr uint32_t kMsgDestroyRequest = 0x8FFE;  // wParam 0, lParam 0
constexpr uint32_t kMsgRunFunction = 0x8FFF;     // wParam argument, lParam int (*)(int)

// How long a destructor pumps for the destroy request.
constexpr uint32_t kPumpLimitMs = 100;

// The process-wide registration count and the queue, guarded by one critical section that lives
// as long as the process: a lock created on first registration and deleted after the queue is
// gone would be freed under a thread that is just about to enter it.
struct NotifyWindowState {
    zplat::CriticalSection lock;
    int count = 0;
    std::shared_ptr<zplat::ThreadMessageQueue> window;
    bool destroy_pending = false;
};

NotifyWindowState& Notify() {
    // Never destroyed, so threads still ending at process exit find it intact.
    static NotifyWindowState* state = new NotifyWindowState;
    return *state;
}

intptr_t NotifyWindowProcedure(zplat::ThreadMessageQueue* queue, uint32_t message, uintptr_t wParam,
                               intptr_t lParam) {
    switch (message) {
        case kMsgDestroyRequest: {
            NotifyWindowState& state = Notify();
            std::lock_guard<zplat::CriticalSection> lock(state.lock);
            // A thread that registered meanwhile keeps the queue; a request that reaches a queue
            // already replaced by a newer one has nothing left to do.
            if (state.count == 0 && state.window.get() == queue) {
                queue->Destroy();
                state.window.reset();
                state.destroy_pending = false;
            }
            return 0;
        }
        case kMsgRunFunction: {
            auto function = reinterpret_cast<int (*)(int)>(lParam);
            return function != nullptr ? function(static_cast<int>(wParam)) : 0;
        }
        default:
            return 0;
    }
}

std::shared_ptr<zplat::ThreadMessageQueue> CurrentNotifyWindow() {
    NotifyWindowState& state = Notify();
    std::lock_guard<zplat::CriticalSection> lock(state.lock);
    return state.window;
}

}  // namespace

ZThread::ZThread(IThreadHandler* handler) : ZThread(true, handler) {}

ZThread::ZThread(bool useNotifyWindow, IThreadHandler* handler)
    : handler_(handler), use_notify_window_(useNotifyWindow) {}

ZThread::~ZThread() {
    PumpNotifyWindow();
    stop_requested_ = true;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handle_.reset();
        last_thread_.reset();
    }
    handler_ = nullptr;
}

int ZThread::Run() {
    return 0;
}

int ZThread::PriorityOfLevel(int level) {
    switch (level) {
        case 0:
            return zplat::THREAD_PRIORITY_IDLE;
        case 1:
            return zplat::THREAD_PRIORITY_LOWEST;
        case 2:
            return zplat::THREAD_PRIORITY_BELOW_NORMAL;
        case 4:
            return zplat::THREAD_PRIORITY_ABOVE_NORMAL;
        case 5:
            return zplat::THREAD_PRIORITY_HIGHEST;
        case 6:
            return zplat::THREAD_PRIORITY_TIME_CRITICAL;
        default:
            return zplat::THREAD_PRIORITY_NORMAL;
    }
}

bool ZThread::Start(bool waitUntilStarted, uint32_t timeoutMs) {
    std::shared_ptr<zplat::Event> started;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (handle_) {
            return true;
        }
        started_event_ = std::make_shared<zplat::Event>(true, false);
        started = started_event_;
        stop_requested_ = false;
        uint32_t id = 0;
        handle_ = zplat::CreateThread(stack_size_, &ZThread::ThreadEntry, this, &id);
        if (!handle_) {
            stop_requested_ = true;
            return false;
        }
        thread_id_ = id;
        last_thread_ = handle_;
        zplat::SetThreadPriority(handle_, PriorityOfLevel(priority_level_));
        RegisterNotifyWindow();
    }
    // Our own reference: Stop may drop the object's one meanwhile.
    if (waitUntilStarted) {
        started->Wait(timeoutMs);
    }
    return true;
}

bool ZThread::Stop(bool terminate) {
    zplat::ThreadHandle handle;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handle = handle_;
    }
    if (!handle) {
        return false;
    }
    Resume();
    stop_requested_ = true;
    bool result = true;
    if (terminate) {
        // POSIX cannot end one thread of a process from outside: zplat::TerminateThread reports
        // false and the thread runs on, so Stop(true) fails there. Nothing in the program asks
        // for it; bodies poll the stop flag instead.
        uint32_t exitCode = 0;
        result =
            zplat::GetExitCodeThread(handle, &exitCode) && zplat::TerminateThread(handle, exitCode);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    started_event_.reset();
    return result;
}

void ZThread::Wait(uint32_t timeoutMs) {
    // The thread drops handle_ in its clean-up while we may be waiting, and touches this object
    // after that: wait on our own copy of the latest thread until its entry has returned, even
    // when it has not marked itself running yet or has already dropped handle_. Returning any
    // earlier would let the owner free the object under the thread.
    zplat::ThreadHandle handle;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handle = last_thread_;
    }
    if (!handle || zplat::GetThreadId(handle) == zplat::GetCurrentThreadId()) {
        return;
    }
    zplat::WaitForThread(handle, timeoutMs);
}

bool ZThread::IsRunning() const {
    return running_ != 0;
}

bool ZThread::IsStopRequested() const {
    return stop_requested_;
}

bool ZThread::Resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    return handle_ != nullptr;
}

void ZThread::SetPriorityLevel(int level) {
    std::lock_guard<std::mutex> lock(mutex_);
    priority_level_ = level;
    if (handle_) {
        zplat::SetThreadPriority(handle_, PriorityOfLevel(level));
    }
}

int ZThread::GetPriorityLevel() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return priority_level_;
}

void ZThread::SetStackSize(uint32_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    stack_size_ = bytes;
}

uint32_t ZThread::GetStackSize() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stack_size_;
}

uint32_t ZThread::GetThreadId() const {
    return thread_id_;
}

uint32_t ZThread::ThreadEntry(void* parameter) {
    auto* self = static_cast<ZThread*>(parameter);
    const uint32_t me = zplat::GetCurrentThreadId();
    self->running_ = me;
    std::shared_ptr<zplat::Event> started;
    {
        std::lock_guard<std::mutex> lock(self->mutex_);
        started = self->started_event_;
    }
    if (started) {
        started->Set();
    }
    if (!self->stop_requested_) {
        if (self->handler_ != nullptr) {
            self->handler_->ThreadRun(self);
        } else {
            self->Run();
        }
    }
    self->CleanUpAfterRun();
    // Last touch of the object: the owner may free it as soon as it sees the thread not running.
    uint32_t expected = me;
    self->running_.compare_exchange_strong(expected, 0);
    return 0;
}

void ZThread::CleanUpAfterRun() {
    std::lock_guard<std::mutex> lock(mutex_);
    handle_.reset();
    stop_requested_ = true;
    thread_id_ = 0;
    suspended_ = false;
    UnregisterNotifyWindow();
}

// Called with mutex_ held, on the starting thread.
void ZThread::RegisterNotifyWindow() {
    if (registered_ || !use_notify_window_) {
        return;
    }
    NotifyWindowState& state = Notify();
    {
        std::lock_guard<zplat::CriticalSection> lock(state.lock);
        if (++state.count == 1) {
            // The starting thread owns the new queue. A queue still waiting for its destroy
            // request is replaced; the request then finds it stale and the queue is freed with
            // its last reference.
            state.window = std::make_shared<zplat::ThreadMessageQueue>(&NotifyWindowProcedure);
            state.destroy_pending = false;
        }
    }
    registered_ = true;
}

// Called with mutex_ held, on the ending thread. The queue is never destroyed here: only its own
// thread may, when it handles the request.
void ZThread::UnregisterNotifyWindow() {
    if (!registered_) {
        return;
    }
    NotifyWindowState& state = Notify();
    {
        std::lock_guard<zplat::CriticalSection> lock(state.lock);
        if (--state.count == 0 && state.window) {
            state.destroy_pending = true;
            state.window->Post(kMsgDestroyRequest, 0, 0);
        }
    }
    registered_ = false;
}

void ZThread::PumpNotifyWindow() {
    NotifyWindowState& state = Notify();
    std::shared_ptr<zplat::ThreadMessageQueue> window;
    {
        std::lock_guard<zplat::CriticalSection> lock(state.lock);
        if (!state.window || !state.destroy_pending) {
            return;
        }
        window = state.window;
    }
    if (!window->IsOwnerThread()) {
        return;
    }
    const uint32_t begin = zplat::GetTickCount();
    for (;;) {
        const uint32_t elapsed = zplat::GetTickCount() - begin;
        if (elapsed >= kPumpLimitMs || window->IsDestroyed()) {
            break;
        }
        window->PumpOne(kPumpLimitMs - elapsed);
    }
    std::lock_guard<zplat::CriticalSection> lock(state.lock);
    state.destroy_pending = false;
}

int ZThread::PumpNotifyQueue() {
    // Our own reference: the destroy request drops the shared one while we pump.
    std::shared_ptr<zplat::ThreadMessageQueue> window = CurrentNotifyWindow();
    return window ? window->PumpPending() : 0;
}

bool ZThread::RunOnNotifyThread(int (*function)(int), int argument, uint32_t timeoutMs,
                                int* result) {
    std::shared_ptr<zplat::ThreadMessageQueue> window = CurrentNotifyWindow();
    if (!window || function == nullptr) {
        return false;
    }
    intptr_t value = 0;
    if (!window->Send(kMsgRunFunction, static_cast<uintptr_t>(static_cast<unsigned>(argument)),
                      reinterpret_cast<intptr_t>(function), timeoutMs, &value)) {
        return false;
    }
    if (result != nullptr) {
        *result = static_cast<int>(value);
    }
    return true;
}

uint32_t ZThread::NotifyQueueOwner() {
    std::shared_ptr<zplat::ThreadMessageQueue> window = CurrentNotifyWindow();
    return window ? window->OwnerThreadId() : 0;
}

int ZThread::NotifyRegistrationCount() {
    NotifyWindowState& state = Notify();
    std::lock_guard<zplat::CriticalSection> lock(state.lock);
    return state.count;
}
