#pragma once
// Whether a standard stream is a terminal (a console window on Windows), so that a command line
// program draws live status lines there and plain lines into files and pipes.
//
//   bool live = zplat::IsTerminal(stdout);
//
// No state; safe from any thread.

#include <cstdio>

namespace zplat {

// True when stream writes to a terminal; false for files, pipes and a null stream.
bool IsTerminal(std::FILE* stream);

}  // namespace zplat
