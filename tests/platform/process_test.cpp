#include "platform/process/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/process/executable_probe.h"
#include "platform/process/shell.h"
#include "platform/process/wine_prefix.h"

namespace {

// A scratch directory removed again at the end of the test.
class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/zplat-process-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }

    void Dir(const std::string& relative) const {
        std::filesystem::create_directories(path_ + "/" + relative);
    }
    void File(const std::string& relative, const std::string& text, mode_t mode = 0644) const {
        std::ofstream(path_ + "/" + relative) << text;
        chmod((path_ + "/" + relative).c_str(), mode);
    }

private:
    std::string path_;
};

// Prints each argument on a line of its own.
constexpr const char kEchoArgs[] = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done\n";

std::string ReadAll(zplat::FileHandle fd) {
    std::string text;
    char buffer[256];
    uint32_t n = 0;
    while (zplat::ReadFile(fd, buffer, sizeof buffer, &n) && n > 0) {
        text.append(buffer, n);
    }
    return text;
}

// Runs line with standard output in a pipe; the output once the child ended.
std::string RunAndCapture(const std::string& line, const char* directory = nullptr) {
    zplat::FileHandle readEnd, writeEnd;
    EXPECT_TRUE(zplat::CreatePipe(&readEnd, &writeEnd));
    zplat::StartupInfo startup;
    startup.flags = zplat::STARTF_USESTDHANDLES;
    startup.stdOutput = writeEnd;
    zplat::ProcessInformation info;
    bool started = zplat::CreateProcess(line.c_str(), false, 0, directory, startup, &info);
    zplat::CloseHandle(writeEnd);
    std::string text;
    if (started) {
        EXPECT_EQ(zplat::WaitForProcess(info.process, 10000), zplat::WAIT_OBJECT_0);
        text = ReadAll(readEnd);
    } else {
        text = "<not started>";
    }
    zplat::CloseHandle(readEnd);
    return text;
}

TEST(ProcessTest, UnquotedPathWithSpacesRunsTheFirstExistingProgramAndNoShell) {
    ScratchDir dir;
    dir.Dir("dir with space/run");  // a directory is never the program
    dir.File("dir with space/run me", kEchoArgs, 0755);
    std::string line = dir.path() + "/dir with space/run me \"a b\" $(id) ;x";
    EXPECT_EQ(RunAndCapture(line), "a b\n$(id)\n;x\n");
}

TEST(ProcessTest, QuotedPathAndWorkingDirectory) {
    ScratchDir dir;
    dir.Dir("work");
    dir.File("my tool", "#!/bin/sh\npwd\n", 0755);
    std::string line = "\"" + dir.path() + "/my tool\"";
    EXPECT_EQ(RunAndCapture(line, (dir.path() + "/work").c_str()), dir.path() + "/work\n");
}

TEST(ProcessTest, MissingOrNonExecutableProgramsAreNotStarted) {
    ScratchDir dir;
    dir.File("plain", "#!/bin/sh\n", 0644);
    zplat::StartupInfo startup;
    for (std::string line : {dir.path() + "/missing", dir.path() + "/plain", dir.path(),
                             std::string("no-such-program-here x"), std::string()}) {
        SCOPED_TRACE(line);
        zplat::ProcessInformation info;
        EXPECT_FALSE(zplat::CreateProcess(line.c_str(), false, 0, nullptr, startup, &info));
        EXPECT_FALSE(info.process);
    }
}

TEST(ProcessTest, WaitTimesOutThenReportsTheEndAndExitCode) {
    zplat::StartupInfo startup;
    zplat::ProcessInformation info;
    ASSERT_TRUE(
        zplat::CreateProcess("sh -c \"sleep 0.3; exit 4\"", false, 0, nullptr, startup, &info));
    EXPECT_NE(info.processId, 0u);
    uint32_t code = 0;
    EXPECT_EQ(zplat::WaitForProcess(info.process, 20), zplat::WAIT_TIMEOUT);
    EXPECT_TRUE(zplat::GetExitCodeProcess(info.process, &code));
    EXPECT_EQ(code, zplat::STILL_ACTIVE_PROCESS);
    EXPECT_EQ(zplat::WaitForProcess(info.process, 10000), zplat::WAIT_OBJECT_0);
    EXPECT_EQ(zplat::WaitForProcess(info.thread, 0), zplat::WAIT_OBJECT_0);
    EXPECT_TRUE(zplat::GetExitCodeProcess(info.process, &code));
    EXPECT_EQ(code, 4u);
    EXPECT_EQ(zplat::WaitForProcess(nullptr, 0), zplat::WAIT_FAILED);
}

