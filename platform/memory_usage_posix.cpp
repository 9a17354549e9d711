#include <sys/resource.h>

#include "platform/memory_usage.h"

namespace zplat {

uint64_t PeakResidentKiB() {
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) != 0 || usage.ru_maxrss < 0) {
        return 0;
    }
    return static_cast<uint64_t>(usage.ru_maxrss);
}

}  // namespace zplat
