#include "catalogue/process_launcher.h"

namespace {

std::optional<std::string> CopyOf(const char* text) {
    return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

// The desktop a child is placed on when it is to be seen by the signed-in user.
constexpr const char kInteractiveDesktop[] = "WinSta0\\Default";

}  // namespace

ZProcessLauncher::ZProcessLauncher() {
    startup_.showWindow = zplat::SW_SHOWDEFAULT;
}

ZProcessLauncher::ZProcessLauncher(const char* application, const char* commandLine,
                                   const char* directory, bool interactiveDesktop)
    : application_(CopyOf(application)),
      command_line_(CopyOf(commandLine)),
      directory_(CopyOf(directory)),
      interactive_desktop_(interactiveDesktop) {
    startup_.showWindow = zplat::SW_SHOWDEFAULT;
}

ZProcessLauncher::~ZProcessLauncher() {
    ClosePipe();
}

void ZProcessLauncher::SetCommand(const char* application, const char* commandLine,
                                  const char* directory, bool interactiveDesktop,
                                  bool useDirectory) {
    application_ = CopyOf(application);
    command_line_ = CopyOf(commandLine);
    directory_ = CopyOf(directory);
    interactive_desktop_ = interactiveDesktop;
    use_directory_ = useDirectory;
}

void ZProcessLauncher::SetShowWindow(int16_t showCommand) {
    startup_.showWindow = showCommand;
}

bool ZProcessLauncher::CaptureOutput() {
    ClosePipe();
    return zplat::CreatePipe(&output_read_, &output_write_);
}

void ZProcessLauncher::ClosePipe() {
    if (output_read_ != zplat::INVALID_FILE_HANDLE) {
        zplat::CloseHandle(output_read_);
        output_read_ = zplat::INVALID_FILE_HANDLE;
    }
    if (output_write_ != zplat::INVALID_FILE_HANDLE) {
        zplat::CloseHandle(output_write_);
        output_write_ = zplat::INVALID_FILE_HANDLE;
    }
}

int ZProcessLauncher::Launch(uint32_t creationFlags, bool inheritHandles) {
    // The thread handle of an earlier launch goes too: keeping it until the destructor would hold
    // one handle per launch for the launcher's whole life.
    process_info_ = zplat::ProcessInformation();
    if (!command_line_) {
        return kNoCommandLine;
    }

    zplat::StartupInfo startup;
    startup.desktop = interactive_desktop_ ? kInteractiveDesktop : nullptr;
    startup.flags = zplat::STARTF_USESHOWWINDOW;
    startup.showWindow = startup_.showWindow;
    if (output_write_ != zplat::INVALID_FILE_HANDLE) {
        startup.flags |= zplat::STARTF_USESTDHANDLES;
        startup.stdInput = 0;  // the launcher's own standard input
        startup.stdOutput = output_write_;
        startup.stdError = output_write_;
    }

    const char* directory = use_directory_ && directory_ ? directory_->c_str() : nullptr;
    if (!zplat::CreateProcess(command_line_->c_str(), inheritHandles, creationFlags, directory,
                              startup, &process_info_)) {
        return kLaunchFailed;
    }
    return kSuccess;
}

int ZProcessLauncher::WaitForExit(uint32_t timeoutMs) {
    if (!process_info_.process) {
        return kNoProcess;
    }
    switch (zplat::WaitForProcess(process_info_.process, timeoutMs)) {
        case zplat::WAIT_OBJECT_0:
            process_info_.process.reset();
            process_info_.processId = 0;
            return kSuccess;
        case zplat::WAIT_TIMEOUT:
            return kTimeout;
        default:
            return kWaitFailed;
    }
}

bool ZProcessLauncher::ReadOutput(char** buffer, uint32_t* size) {
    if (output_read_ == zplat::INVALID_FILE_HANDLE || buffer == nullptr || size == nullptr) {
        return false;
    }
    uint32_t available = 0;
    if (!zplat::PeekNamedPipe(output_read_, &available) || available == 0) {
        return false;
    }
    std::unique_ptr<char[]> data(new char[available]);
    uint32_t read = 0;
    if (!zplat::ReadFile(output_read_, data.get(), available, &read) || read == 0) {
        *buffer = nullptr;
        return false;
    }
    *buffer = data.release();
    *size = read;
    return true;
}
