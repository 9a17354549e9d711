#pragma once
// The desktop shell's "open": hand a URL (or a document) to whatever the user's desktop opens it
// with. On POSIX that is `xdg-open`, started detached and directly (never through a shell), so the
// call returns at once whatever the opened program does.
//
//   intptr_t r = zplat::ShellExecute(owner, "open", "http://10.0.0.5", nullptr,
//                                    zplat::GetCurrentDirectory().c_str(), zplat::SW_SHOWDEFAULT);
//   bool opened = r > 32;
//
// Tests replace the system backend with SetShellExecuteBackend so that no real browser starts; the
// backend is process-wide and called on the caller's thread. The request handed to it lives only
// during the call.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zplat {

// Results at or below 32 are failures, with the numbers the shell uses.
inline constexpr intptr_t SE_ERR_FNF = 2;       // no file or URL given
inline constexpr intptr_t SE_ERR_NOASSOC = 31;  // nothing on this machine opens it
// What the POSIX backend returns when the opener was started.
inline constexpr intptr_t SHELL_EXECUTE_STARTED = 42;

struct ShellExecuteRequest {
    void* ownerWindow = nullptr;
    std::string verb;  // "" when the caller passed none (the default verb, "open")
    std::string file;
    std::string parameters;
    std::string directory;
    int showCommand = 0;
};

using ShellExecuteBackend = std::function<intptr_t(const ShellExecuteRequest&)>;

// Installs backend in place of the system one and returns the one before; an empty function
// puts the system backend back.
ShellExecuteBackend SetShellExecuteBackend(ShellExecuteBackend backend);

// The system's own backend: xdg-open on POSIX (shell_posix.cpp), ShellExecuteA on Windows
// (shell_win.cpp).
intptr_t SystemShellExecute(const ShellExecuteRequest& request);

// Null texts count as empty. Returns what the backend returns (> 32 on success).
intptr_t ShellExecute(void* ownerWindow, const char* verb, const char* file, const char* parameters,
                      const char* directory, int showCommand);

// The opener's argument vector for a request the POSIX backend can carry out: the verb "open" (or
// none), a non-empty file that does not start with '-' (it would read as an option), and no
// parameters. nullopt otherwise.
std::optional<std::vector<std::string>> ShellOpenCommand(const ShellExecuteRequest& request);

}  // namespace zplat
