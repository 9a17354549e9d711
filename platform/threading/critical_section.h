#pragma once
// A re-entrant lock with the semantics of a critical section: the owning thread may enter it again
// and must leave it as often as it entered.
//
//   zplat::CriticalSection cs;
//   cs.Enter(); ... cs.Leave();
//   if (cs.TryEnter()) { ...; cs.Leave(); }   // never blocks
//
// On Windows it is a CRITICAL_SECTION (critical_section_win.cpp), elsewhere a recursive mutex.

#ifndef _WIN32
#include <mutex>
#endif

namespace zplat {

class CriticalSection {
public:
#ifdef _WIN32
    CriticalSection();
    ~CriticalSection();
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter();
    bool TryEnter();
    void Leave();
#else
    void Enter() {
        mutex_.lock();
    }
    bool TryEnter() {
        return mutex_.try_lock();
    }
    void Leave() {
        mutex_.unlock();
    }
#endif

    // For std::lock_guard / std::unique_lock.
    void lock() {
        Enter();
    }
    bool try_lock() {
        return TryEnter();
    }
    void unlock() {
        Leave();
    }

private:
#ifdef _WIN32
    // Room for the system's CRITICAL_SECTION (40 bytes on 64-bit Windows; checked where it is
    // used), so this header needs no system header.
    alignas(8) unsigned char section_[40];
#else
    std::recursive_mutex mutex_;
#endif
};

}  // namespace zplat
