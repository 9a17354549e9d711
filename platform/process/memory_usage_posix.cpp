#include <malloc.h>
#include <sys/resource.h>

#include "platform/process/memory_usage.h"

namespace zplat {

uint64_t PeakResidentKiB() {
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) != 0 || usage.ru_maxrss < 0) {
        return 0;
    }
    return static_cast<uint64_t>(usage.ru_maxrss);
}

uint64_t HeapInUseBytes() {
    const struct mallinfo2 info = ::mallinfo2();
    // Small blocks from the arenas and large ones mapped on their own.
    return static_cast<uint64_t>(info.uordblks) + static_cast<uint64_t>(info.hblkhd);
}

}  // namespace zplat
