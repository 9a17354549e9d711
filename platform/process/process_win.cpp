// Child processes through CreateProcessA with a STARTUPINFOA: the system reads the command line
// itself (an unquoted path with spaces is resolved by the system), the show command and flags
// pass through, and the child's handles are the system's own.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/process/process.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

struct ProcessRecord {
    HANDLE handle = nullptr;
    ~ProcessRecord() {
        if (handle != nullptr) {
            ::CloseHandle(handle);
        }
    }
};

namespace {

HANDLE Native(FileHandle h) {
    return reinterpret_cast<HANDLE>(h);
}

ProcessHandle Hold(HANDLE handle) {
    auto record = std::make_shared<ProcessRecord>();
    record->handle = handle;
    return record;
}

}  // namespace

bool CreateProcess(const char* commandLine, bool inheritHandles, uint32_t creationFlags,
                   const char* currentDirectory, const StartupInfo& startup,
                   ProcessInformation* info) {
    if (commandLine == nullptr || info == nullptr) {
        return false;
    }
    STARTUPINFOA native{};
    native.cb = sizeof native;
    native.lpDesktop = const_cast<char*>(startup.desktop);
    native.lpTitle = const_cast<char*>(startup.title);
    native.dwFlags = startup.flags;
    native.wShowWindow = static_cast<WORD>(startup.showWindow);
    if ((startup.flags & STARTF_USESTDHANDLES) != 0) {
        native.hStdInput = startup.stdInput != INVALID_FILE_HANDLE
                               ? Native(startup.stdInput)
                               : ::GetStdHandle(STD_INPUT_HANDLE);
        native.hStdOutput = startup.stdOutput != INVALID_FILE_HANDLE
                                ? Native(startup.stdOutput)
                                : ::GetStdHandle(STD_OUTPUT_HANDLE);
        native.hStdError = startup.stdError != INVALID_FILE_HANDLE
                               ? Native(startup.stdError)
                               : ::GetStdHandle(STD_ERROR_HANDLE);
    }
    // CreateProcessA may write into the command line it is given.
    std::vector<char> line(commandLine, commandLine + std::char_traits<char>::length(commandLine));
    line.push_back('\0');
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE,
                          creationFlags, nullptr, currentDirectory, &native, &started)) {
        return false;
    }
    info->process = Hold(started.hProcess);
    info->thread = Hold(started.hThread);
    info->processId = started.dwProcessId;
    info->threadId = started.dwThreadId;
    return true;
}

bool CreateDetachedProcess(const std::string& executable, const std::vector<std::string>& argv) {
    std::string line = "\"" + executable + "\"";
    for (size_t i = 1; i < argv.size(); ++i) {
        line += " \"" + argv[i] + "\"";
    }
    StartupInfo startup;
    ProcessInformation info;
    return CreateProcess(line.c_str(), false, DETACHED_PROCESS, nullptr, startup, &info);
}

uint32_t WaitForProcess(const ProcessHandle& process, uint32_t timeoutMs) {
    if (!process) {
        return WAIT_FAILED;
    }
    DWORD r = ::WaitForSingleObject(process->handle, timeoutMs);
    return r == WAIT_OBJECT_0 ? WAIT_OBJECT_0 : (r == WAIT_TIMEOUT ? WAIT_TIMEOUT : WAIT_FAILED);
}

bool GetExitCodeProcess(const ProcessHandle& process, uint32_t* exitCode) {
    if (!process || exitCode == nullptr) {
        return false;
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(process->handle, &code)) {
        return false;
    }
    *exitCode = code;
    return true;
}

std::string GetCurrentDirectory() {
    char buffer[MAX_PATH + 1] = {};
    DWORD n = ::GetCurrentDirectoryA(sizeof buffer, buffer);
    if (n == 0 || n >= sizeof buffer) {
        return std::string();
    }
    return std::string(buffer, n);
}

bool CreatePipe(FileHandle* readEnd, FileHandle* writeEnd) {
    if (readEnd == nullptr || writeEnd == nullptr) {
        return false;
    }
    // Inheritable, as CreateProcess hands the child the ends it names; the read end is this
    // process's own.
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.bInheritHandle = TRUE;
    HANDLE r = nullptr, w = nullptr;
    if (!::CreatePipe(&r, &w, &security, 0)) {
        return false;
    }
    ::SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
    *readEnd = reinterpret_cast<FileHandle>(r);
    *writeEnd = reinterpret_cast<FileHandle>(w);
    return true;
}

bool PeekNamedPipe(FileHandle pipe, uint32_t* available) {
    DWORD count = 0;
    if (pipe == INVALID_FILE_HANDLE || available == nullptr ||
        !::PeekNamedPipe(Native(pipe), nullptr, 0, nullptr, &count, nullptr)) {
        return false;
    }
    *available = count;
    return true;
}

bool ReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* bytesRead) {
    if (file == INVALID_FILE_HANDLE || bytesRead == nullptr || (buffer == nullptr && size != 0)) {
        return false;
    }
    // The read end of a pipe never blocks here: read only what waits.
    DWORD waiting = 0;
    if (::GetFileType(Native(file)) == FILE_TYPE_PIPE) {
        if (!::PeekNamedPipe(Native(file), nullptr, 0, nullptr, &waiting, nullptr)) {
            // The writer has gone and nothing is left.
            *bytesRead = 0;
            return ::GetLastError() == ERROR_BROKEN_PIPE;
        }
        if (waiting == 0) {
            *bytesRead = 0;
            return true;
        }
        size = std::min<uint32_t>(size, waiting);
    }
    DWORD n = 0;
    if (!::ReadFile(Native(file), buffer, size, &n, nullptr)) {
        return false;
    }
    *bytesRead = n;
    return true;
}

bool CloseHandle(FileHandle file) {
    return file != INVALID_FILE_HANDLE && ::CloseHandle(Native(file)) != FALSE;
}

}  // namespace zplat
