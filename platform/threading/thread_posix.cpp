#include "platform/threading/thread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>

namespace zplat {

struct ThreadRecord {
    ThreadEntry entry = nullptr;
    void* parameter = nullptr;
    uint32_t id = 0;

    std::mutex mutex;
    std::condition_variable ended_cv;
    bool ended = false;
    uint32_t exit_code = STILL_ACTIVE;
    int priority = THREAD_PRIORITY_NORMAL;
    pid_t kernel_tid = 0;  // known once the thread runs
};

namespace {

std::atomic<uint32_t> g_next_thread_id{1};
thread_local uint32_t t_thread_id = 0;

uint32_t NewThreadId() {
    uint32_t id = g_next_thread_id.fetch_add(1);
    if (id == 0) {  // after a wrap
        id = g_next_thread_id.fetch_add(1);
    }
    return id;
}

int NiceOf(int priority) {
    switch (priority) {
        case THREAD_PRIORITY_IDLE:
            return 19;
        case THREAD_PRIORITY_LOWEST:
            return 10;
        case THREAD_PRIORITY_BELOW_NORMAL:
            return 5;
        case THREAD_PRIORITY_ABOVE_NORMAL:
            return -5;
        case THREAD_PRIORITY_HIGHEST:
            return -10;
        case THREAD_PRIORITY_TIME_CRITICAL:
            return -20;
        default:
            return 0;
    }
}

bool ApplyNice(pid_t tid, int priority) {
    return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceOf(priority)) == 0;
}

void* Trampoline(void* raw) {
    // The thread holds its own reference for as long as it runs.
    auto* held = static_cast<ThreadHandle*>(raw);
    ThreadHandle record = std::move(*held);
    delete held;

    t_thread_id = record->id;
    int priority;
    {
        std::lock_guard<std::mutex> lock(record->mutex);
        record->kernel_tid = static_cast<pid_t>(syscall(SYS_gettid));
        priority = record->priority;
    }
    if (priority != THREAD_PRIORITY_NORMAL) {
        ApplyNice(record->kernel_tid, priority);
    }

    uint32_t code = record->entry(record->parameter);

    {
        std::lock_guard<std::mutex> lock(record->mutex);
        record->ended = true;
        record->exit_code = code;
    }
    record->ended_cv.notify_all();
    return nullptr;
}

}  // namespace

ThreadHandle CreateThread(uint32_t stackSize, ThreadEntry entry, void* parameter,
                          uint32_t* threadId) {
    if (entry == nullptr) {
        return nullptr;
    }
    auto record = std::make_shared<ThreadRecord>();
    record->entry = entry;
    record->parameter = parameter;
    record->id = NewThreadId();

    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) {
        return nullptr;
    }
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    if (stackSize != 0) {
        size_t size = std::max<size_t>(stackSize, PTHREAD_STACK_MIN);
        pthread_attr_setstacksize(&attr, size);
    }
    auto* held = new ThreadHandle(record);
    pthread_t thread;
    int rc = pthread_create(&thread, &attr, &Trampoline, held);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete held;
        return nullptr;
    }
    if (threadId != nullptr) {
        *threadId = record->id;
    }
    return record;
}

bool SetThreadPriority(const ThreadHandle& thread, int priority) {
    if (!thread) {
        return false;
    }
    pid_t tid;
    {
        std::lock_guard<std::mutex> lock(thread->mutex);
        thread->priority = priority;
        tid = thread->ended ? 0 : thread->kernel_tid;
    }
    // Before the thread runs, Trampoline applies the value itself.
    return tid == 0 || ApplyNice(tid, priority);
}

int GetThreadPriority(const ThreadHandle& thread) {
    if (!thread) {
        return THREAD_PRIORITY_NORMAL;
    }
    std::lock_guard<std::mutex> lock(thread->mutex);
    return thread->priority;
}

uint32_t WaitForThread(const ThreadHandle& thread, uint32_t timeoutMs) {
    if (!thread) {
        return WAIT_FAILED;
    }
    std::unique_lock<std::mutex> lock(thread->mutex);
    auto ended = [&] { return thread->ended; };
    if (timeoutMs == INFINITE) {
        thread->ended_cv.wait(lock, ended);
        return WAIT_OBJECT_0;
    }
    return thread->ended_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ended)
               ? WAIT_OBJECT_0
               : WAIT_TIMEOUT;
}

bool GetExitCodeThread(const ThreadHandle& thread, uint32_t* exitCode) {
    if (!thread || exitCode == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(thread->mutex);
    *exitCode = thread->exit_code;
    return true;
}

bool TerminateThread(const ThreadHandle&, uint32_t) {
    return false;
}

uint32_t GetThreadId(const ThreadHandle& thread) {
    return thread ? thread->id : 0;
}

uint32_t GetCurrentThreadId() {
    if (t_thread_id == 0) {
        t_thread_id = NewThreadId();
    }
    return t_thread_id;
}

}  // namespace zplat