TEST(ProcessTest, PipeNeverBlocks) {
    zplat::FileHandle readEnd, writeEnd;
    ASSERT_TRUE(zplat::CreatePipe(&readEnd, &writeEnd));
    uint32_t available = 99, n = 99;
    char buffer[8];
    EXPECT_TRUE(zplat::PeekNamedPipe(readEnd, &available));
    EXPECT_EQ(available, 0u);
    EXPECT_TRUE(zplat::ReadFile(readEnd, buffer, sizeof buffer, &n));
    EXPECT_EQ(n, 0u);
    ASSERT_EQ(write(writeEnd, "abc", 3), 3);
    EXPECT_TRUE(zplat::PeekNamedPipe(readEnd, &available));
    EXPECT_EQ(available, 3u);
    EXPECT_TRUE(zplat::CloseHandle(readEnd));
    EXPECT_TRUE(zplat::CloseHandle(writeEnd));
    EXPECT_FALSE(zplat::PeekNamedPipe(-1, &available));
}

TEST(WinePrefixTest, DriveLetterPathsMapIntoThePrefixIgnoringCase) {
    ScratchDir prefix;
    prefix.Dir("drive_c/Program Files/Zelvane");
    prefix.File("drive_c/Program Files/Zelvane/Client.exe", "MZ");
    const std::string host = prefix.path() + "/drive_c/Program Files/Zelvane/Client.exe";

    EXPECT_EQ(zplat::WindowsPathToHost(prefix.path(), "C:\\Program Files\\Zelvane\\Client.exe"),
              host);
    EXPECT_EQ(zplat::WindowsPathToHost(prefix.path(), "c:\\PROGRAM FILES\\zelvane\\client.EXE"),
              host);
    EXPECT_EQ(zplat::WindowsPathToHost(prefix.path(), "C:/Program Files/Zelvane/Client.exe"), host);
    EXPECT_EQ(zplat::WindowsPathToHost(prefix.path(), "C:\\Program Files\\Zelvane\\Other.exe"), "");
    EXPECT_EQ(zplat::WindowsPathToHost(prefix.path(), "C:\\Program Files\\..\\..\\x"), "");
    EXPECT_EQ(zplat::WindowsPathToHost(prefix.path(), "D:\\Client.exe"), "");
    EXPECT_EQ(zplat::WindowsPathToHost(prefix.path(), "Program Files\\Client.exe"), "");
    EXPECT_TRUE(zplat::IsDriveLetterPath("z:/a"));
    EXPECT_FALSE(zplat::IsDriveLetterPath("1:\\a"));
    EXPECT_FALSE(zplat::IsDriveLetterPath("C:"));
}

TEST(ShellTest, OpenBuildsTheOpenerArgumentsAndTheBackendCanBeReplaced) {
    zplat::ShellExecuteRequest request;
    request.verb = "open";
    request.file = "http://10.0.0.5";
    EXPECT_EQ(zplat::ShellOpenCommand(request),
              (std::vector<std::string>{"xdg-open", "http://10.0.0.5"}));
    request.file = "--help";
    EXPECT_FALSE(zplat::ShellOpenCommand(request).has_value());
    request.file = "http://x";
    request.verb = "print";
    EXPECT_FALSE(zplat::ShellOpenCommand(request).has_value());

    // The system backend refuses these before starting anything.
    EXPECT_EQ(zplat::ShellExecute(nullptr, "open", "", nullptr, nullptr, 10), zplat::SE_ERR_FNF);
    EXPECT_EQ(zplat::ShellExecute(nullptr, "edit", "x", nullptr, nullptr, 10),
              zplat::SE_ERR_NOASSOC);

    std::vector<zplat::ShellExecuteRequest> seen;
    auto previous = zplat::SetShellExecuteBackend([&](const zplat::ShellExecuteRequest& r) {
        seen.push_back(r);
        return intptr_t{33};
    });
    int owner = 0;
    EXPECT_EQ(zplat::ShellExecute(&owner, "open", "http://10.0.0.5", nullptr, "/tmp", 10), 33);
    zplat::SetShellExecuteBackend(previous);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].ownerWindow, &owner);
    EXPECT_EQ(seen[0].file, "http://10.0.0.5");
    EXPECT_EQ(seen[0].directory, "/tmp");
    EXPECT_EQ(seen[0].showCommand, 10);
}

}  // namespace
