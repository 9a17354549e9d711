#include "platform/threading/event.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>

namespace zplat {

Event::Event(bool manualReset, bool initialState)
    : manual_reset_(manualReset), signalled_(initialState) {
    fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::lock_guard<std::mutex> lock(mutex_);
    MirrorLocked();
}

Event::~Event() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

// Keeps the descriptor readable exactly while the event is signalled. Only called under mutex_.
void Event::MirrorLocked() {
    if (fd_ < 0 || fd_readable_ == signalled_) {
        return;
    }
    if (signalled_) {
        eventfd_write(fd_, 1);
    } else {
        eventfd_t drained;
        eventfd_read(fd_, &drained);
    }
    fd_readable_ = signalled_;
}

void Event::Set() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
        MirrorLocked();
    }
    if (manual_reset_) {
        cv_.notify_all();
    } else {
        cv_.notify_one();
    }
}

void Event::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
    MirrorLocked();
}

bool Event::IsSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return signalled_;
}

uint32_t Event::Wait(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto ready = [this] { return signalled_; };
    if (timeoutMs == INFINITE) {
        cv_.wait(lock, ready);
    } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
        return WAIT_TIMEOUT;
    }
    if (!manual_reset_) {
        signalled_ = false;
        MirrorLocked();
    }
    return WAIT_OBJECT_0;
}

}  // namespace zplat
