#include "platform/process/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <mutex>
#include <thread>

#include "platform/process/command_line.h"

extern char** environ;

namespace zplat {

struct ProcessRecord {
    explicit ProcessRecord(pid_t id) : pid(id) {
#ifdef SYS_pidfd_open
        pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#endif
    }
    ~ProcessRecord();
    ProcessRecord(const ProcessRecord&) = delete;
    ProcessRecord& operator=(const ProcessRecord&) = delete;

    // Collects the child when it has ended; only under mutex.
    bool TryReapLocked(int options) {
        if (reaped) {
            return true;
        }
        int status = 0;
        pid_t r;
        do {
            r = waitpid(pid, &status, options);
        } while (r < 0 && errno == EINTR);
        if (r == pid) {
            reaped = true;
            exit_code = WIFEXITED(status)     ? static_cast<uint32_t>(WEXITSTATUS(status))
                        : WIFSIGNALED(status) ? 128u + static_cast<uint32_t>(WTERMSIG(status))
                                              : 0u;
            return true;
        }
        if (r < 0) {
            lost = true;  // someone else collected it, or it is not our child
        }
        return false;
    }

    const pid_t pid;
    int pidfd = -1;
    std::mutex mutex;
    bool reaped = false;
    bool lost = false;
    uint32_t exit_code = STILL_ACTIVE_PROCESS;
};

ProcessRecord::~ProcessRecord() {
    if (pidfd >= 0) {
        close(pidfd);
    }
    if (reaped || lost || TryReapLocked(WNOHANG) || lost) {
        return;
    }
    // Nobody holds the child any more and it still runs: collect it in the background when it
    // ends so it does not linger as a zombie. If no thread can be made it lingers until we exit.
    try {
        pid_t child = pid;
        std::thread([child] {
            while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (...) {
    }
}

namespace {

class SpawnFileActions {
public:
    SpawnFileActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnFileActions() {
        if (ok_) {
            posix_spawn_file_actions_destroy(&actions_);
        }
    }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;

    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &actions_; }
    void Check(int rc) { ok_ = ok_ && rc == 0; }

private:
    posix_spawn_file_actions_t actions_;
    bool ok_;
};

class SpawnAttributes {
public:
    explicit SpawnAttributes(bool newSession) {
        ok_ = posix_spawnattr_init(&attr_) == 0;
        if (!ok_) {
            return;
        }
        // A new program starts with default signal handling and nothing blocked, whatever this
        // process has set up for itself.
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
        if (newSession) {
            flags |= POSIX_SPAWN_SETSID;
        }
        ok_ = posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
              posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
              posix_spawnattr_setflags(&attr_, flags) == 0;
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attr_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    bool ok() const { return ok_; }
    const posix_spawnattr_t* get() const { return &attr_; }

private:
    posix_spawnattr_t attr_;
    bool ok_;
};

pid_t Spawn(const std::string& executable, const std::vector<std::string>& argv,
            SpawnFileActions& actions, const SpawnAttributes& attributes) {
    if (!actions.ok() || !attributes.ok() || argv.empty()) {
        return -1;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, executable.c_str(), actions.get(), attributes.get(), args.data(),
                    environ) != 0) {
        return -1;
    }
    return pid;
}

}  // namespace

bool CreateProcess(const char* commandLine, bool inheritHandles, uint32_t /*creationFlags*/,
                   const char* currentDirectory, const StartupInfo& startup,
                   ProcessInformation* info) {
    if (commandLine == nullptr || info == nullptr) {
        return false;
    }
    std::optional<ResolvedCommand> command =
        ResolveCommandLine(commandLine, SystemExecutableProbe());
    if (!command) {
        return false;
    }
    // The program was found from this process's directory; the child's own directory must not
    // change what runs.
    if (currentDirectory != nullptr && command->executable.front() != '/') {
        command->executable = GetCurrentDirectory() + "/" + command->executable;
    }

    SpawnFileActions actions;
    if ((startup.flags & STARTF_USESTDHANDLES) != 0) {
        const FileHandle handles[3] = {startup.stdInput, startup.stdOutput, startup.stdError};
        for (int target = 0; target < 3; ++target) {
            if (handles[target] != INVALID_FILE_HANDLE && handles[target] != target) {
                actions.Check(
                    posix_spawn_file_actions_adddup2(actions.get(), handles[target], target));
            }
        }
    }
    if (!inheritHandles) {
        actions.Check(posix_spawn_file_actions_addclosefrom_np(actions.get(), 3));
    }
    if (currentDirectory != nullptr) {
        actions.Check(posix_spawn_file_actions_addchdir_np(actions.get(), currentDirectory));
    }
    SpawnAttributes attributes(/*newSession=*/false);

    pid_t pid = Spawn(command->executable, command->argv, actions, attributes);
    if (pid <= 0) {
        return false;
    }
    auto record = std::make_shared<ProcessRecord>(pid);
    info->process = record;
    info->thread = record;
    info->processId = static_cast<uint32_t>(pid);
    info->threadId = static_cast<uint32_t>(pid);  // a process's first thread has its id
    return true;
}

bool CreateDetachedProcess(const std::string& executable, const std::vector<std::string>& argv) {
    SpawnFileActions actions;
    actions.Check(posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0));
    actions.Check(posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0));
    actions.Check(posix_spawn_file_actions_addclosefrom_np(actions.get(), 3));
    SpawnAttributes attributes(/*newSession=*/true);
    pid_t pid = Spawn(executable, argv, actions, attributes);
    if (pid <= 0) {
        return false;
    }
    // Dropping the only handle hands the child to the background collector.
    std::make_shared<ProcessRecord>(pid);
    return true;
}

uint32_t WaitForProcess(const ProcessHandle& process, uint32_t timeoutMs) {
    if (!process) {
        return WAIT_FAILED;
    }
    {
        std::lock_guard<std::mutex> lock(process->mutex);
        if (process->reaped) {
            return WAIT_OBJECT_0;
        }
        if (process->lost) {
            return WAIT_FAILED;
        }
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto remaining = [&]() -> int {
        if (timeoutMs == INFINITE) {
            return -1;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        return left.count() <= 0 ? 0 : static_cast<int>(std::min<int64_t>(left.count(), INT_MAX));
    };

    while (true) {
        {
            std::lock_guard<std::mutex> lock(process->mutex);
            if (process->TryReapLocked(WNOHANG)) {
                return WAIT_OBJECT_0;
            }
            if (process->lost) {
                return WAIT_FAILED;
            }
        }
        int wait = remaining();
        if (wait == 0) {
            return WAIT_TIMEOUT;
        }
        if (process->pidfd >= 0) {
            // Readable once the child has ended.
            struct pollfd pfd = {process->pidfd, POLLIN, 0};
            int rc = poll(&pfd, 1, wait);
            if (rc < 0 && errno != EINTR) {
                return WAIT_FAILED;
            }
        } else {
            // Without process descriptors: look again every few milliseconds.
            std::this_thread::sleep_for(
                std::chrono::milliseconds(wait < 0 ? 5 : std::min(wait, 5)));
        }
    }
}

bool GetExitCodeProcess(const ProcessHandle& process, uint32_t* exitCode) {
    if (!process || exitCode == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(process->mutex);
    process->TryReapLocked(WNOHANG);
    *exitCode = process->exit_code;
    return true;
}

std::string GetCurrentDirectory() {
    std::vector<char> buffer(256);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool CreatePipe(FileHandle* readEnd, FileHandle* writeEnd) {
    if (readEnd == nullptr || writeEnd == nullptr) {
        return false;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    *readEnd = fds[0];
    *writeEnd = fds[1];
    return true;
}

bool PeekNamedPipe(FileHandle pipe, uint32_t* available) {
    int count = 0;
    if (pipe < 0 || available == nullptr || ioctl(pipe, FIONREAD, &count) != 0 || count < 0) {
        return false;
    }
    *available = static_cast<uint32_t>(count);
    return true;
}

bool ReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* bytesRead) {
    if (file < 0 || bytesRead == nullptr || (buffer == nullptr && size != 0)) {
        return false;
    }
    ssize_t n;
    do {
        n = read(file, buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            *bytesRead = 0;
            return true;
        }
        return false;
    }
    *bytesRead = static_cast<uint32_t>(n);
    return true;
}

bool CloseHandle(FileHandle file) {
    return file >= 0 && close(file) == 0;
}

}  // namespace zplat
