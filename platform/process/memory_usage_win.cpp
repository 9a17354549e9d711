// Memory figures on Windows: the peak working set (GetProcessMemoryInfo) and the busy blocks of
// every heap of the process (HeapWalk over GetProcessHeaps). The C runtime's malloc and new do not
// allocate from the process heap alone: MinGW's runtime (msvcrt) keeps a heap of its own, so
// walking the process heap only would miss nearly all of the program's memory.

#include "platform/process/memory_usage.h"

#include <vector>

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

#include <psapi.h>

namespace zplat {

namespace {

// Bytes of one heap's busy blocks, their bookkeeping included; 0 when it cannot be walked.
uint64_t BusyBytesOf(HANDLE heap) {
    if (!::HeapLock(heap)) {
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

}  // namespace

uint64_t PeakResidentKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) {
        return 0;
    }
    return counters.PeakWorkingSetSize / 1024;
}

uint64_t HeapInUseBytes() {
    // The list is read before it is walked; a heap made in between is left out.
    std::vector<HANDLE> heaps(16);
    for (;;) {
        const DWORD count = ::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
        if (count == 0) {
            return 0;
        }
        if (count <= heaps.size()) {
            heaps.resize(count);
            break;
        }
        heaps.resize(count);
    }
    uint64_t bytes = 0;
    for (HANDLE heap : heaps) {
        bytes += BusyBytesOf(heap);
    }
    return bytes;
}

}  // namespace zplat
