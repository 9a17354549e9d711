#include "platform/threading/thread_cpu_time.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

namespace {

uint64_t Ticks(const FILETIME& f) {
    return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

}  // namespace

uint64_t ThreadCpuTimeNs() {
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    return (Ticks(kernel) + Ticks(user)) * 100;  // FILETIME counts 100 ns
}

uint64_t ProcessCpuTimeNs() {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    return (Ticks(kernel) + Ticks(user)) * 100;
}

}  // namespace zplat
