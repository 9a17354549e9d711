#include "platform/threading/event.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

Event::Event(bool manualReset, bool initialState) : manual_reset_(manualReset) {
    handle_ =
        ::CreateEventA(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE, nullptr);
}

Event::~Event() {
    if (handle_ != nullptr) {
        ::CloseHandle(handle_);
    }
}

void Event::Set() {
    ::SetEvent(handle_);
}

void Event::Reset() {
    ::ResetEvent(handle_);
}

bool Event::IsSet() const {
    if (::WaitForSingleObject(handle_, 0) != WAIT_OBJECT_0) {
        return false;
    }
    // Testing an auto-reset event takes its signal: give it back.
    if (!manual_reset_) {
        ::SetEvent(handle_);
    }
    return true;
}

uint32_t Event::Wait(uint32_t timeoutMs) {
    return ::WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0 ? WAIT_OBJECT_0
                                                                      : WAIT_TIMEOUT;
}

}  // namespace zplat
