#include <time.h>

#include "platform/threading/thread_cpu_time.h"

namespace zplat {

uint64_t ThreadCpuTimeNs() {
    timespec t{};
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0) {
        return 0;
    }
    return static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
}

}  // namespace zplat
