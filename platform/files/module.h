#pragma once
// The file a module was loaded from, in the shape of GetModuleFileNameA.
//
//   char path[1024];
//   uint32_t n = zplat::GetModuleFileNameA(nullptr, path, sizeof path);
//   if (n == 0 || n == sizeof path) { /* unknown, or cut to fit */ }
//
// Ownership: the caller owns the buffer. Safe from any thread.

#include <cstdint>
#include <string_view>

#include "platform/files/string_resources.h"  // HMODULE, GetModuleHandleA

namespace zplat {

// Copies the full path of module's file into buffer; a null module, or the handle
// GetModuleHandleA(nullptr) returns, is the running program. Returns the length of the path
// without its NUL. A path that does not fit is cut to size - 1 characters, still terminated, and
// the result is then size. 0 when the module is unknown, the path cannot be read, or size is 0.
uint32_t GetModuleFileNameA(HMODULE module, char* buffer, uint32_t size);

// The copying rule of GetModuleFileNameA over a known path.
uint32_t CopyModuleFileName(std::string_view path, char* buffer, uint32_t size);

}  // namespace zplat
