#include "platform/threading/clock.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

uint32_t GetTickCount() {
    return static_cast<uint32_t>(::GetTickCount64());
}

void Sleep(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

}  // namespace zplat
