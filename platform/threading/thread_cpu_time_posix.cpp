#include <time.h>

#include "platform/threading/thread_cpu_time.h"

namespace zplat {

namespace {

uint64_t ClockNs(clockid_t clock) {
    timespec t{};
    if (::clock_gettime(clock, &t) != 0) {
        return 0;
    }
    return static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
}

}  // namespace

uint64_t ThreadCpuTimeNs() {
    return ClockNs(CLOCK_THREAD_CPUTIME_ID);
}

uint64_t ProcessCpuTimeNs() {
    return ClockNs(CLOCK_PROCESS_CPUTIME_ID);
}

}  // namespace zplat
