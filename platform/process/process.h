#pragma once
// Child processes in the shape of the calls the process launcher is written against: one command
// line string (read as process creation reads it, see command_line.h), a startup record, and a
// process handle to wait on. A child is executed directly, never through a shell.
//
//   zplat::StartupInfo startup;
//   startup.flags = zplat::STARTF_USESHOWWINDOW;
//   startup.showWindow = zplat::SW_SHOWDEFAULT;
//   zplat::ProcessInformation info;
//   if (zplat::CreateProcess("sleep 1", true, 0, nullptr, startup, &info)) {
//       zplat::WaitForProcess(info.process, 5000);   // WAIT_OBJECT_0 once it ended
//   }
//
// Handles: a ProcessHandle is shared; the child's record lives while any copy does. Dropping every
// copy of a child that has not been waited for leaves it running on its own (it is collected in the
// background when it ends), as closing the handles of a launched program does. FileHandle values
// are plain descriptors owned by whoever created them and released with CloseHandle.
//
// POSIX has no desktops, window show commands or console creation flags: CreateProcess accepts and
// ignores `desktop`, `title`, `showWindow` and creationFlags.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/threading/wait.h"

namespace zplat {

// Show commands of a program's first window.
inline constexpr int16_t SW_HIDE = 0;
inline constexpr int16_t SW_SHOWDEFAULT = 10;

// StartupInfo::flags.
inline constexpr uint32_t STARTF_USESHOWWINDOW = 0x00000001;
inline constexpr uint32_t STARTF_USESTDHANDLES = 0x00000100;

// The size the startup record declares (STARTUPINFOA on 32-bit Windows).
inline constexpr uint32_t STARTUPINFO_SIZE = 68;

// Exit code of a process that has not ended yet.
inline constexpr uint32_t STILL_ACTIVE_PROCESS = 259;

#ifdef _WIN32
using FileHandle = intptr_t;  // a HANDLE; INVALID_FILE_HANDLE is INVALID_HANDLE_VALUE
#else
using FileHandle = int;
#endif
inline constexpr FileHandle INVALID_FILE_HANDLE = -1;

struct ProcessRecord;
using ProcessHandle = std::shared_ptr<ProcessRecord>;

struct StartupInfo {
    uint32_t cb = STARTUPINFO_SIZE;
    const char* desktop = nullptr;
    const char* title = nullptr;
    uint32_t flags = 0;
    int16_t showWindow = 0;
    // Used only with STARTF_USESTDHANDLES; INVALID_FILE_HANDLE keeps the parent's stream.
    FileHandle stdInput = INVALID_FILE_HANDLE;
    FileHandle stdOutput = INVALID_FILE_HANDLE;
    FileHandle stdError = INVALID_FILE_HANDLE;
};

struct ProcessInformation {
    ProcessHandle process;
    ProcessHandle thread;  // the child's first thread: on POSIX another handle to the same child
    uint32_t processId = 0;
    uint32_t threadId = 0;
};

// Starts the program the command line names, with the parent's environment. inheritHandles false
// closes every descriptor above the standard three in the child; true passes on the descriptors
// that are not marked close-on-exec. currentDirectory null keeps the parent's. False (and info
// untouched) when the line names no existing executable or the child cannot be started.
bool CreateProcess(const char* commandLine, bool inheritHandles, uint32_t creationFlags,
                   const char* currentDirectory, const StartupInfo& startup,
                   ProcessInformation* info);

// Starts argv (argv[0] the program name, executable its path) in a session of its own with its
// standard input and output on /dev/null, and does not keep it: the child is collected in the
// background when it ends. For helpers such as the desktop's URL opener.
bool CreateDetachedProcess(const std::string& executable, const std::vector<std::string>& argv);

// WAIT_OBJECT_0 once the child has ended, WAIT_TIMEOUT after timeoutMs, WAIT_FAILED for a null
// handle or a child that can no longer be waited for.
uint32_t WaitForProcess(const ProcessHandle& process, uint32_t timeoutMs);

// The child's exit code once it ended (128 + signal number for a child killed by a signal),
// STILL_ACTIVE_PROCESS before. False for a null handle.
bool GetExitCodeProcess(const ProcessHandle& process, uint32_t* exitCode);

// The current working directory of this process ("" when it cannot be read).
std::string GetCurrentDirectory();

// An anonymous pipe; both ends close-on-exec (CreateProcess hands the child its own copies), the
// read end never blocks.
bool CreatePipe(FileHandle* readEnd, FileHandle* writeEnd);
// Bytes waiting in a pipe, without reading them.
bool PeekNamedPipe(FileHandle pipe, uint32_t* available);
// Reads at most size bytes; *bytesRead 0 and true when nothing is waiting.
bool ReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* bytesRead);
bool CloseHandle(FileHandle file);

}  // namespace zplat
