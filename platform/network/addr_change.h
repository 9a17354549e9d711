#pragma once
// Address-change notification in the shape of NotifyAddrChange / CancelIPChangeNotify: arm a
// one-shot watch that signals an event at the next change of the machine's IPv4 address table,
// test the event without waiting, re-arm after it fired, cancel when done.
//
//   zplat::Event changed(true, false);
//   zplat::Overlapped ov;
//   ov.event = &changed;
//   if (zplat::NotifyAddrChange(&ov) == zplat::ERROR_IO_PENDING) { ... armed ... }
//   if (changed.Wait(0) == zplat::WAIT_OBJECT_0) { changed.Reset(); zplat::NotifyAddrChange(&ov); }
//   zplat::CancelIPChangeNotify(&ov);
//
// On POSIX a watch is a netlink socket subscribed to IPv4 address events (opened in the calling
// thread's network namespace before NotifyAddrChange returns, so no later change is missed) and
// a small thread that sets the event when one arrives. Tests may install FakeAddrChange instead.
//
// Ownership: the caller owns the Overlapped and the event, which must outlive the watch: cancel
// (or let the change fire) before destroying them. Re-arming cancels a watch still pending.

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/threading/event.h"
#include "platform/win_error.h"

namespace zplat {

class AddrChangeWatch {
public:
    virtual ~AddrChangeWatch() = default;
    // Stops the watch; the event is not signalled by it afterwards. Returns once that holds.
    virtual void Cancel() = 0;
};

struct Overlapped {
    Event* event = nullptr;
    std::shared_ptr<AddrChangeWatch> watch;  // set while armed
};

// ERROR_IO_PENDING when armed; ERROR_INVALID_PARAMETER without an event; another error when the
// system would not give a watch.
uint32_t NotifyAddrChange(Overlapped* overlapped);
// False when nothing was armed.
bool CancelIPChangeNotify(Overlapped* overlapped);

class AddrChangeBackend {
public:
    virtual ~AddrChangeBackend() = default;
    // A one-shot watch that sets event at the next change, or null with *error set.
    virtual std::shared_ptr<AddrChangeWatch> Arm(Event* event, uint32_t* error) = 0;
};

std::shared_ptr<AddrChangeBackend> MakeSystemAddrChange();
// Null restores the system's own.
void SetAddrChangeBackend(std::shared_ptr<AddrChangeBackend> backend);

// A backend for tests: Fire() signals every armed watch once, as a real change would.
class FakeAddrChange : public AddrChangeBackend {
public:
    std::shared_ptr<AddrChangeWatch> Arm(Event* event, uint32_t* error) override;
    // Signals and disarms every watch armed now; returns how many there were.
    int Fire();
    int ArmedCount();
    int armCalls = 0;

private:
    class Watch;
    std::mutex mutex_;
    std::vector<std::weak_ptr<Watch>> watches_;
};

}  // namespace zplat
