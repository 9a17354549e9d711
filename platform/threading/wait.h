#pragma once
// Shared constants of the platform layer's waits, with the values of the system calls they
// stand in for.

#include <cstdint>

namespace zplat {

inline constexpr uint32_t INFINITE = 0xFFFFFFFFu;

// Results of a wait on an event or a thread.
inline constexpr uint32_t WAIT_OBJECT_0 = 0;
inline constexpr uint32_t WAIT_TIMEOUT = 258;
inline constexpr uint32_t WAIT_FAILED = 0xFFFFFFFFu;

}  // namespace zplat
