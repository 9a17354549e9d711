#pragma once
// How much memory this process holds, for the figures that benchmarks and `zunit scan --stats`
// print.
//
//   uint64_t peak = zplat::PeakResidentKiB();   // 0 when the system cannot say
//
// POSIX reads getrusage's ru_maxrss (KiB on Linux); a Windows face reads the process's peak
// working set (GetProcessMemoryInfo) and converts it to KiB.

#include <cstdint>

namespace zplat {

// The most memory this process has held resident at one time, in KiB; 0 when unknown.
uint64_t PeakResidentKiB();

}  // namespace zplat
