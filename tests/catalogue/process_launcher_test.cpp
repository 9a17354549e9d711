#include "catalogue/process_launcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

TEST(ProcessLauncherTest, NothingToLaunchOrWaitFor) {
    ZProcessLauncher empty;
    EXPECT_EQ(empty.WaitForExit(0), ZProcessLauncher::kNoProcess);
    EXPECT_EQ(empty.Launch(0, true), ZProcessLauncher::kNoCommandLine);
    EXPECT_EQ(empty.WaitForExit(0), ZProcessLauncher::kNoProcess);

    // Clearing the command line of a used launcher counts the same.
    ZProcessLauncher cleared(nullptr, "true", nullptr, false);
    cleared.SetCommand("app", nullptr, nullptr, false, false);
    EXPECT_EQ(cleared.Launch(0, true), ZProcessLauncher::kNoCommandLine);
}

TEST(ProcessLauncherTest, ChildLongerThanTheTimeOutCanBeWaitedForAgain) {
    ZProcessLauncher launcher(nullptr, "sleep 0.3", nullptr, false);
    ASSERT_EQ(launcher.Launch(0, true), ZProcessLauncher::kSuccess);
    auto before = Clock::now();
    EXPECT_EQ(launcher.WaitForExit(20), ZProcessLauncher::kTimeout);
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(250));
    EXPECT_EQ(launcher.WaitForExit(10000), ZProcessLauncher::kSuccess);
    // The ended process's handle is released: there is nothing left to wait for.
    EXPECT_EQ(launcher.WaitForExit(0), ZProcessLauncher::kNoProcess);
    // The launcher can be used again.
    ASSERT_EQ(launcher.Launch(0, false), ZProcessLauncher::kSuccess);
    EXPECT_EQ(launcher.WaitForExit(10000), ZProcessLauncher::kSuccess);
}

TEST(ProcessLauncherTest, MissingExecutableFailsToLaunch) {
    for (const char* line : {"/nonexistent/zunit-client", "/tmp", "no-such-zunit-client /x"}) {
        SCOPED_TRACE(line);
        ZProcessLauncher launcher(nullptr, line, nullptr, false);
        EXPECT_EQ(launcher.Launch(0, true), ZProcessLauncher::kLaunchFailed);
        EXPECT_EQ(launcher.WaitForExit(0), ZProcessLauncher::kNoProcess);
    }
}

class ProcessLauncherOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zlauncher-XXXXXX";
        dir_ = mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Script(const std::string& relative, const std::string& body) {
        std::string path = dir_ + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << "#!/bin/sh\n" << body;
        chmod(path.c_str(), 0755);
        return path;
    }

    // Everything the child wrote, read without blocking until it ended.
    static std::string Drain(ZProcessLauncher& launcher) {
        std::string text;
        int code = ZProcessLauncher::kTimeout;
        while (code == ZProcessLauncher::kTimeout) {
            code = launcher.WaitForExit(10);
            char* buffer = nullptr;
            uint32_t size = 0;
            while (launcher.ReadOutput(&buffer, &size)) {
                text.append(buffer, size);
                delete[] buffer;
            }
        }
        EXPECT_EQ(code, ZProcessLauncher::kSuccess);
        return text;
    }

    std::string dir_;
};

TEST_F(ProcessLauncherOutputTest, UnquotedPathWithSpacesIsResolvedLikeProcessCreation) {
    Script("my clients/run client", "for a in \"$@\"; do printf '[%s]' \"$a\"; done\n");
    ZProcessLauncher launcher(nullptr, (dir_ + "/my clients/run client -x \"a b\" ;ls").c_str(),
                              nullptr, false);
    ASSERT_TRUE(launcher.CaptureOutput());
    ASSERT_EQ(launcher.Launch(0, true), ZProcessLauncher::kSuccess);
    EXPECT_EQ(Drain(launcher), "[-x][a b][;ls]");
}

TEST_F(ProcessLauncherOutputTest, ReadOutputNeverBlocks) {
    // Without a pipe: false, the buffer untouched.
    ZProcessLauncher plain(nullptr, "true", nullptr, false);
    char marker = 'm';
    char* buffer = &marker;
    uint32_t size = 7;
    EXPECT_FALSE(plain.ReadOutput(&buffer, &size));
    EXPECT_EQ(buffer, &marker);
    EXPECT_EQ(size, 7u);

    // With a pipe and a child that has written nothing yet: false at once.
    std::string script = Script("slow", "sleep 0.2\nprintf out\nprintf err >&2\n");
    ZProcessLauncher launcher(nullptr, script.c_str(), nullptr, false);
    ASSERT_TRUE(launcher.CaptureOutput());
    ASSERT_EQ(launcher.Launch(0, true), ZProcessLauncher::kSuccess);
    auto before = Clock::now();
    EXPECT_FALSE(launcher.ReadOutput(&buffer, &size));
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(100));
    EXPECT_EQ(Drain(launcher), "outerr");
}

TEST_F(ProcessLauncherOutputTest, WorkingDirectoryOnlyWithUseDirectory) {
    std::string script = Script("where", "pwd\n");
    std::filesystem::create_directories(dir_ + "/work");
    ZProcessLauncher launcher;
    launcher.SetCommand(nullptr, script.c_str(), (dir_ + "/work").c_str(), false, true);
    ASSERT_TRUE(launcher.CaptureOutput());
    ASSERT_EQ(launcher.Launch(0, true), ZProcessLauncher::kSuccess);
    EXPECT_EQ(Drain(launcher), dir_ + "/work\n");

    launcher.SetCommand(nullptr, script.c_str(), (dir_ + "/work").c_str(), false, false);
    ASSERT_EQ(launcher.Launch(0, true), ZProcessLauncher::kSuccess);
    EXPECT_EQ(Drain(launcher), std::filesystem::current_path().string() + "\n");
}

}  // namespace
