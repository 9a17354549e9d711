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

// Not a Windows call: whether the program at path was installed for the whole machine under the
// system's folder for programs (Program Files, either of its two on 64-bit Windows), whose
// folders belong to the system even where the user may write into them. Always false on
// systems without such a folder.
bool IsInProgramFilesFolder(const char* path);

// Whether path names something inside folder (at any depth): compared without regard to ASCII
// letter case, "\\" and "/" alike, folder with or without its last separator. False for folder
// itself and for empty texts.
bool IsPathInFolder(std::string_view path, std::string_view folder);

}  // namespace zplat
