#pragma once
// Millisecond tick and sleep.

#include <cstdint>

namespace zplat {

// Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick it replaces.
uint32_t GetTickCount();
void Sleep(uint32_t milliseconds);

}  // namespace zplat
