#pragma once
// The program's version as the caption shows it: read from the version block of the executable
// file (platform/files/module_version.h) and turned into text. Both programs' --version print the
// same text (GetProgramVersionText), so it always agrees with the caption.
//
//   int major, minor, release, build;
//   char product[64];
//   if (GetModuleVersion(path, &major, &minor, &release, &build, product, sizeof product)) {
//       char text[128];
//       FormatVersion(major, minor, release, build, product, text, sizeof text, false);
//       // file version 7.1.0.0: "7.1.0"; 7.1.0.12 with product version 7.0.0: "7.1.0 7.0.0 12"
//   }
//
// Ownership: the caller owns every buffer. No state; safe from any thread.

#include <cstddef>

// Reads the version block of the file at path. The language and code page come from
// "\VarFileInfo\Translation" ("040904E4" when that is missing). FileVersion is read as
// "%d.%d.%d.%d" and the four numbers are stored only when at least three were read (a fourth that
// was not read is stored as 0); then ProductVersion is copied into productVersion, cut to
// productVersionSize - 1 characters. False when the file has no readable block or either text is
// missing. Null outputs are skipped.
bool GetModuleVersion(const char* path, int* major, int* minor, int* release, int* build,
                      char* productVersion, size_t productVersionSize);

// "%d.%d.%d" of the first three numbers when full is false and build is 0; otherwise
// "%d.%d.%d %s %d" with productVersion ("Undef" when null) and build. Cut to outSize - 1
// characters. Returns out.
char* FormatVersion(int major, int minor, int release, int build, const char* productVersion,
                    char* out, size_t outSize, bool full);

// The running program's version as the caption shows it: GetModuleVersion on the program's own
// file, then FormatVersion with full = false ("1.0.0" for file version 1.0.0.0). False, with out
// empty, when the path of the program or its version block cannot be read.
bool GetProgramVersionText(char* out, size_t outSize);
