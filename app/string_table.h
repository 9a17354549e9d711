#pragma once
// The finder's string resources: the titles of the list's header sections, loaded by id with
// zplat::LoadStringA. The program registers them once at start-up, before its window is made.
//
//   RegisterStringTable();
//   char text[64];
//   zplat::LoadStringA(zplat::GetModuleHandleA(nullptr), kStrDeviceName, text, sizeof text);
//
// Ownership: the resource table keeps its own copies of the texts.

#include <cstdint>

inline constexpr uint32_t kStrDeviceName = 1001;
inline constexpr uint32_t kStrTypeModel = 1002;
inline constexpr uint32_t kStrAddress = 1003;
inline constexpr uint32_t kStrDescription = 1004;

// Registers every text of the table under the program's own module handle.
void RegisterStringTable();
