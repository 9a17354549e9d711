#pragma once
// How much memory this process holds, for the figures that benchmarks and `zunit scan --stats`
// print.
//
//   uint64_t peak = zplat::PeakResidentKiB();   // 0 when the system cannot say
//   uint64_t before = zplat::HeapInUseBytes(); ...; uint64_t cost = zplat::HeapInUseBytes() -
//   before;
//
// POSIX reads getrusage's ru_maxrss (KiB on Linux) and the C library's heap statistics
// (mallinfo2); a Windows face reads the process's peak working set (GetProcessMemoryInfo) and
// walks the busy blocks of every heap of the process (the C runtime's among them).

#include <cstdint>

namespace zplat {

// The most memory this process has held resident at one time, in KiB; 0 when unknown.
uint64_t PeakResidentKiB();
// Bytes of the heap handed out and not yet freed, the allocator's own bookkeeping of each block
// included; 0 when unknown.
uint64_t HeapInUseBytes();

}  // namespace zplat
