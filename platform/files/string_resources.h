#pragma once
// String resources: texts that the program looks up by (module, id), as the Windows resource
// loader does for a module's string table. There is no resource section to read here, so the
// program registers its texts once at start-up and every later lookup reads that table.
//
//   zplat::HMODULE self = zplat::GetModuleHandleA(nullptr);
//   zplat::RegisterStringResource(self, 1001, "Device Name");
//   char text[64];
//   uint32_t n = zplat::LoadStringA(self, 1001, text, sizeof text);  // 11, text "Device Name"
//
// Ownership: the table keeps its own copies of the texts; callers own their buffers. The table is
// process-wide and safe to use from several threads at once.

#include <cstdint>
#include <string_view>

namespace zplat {

// Opaque handle of a loaded module (the program itself or a library it loaded).
using HMODULE = void*;

// The handle of the program's own module when name is null; null for any named module, since
// the program loads no resource libraries of its own.
HMODULE GetModuleHandleA(const char* name);

// Adds or replaces the text of string resource id of the module. Texts are bytes; a NUL inside
// the text ends it as a loaded resource would.
void RegisterStringResource(HMODULE module, uint32_t id, std::string_view text);

// Forgets one resource, or every resource of every module (tests use this between cases).
void UnregisterStringResource(HMODULE module, uint32_t id);
void ClearStringResources();

// Copies string resource id of the module into buffer: at most room - 1 characters followed by a
// NUL. Returns the number of characters copied (without the NUL); 0 when the resource does not
// exist or is empty, when buffer is null or when room is not positive (then nothing is written).
int LoadStringA(HMODULE module, uint32_t id, char* buffer, int room);

}  // namespace zplat
