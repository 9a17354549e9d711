#pragma once
// A re-entrant lock with the semantics of a critical section: the owning thread may enter it again
// and must leave it as often as it entered.
//
//   zplat::CriticalSection cs;
//   cs.Enter(); ... cs.Leave();
//   if (cs.TryEnter()) { ...; cs.Leave(); }   // never blocks
//   if (cs.TryEnterFor(5)) { ...; cs.Leave(); }   // waits at most 5 ms

#include <chrono>
#include <cstdint>
#include <mutex>

namespace zplat {

class CriticalSection {
public:
    void Enter() { mutex_.lock(); }
    bool TryEnter() { return mutex_.try_lock(); }
    // Waits at most timeoutMs for the lock; woken as soon as its holder leaves.
    bool TryEnterFor(uint32_t timeoutMs) {
        return mutex_.try_lock_for(std::chrono::milliseconds(timeoutMs));
    }
    void Leave() { mutex_.unlock(); }

    // For std::lock_guard / std::unique_lock.
    void lock() { Enter(); }
    bool try_lock() { return TryEnter(); }
    void unlock() { Leave(); }

private:
    std::recursive_timed_mutex mutex_;
};

}  // namespace zplat
