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

// For window programs that print a text when asked (--help, --version): a Windows window program
// starts without standard output and error unless they were redirected, so when both go nowhere
// it takes over the console of the program that started it, if any, and points stdout and stderr
// there. Nothing happens elsewhere, or when either stream already goes somewhere.
void AttachParentConsole();

}  // namespace zplat
