#pragma once
// One operating-system thread with a cooperative stop flag. The body is either an override of Run
// or the ThreadRun of an IThreadHandler; it polls IsStopRequested and returns to end the thread.
//
//   class Searcher : public ZThread {
//       int Run() override {
//           while (!IsStopRequested()) { ...; wake_.Wait(2000); }
//           return 0;
//       }
//       zplat::Event wake_{false, false};
//   };
//   Searcher s;
//   s.Start(true, zplat::INFINITE);
//   ...
//   s.wake_.Set(); s.Stop(false); s.Wait(zplat::INFINITE);   // the owner's stop sequence
//
// Ownership: the owner keeps the object alive until the thread has ended (Stop, then Wait); the
// destructor neither stops nor waits. The handler is not owned. A ZThread can be started again
// once its thread has ended.
//
// Notify queue: threads built with useNotifyWindow true are counted process-wide. The thread whose
// Start makes the count go from 0 to 1 owns a message queue (the stand-in for a hidden window);
// the last thread to end posts it a destroy request, which only the owning thread handles: when it
// destroys a ZThread (the destructor pumps the queue for up to 100 ms) or when its event loop
// calls PumpNotifyQueue. Destroy such objects on the thread that started the first of them.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "foundation/thread_handler.h"
#include "platform/threading/event.h"
#include "platform/threading/thread.h"
#include "platform/threading/wait.h"

class ZThread {
public:
    // Priority levels 0 (idle) to 6 (time critical); every thread of the program runs at 3.
    static constexpr int kPriorityNormal = 3;

    explicit ZThread(IThreadHandler* handler = nullptr);  // uses the notify queue
    ZThread(bool useNotifyWindow, IThreadHandler* handler);
    virtual ~ZThread();
    ZThread(const ZThread&) = delete;
    ZThread& operator=(const ZThread&) = delete;

    // The body when no handler is set; the result is not passed on.
    virtual int Run();

    // Starts the thread unless one exists (then true, nothing changes). With waitUntilStarted,
    // returns once the thread has begun (or after timeoutMs; INFINITE allowed). False when the
    // thread could not be created; the stop flag is then set.
    bool Start(bool waitUntilStarted, uint32_t timeoutMs);
    // Sets the stop flag; never waits. False without a thread.
    bool Stop(bool terminate);
    // Waits up to timeoutMs for the thread to end, its clean-up included; at once when called by
    // the thread itself or when no thread was started.
    void Wait(uint32_t timeoutMs);
    bool IsRunning() const;
    bool IsStopRequested() const;
    // Threads are never created suspended: true when a thread exists.
    bool Resume();

    // Level 0..6 (others mean normal); used by the next Start and applied to a running thread.
    void SetPriorityLevel(int level);
    int GetPriorityLevel() const;
    // Bytes, 0 for the system default; used by the next Start.
    void SetStackSize(uint32_t bytes);
    uint32_t GetStackSize() const;
    // 0 while no thread exists.
    uint32_t GetThreadId() const;
    // The zplat thread priority of a level (the priority table).
    static int PriorityOfLevel(int level);

    // --- The notify queue, process-wide ---
    // On the queue's owning thread: handles the requests queued now (the destroy request among
    // them) and returns how many. Elsewhere, or without a queue: 0.
    static int PumpNotifyQueue();
    // Runs function(argument) on the queue's owning thread and stores its result; blocks until
    // that thread pumps the queue or timeoutMs passes. False without a queue or on timeout.
    static bool RunOnNotifyThread(int (*function)(int), int argument, uint32_t timeoutMs,
                                  int* result);
    // The thread owning the queue, 0 while none exists.
    static uint32_t NotifyQueueOwner();
    // How many ZThread objects are counted by the queue now.
    static int NotifyRegistrationCount();

private:
    static uint32_t ThreadEntry(void* parameter);
    void CleanUpAfterRun();
    void RegisterNotifyWindow();
    void UnregisterNotifyWindow();
    static void PumpNotifyWindow();

    // handle_, last_thread_, started_event_, registered_, priority_level_ and stack_size_ are
    // guarded by mutex_; Start holds it until the thread is fully set up, so the thread's
    // clean-up (which takes it too) cannot overtake Start.
    mutable std::mutex mutex_;
    zplat::ThreadHandle handle_;  // null while no thread exists; the thread drops it as it ends
    // The latest thread, kept past its clean-up: the thread still touches this object after it
    // drops handle_, so Wait waits on this one until the entry has really returned.
    zplat::ThreadHandle last_thread_;
    std::atomic<uint32_t> thread_id_{0};
    std::atomic<bool> stop_requested_{true};
    std::atomic<bool> suspended_{false};
    // The id of the thread that runs the body, 0 when none does: a thread that ends only clears
    // its own mark, so a restart in its last moments stays marked running.
    std::atomic<uint32_t> running_{0};
    int priority_level_ = kPriorityNormal;
    std::shared_ptr<zplat::Event> started_event_;
    IThreadHandler* handler_;
    uint32_t stack_size_ = 0;
    bool registered_ = false;
    const bool use_notify_window_;
};
