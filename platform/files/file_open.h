#pragma once
// Opening a file by a UTF-8 path, in the shape of fopen. Paths from the window toolkit's file
// dialogs are UTF-8; POSIX takes them as they are, Windows through its wide-character call, so a
// name in any script opens on both.
//
//   std::FILE* file = zplat::OpenFile("/home/op/Bühne.csv", "w");
//   if (file == nullptr) { /* errno says why */ }
//   std::fclose(file);
//
// Ownership: the caller owns the FILE and closes it with fclose. Safe from any thread.

#include <cstdio>

namespace zplat {

// The file at path (UTF-8) opened with fopen's mode; null, with errno set, when it cannot be.
std::FILE* OpenFile(const char* path, const char* mode);

}  // namespace zplat
