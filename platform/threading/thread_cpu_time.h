#pragma once
// The processor time the calling thread has used, for benchmarks that must tell a thread that
// was busy from one that was only waiting for a processor (on a loaded machine a runnable thread
// can wait tens of milliseconds for its turn).
//
//   uint64_t before = zplat::ThreadCpuTimeNs();
//   ... work ...
//   uint64_t used = zplat::ThreadCpuTimeNs() - before;
//
// POSIX reads CLOCK_THREAD_CPUTIME_ID (CLOCK_PROCESS_CPUTIME_ID); the Windows face adds the kernel
// and user times of GetThreadTimes (GetProcessTimes), in 100 ns units. Plain calls, no ownership.

#include <cstdint>

namespace zplat {

// Nanoseconds of processor time used by the calling thread so far; 0 when the system cannot say.
uint64_t ThreadCpuTimeNs();
// The same for the whole process, every thread together (std::clock cannot serve: on Windows it
// counts wall time).
uint64_t ProcessCpuTimeNs();

}  // namespace zplat
