#pragma once
// ZProcessLauncher starts one child process from a command line and can wait for its end. Client
// applications are launched fire-and-forget; a hidden helper command can be run and waited for.
//
//   ZProcessLauncher launcher(nullptr, "/opt/client/run client", nullptr, false);
//   if (launcher.Launch(0, true) == ZProcessLauncher::kSuccess) {
//       int code = launcher.WaitForExit(5000);   // 0 ended, 1 still running (ask again later)
//   }
//
// Ownership: the launcher owns copies of its texts and the handles of its last launch, and releases
// them when destroyed; it never terminates or waits for the child, which keeps running on its own.
// ReadOutput hands back a buffer that the caller frees with delete[]. A launcher is used from one
// thread at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/process/process.h"

class ZProcessLauncher {
public:
    // Result codes of Launch and WaitForExit.
    static constexpr int kSuccess = 0;        // launched; or the process ended
    static constexpr int kTimeout = 1;        // still running when the wait ended
    static constexpr int kNoProcess = 2;      // nothing launched to wait for
    static constexpr int kLaunchFailed = 3;   // the process could not be created
    static constexpr int kNoCommandLine = 6;  // Launch without a command line
    static constexpr int kWaitFailed = 7;     // the wait itself failed

    ZProcessLauncher();
    ZProcessLauncher(const char* application, const char* commandLine, const char* directory,
                     bool interactiveDesktop);
    ~ZProcessLauncher();
    ZProcessLauncher(const ZProcessLauncher&) = delete;
    ZProcessLauncher& operator=(const ZProcessLauncher&) = delete;

    // Replaces the three texts (null clears one) and both flags. The application name is kept but
    // never used: the program is always taken from the command line.
    void SetCommand(const char* application, const char* commandLine, const char* directory,
                    bool interactiveDesktop, bool useDirectory);
    // The show command of the child's first window (SW_SHOWDEFAULT until set).
    void SetShowWindow(int16_t showCommand);

    // Sends the standard output and error of later launches into a pipe that ReadOutput reads.
    // False when the pipe cannot be made.
    bool CaptureOutput();

    int Launch(uint32_t creationFlags, bool inheritHandles);
    int WaitForExit(uint32_t timeoutMs);
    // What the child has written so far, without blocking: true with a new buffer and its size when
    // at least one byte was waiting. Without a pipe, or with nothing waiting, false and *buffer is
    // left as it was.
    bool ReadOutput(char** buffer, uint32_t* size);

private:
    void ClosePipe();

    std::optional<std::string> application_;
    std::optional<std::string> command_line_;
    std::optional<std::string> directory_;
    bool use_directory_ = false;
    bool interactive_desktop_ = false;
    zplat::StartupInfo startup_;
    zplat::ProcessInformation process_info_;
    zplat::FileHandle output_read_ = zplat::INVALID_FILE_HANDLE;
    zplat::FileHandle output_write_ = zplat::INVALID_FILE_HANDLE;
};
