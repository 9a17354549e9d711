#pragma once
// Operating-system threads in the shape of the calls the worker thread is written against.
//
//   uint32_t id = 0;
//   zplat::ThreadHandle h = zplat::CreateThread(0, &Entry, this, &id);
//   zplat::SetThreadPriority(h, zplat::THREAD_PRIORITY_NORMAL);
//   zplat::WaitForThread(h, zplat::INFINITE);
//
// A ThreadHandle is shared: every copy keeps the thread's record alive, so a waiter holding its own
// copy stays safe while the thread (or anyone else) drops theirs. Threads run detached; nothing
// needs to join them.

#include <cstdint>
#include <memory>

#include "platform/threading/wait.h"

namespace zplat {

struct ThreadRecord;
using ThreadHandle = std::shared_ptr<ThreadRecord>;
using ThreadEntry = uint32_t (*)(void* parameter);

// The values of the Windows thread priorities; SetThreadPriority maps them onto nice values.
inline constexpr int THREAD_PRIORITY_IDLE = -15;
inline constexpr int THREAD_PRIORITY_LOWEST = -2;
inline constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr int THREAD_PRIORITY_HIGHEST = 2;
inline constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

// Exit code of a thread that has not ended yet.
inline constexpr uint32_t STILL_ACTIVE = 259;

// Starts entry(parameter) on a new thread. stackSize 0 means the system default; other values are
// raised to the system minimum. Null on failure; *threadId (when given) receives the new id.
ThreadHandle CreateThread(uint32_t stackSize, ThreadEntry entry, void* parameter,
                          uint32_t* threadId);

// Maps the priority onto the thread's nice value (IDLE 19, LOWEST 10, BELOW_NORMAL 5, NORMAL 0,
// ABOVE_NORMAL -5, HIGHEST -10, TIME_CRITICAL -20). Raising above normal needs privileges; the
// result says whether the system took the value. Applied when the thread starts if it has not yet.
bool SetThreadPriority(const ThreadHandle& thread, int priority);
// The last priority asked for (THREAD_PRIORITY_NORMAL when none was).
int GetThreadPriority(const ThreadHandle& thread);

// WAIT_OBJECT_0 once the thread's entry has returned, WAIT_TIMEOUT after timeoutMs, WAIT_FAILED for
// a null handle.
uint32_t WaitForThread(const ThreadHandle& thread, uint32_t timeoutMs);

// The entry's result once it returned, STILL_ACTIVE before. False for a null handle.
bool GetExitCodeThread(const ThreadHandle& thread, uint32_t* exitCode);

// POSIX cannot kill one thread of a process safely: always false, nothing happens.
bool TerminateThread(const ThreadHandle& thread, uint32_t exitCode);

uint32_t GetThreadId(const ThreadHandle& thread);
// A small process-unique number for the calling thread, never 0; equals what CreateThread gave
// for threads it started.
uint32_t GetCurrentThreadId();

}  // namespace zplat
