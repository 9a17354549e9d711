#include "platform/threading/thread_cpu_time.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

uint64_t ThreadCpuTimeNs() {
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    auto ticks = [](const FILETIME& f) {
        return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) * 100;  // FILETIME counts 100 ns
}

}  // namespace zplat
