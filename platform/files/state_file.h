#pragma once
// Files a program keeps its state in between runs: where they go by default, and how one is
// replaced so that a crash or a full disk leaves either the old file or the new one, never half
// of one.
//
//   std::string dir = zplat::UserStateDirectory();         // "/home/ann/.local/state"
//   std::string error;
//   bool ok = zplat::ReplaceFile(dir + "/zunit/state", [](std::FILE* f) {
//       return std::fputs("...", f) >= 0;
//   }, &error);
//
// ReplaceFile writes a temporary file beside the target (same folder, so the rename cannot cross
// file systems), flushes it to the disk, then renames it over the target; on failure the
// temporary is removed and the target is untouched. POSIX: fsync, rename(2), then an fsync of the
// folder; Windows: _commit and MoveFileEx with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
//
// No state; nothing owned beyond the call.

#include <cstdio>
#include <functional>
#include <string>

namespace zplat {

// The folder for this user's program state: $XDG_STATE_HOME, else ~/.local/state (POSIX);
// %LOCALAPPDATA% (Windows). "" when the system does not say.
std::string UserStateDirectory();

// Writes path through write (false from it, or a failed write, leaves the target as it was).
// False with a text naming the file in *error.
bool ReplaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write,
                 std::string* error);

// The faces' parts: this process's id (it names the temporary), the file flushed to the disk,
// and the temporary renamed over the target.
unsigned long CurrentProcessId();
bool SyncFile(std::FILE* file);
bool RenameOver(const std::string& from, const std::string& to);

}  // namespace zplat
