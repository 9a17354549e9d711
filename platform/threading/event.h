#pragma once
// A kernel-style event: manual reset (stays signalled until Reset) or auto reset (one waiter
// takes the signal and it clears). Waits take milliseconds, INFINITE allowed.
//
//   zplat::Event stop(/*manualReset=*/true, /*initialState=*/false);
//   ...            stop.Set();                   // another thread
//   if (stop.Wait(2000) == zplat::WAIT_OBJECT_0) // signalled within two seconds
//
// On POSIX the event also keeps a file descriptor that is readable exactly while it is signalled,
// so a poll() over sockets can wait for it as well (PollFd). After poll() reports it readable,
// call Wait(0) to take the signal properly (for an auto-reset event someone else may have taken
// it). On Windows it is a kernel event (CreateEventA) and NativeHandle gives its HANDLE, for waits
// on several objects at once.

#include <cstdint>
#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#endif

#include "platform/threading/wait.h"

namespace zplat {

class Event {
public:
    Event(bool manualReset, bool initialState);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // WAIT_OBJECT_0 when signalled within timeoutMs, WAIT_TIMEOUT otherwise.
    uint32_t Wait(uint32_t timeoutMs);
    bool IsSet() const;
    bool IsManualReset() const { return manual_reset_; }
#ifdef _WIN32
    // The event's HANDLE; null when the system would not make one.
    void* NativeHandle() const {
        return handle_;
    }
#else
    // Readable while the event is signalled; -1 when the descriptor could not be made.
    int PollFd() const {
        return fd_;
    }
#endif

private:
    const bool manual_reset_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    void MirrorLocked();

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_;
    bool fd_readable_ = false;
    int fd_ = -1;
#endif
};

}  // namespace zplat
