// Threads as the system makes them (CreateThread), with the system's own priorities, waits and
// exit codes. The record holds the thread's HANDLE until the last copy of the ThreadHandle goes.

#include <memory>

#include "platform/threading/thread.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

struct ThreadRecord {
    ThreadEntry entry = nullptr;
    void* parameter = nullptr;
    HANDLE handle = nullptr;
    DWORD id = 0;
    int priority = THREAD_PRIORITY_NORMAL;

    ~ThreadRecord() {
        if (handle != nullptr) {
            ::CloseHandle(handle);
        }
    }
};

namespace {

DWORD WINAPI Trampoline(LPVOID raw) {
    // The thread keeps the entry and parameter it needs; the record itself may go before it ends.
    auto* held = static_cast<ThreadHandle*>(raw);
    ThreadEntry entry = (*held)->entry;
    void* parameter = (*held)->parameter;
    delete held;
    return entry(parameter);
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
    auto* held = new ThreadHandle(record);
    // Started suspended so that the record is complete before the entry can ask for its id.
    DWORD id = 0;
    HANDLE handle = ::CreateThread(nullptr, stackSize, &Trampoline, held, CREATE_SUSPENDED, &id);
    if (handle == nullptr) {
        delete held;
        return nullptr;
    }
    record->handle = handle;
    record->id = id;
    if (threadId != nullptr) {
        *threadId = id;
    }
    ::ResumeThread(handle);
    return record;
}

bool SetThreadPriority(const ThreadHandle& thread, int priority) {
    if (!thread) {
        return false;
    }
    thread->priority = priority;
    return ::SetThreadPriority(thread->handle, priority) != FALSE;
}

int GetThreadPriority(const ThreadHandle& thread) {
    return thread ? thread->priority : THREAD_PRIORITY_NORMAL;
}

uint32_t WaitForThread(const ThreadHandle& thread, uint32_t timeoutMs) {
    if (!thread) {
        return WAIT_FAILED;
    }
    DWORD r = ::WaitForSingleObject(thread->handle, timeoutMs);
    return r == WAIT_OBJECT_0 ? WAIT_OBJECT_0 : (r == WAIT_TIMEOUT ? WAIT_TIMEOUT : WAIT_FAILED);
}

bool GetExitCodeThread(const ThreadHandle& thread, uint32_t* exitCode) {
    if (!thread || exitCode == nullptr) {
        return false;
    }
    DWORD code = 0;
    if (!::GetExitCodeThread(thread->handle, &code)) {
        return false;
    }
    *exitCode = code;
    return true;
}

// Killing a thread leaves its locks and memory behind on every system; the program never needs
// it, so this face refuses as the POSIX one does.
bool TerminateThread(const ThreadHandle&, uint32_t) {
    return false;
}

uint32_t GetThreadId(const ThreadHandle& thread) {
    return thread ? thread->id : 0;
}

uint32_t GetCurrentThreadId() {
    return ::GetCurrentThreadId();
}

}  // namespace zplat
