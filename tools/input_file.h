#pragma once
// ZInputFile: reads a whole file that a command was given as input (a device file, an expected
// inventory). Only regular files are read, and only up to a size limit: a FIFO would block the
// command, a device such as /dev/zero or a huge sparse file would fill its memory, so those are
// refused with a message that says why.
//
//   std::string text, error;
//   if (!ZInputFile::Read(path, ZInputFile::kMaxBytes, &text, &error)) {
//       std::fprintf(stderr, "zunit simulate: %s\n", error.c_str());   // "x: is a FIFO, ..."
//   }
//
// Errors begin with the path. The file is checked before it is opened; a file that grows past
// the limit while it is read is refused all the same.
//
// No state, no ownership; no exception leaves Read.

#include <cstdint>
#include <string>

class ZInputFile {
public:
    // The limit the commands use: some 50,000 simulated devices, far more than any inventory,
    // and small enough that parsing it stays well inside a few hundred MiB.
    static constexpr uint64_t kMaxBytes = 16u << 20;

    static bool Read(const std::string& path, uint64_t maxBytes, std::string* text,
                     std::string* error);
};
