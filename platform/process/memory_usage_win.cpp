// Memory figures on Windows: the peak working set (GetProcessMemoryInfo) and the busy blocks of
// the process heap (HeapWalk).

#include "platform/process/memory_usage.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

#include <psapi.h>

namespace zplat {

uint64_t PeakResidentKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) {
        return 0;
    }
    return counters.PeakWorkingSetSize / 1024;
}

uint64_t HeapInUseBytes() {
    HANDLE heap = ::GetProcessHeap();
    if (heap == nullptr || !::HeapLock(heap)) {
        return 0;
    }
    uint64_t bytes = 0;
    PROCESS_HEAP_ENTRY entry{};
    while (::HeapWalk(heap, &entry)) {
        if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
            bytes += entry.cbData + entry.cbOverhead;
        }
    }
    ::HeapUnlock(heap);
    return bytes;
}

}  // namespace zplat
