// The profile calls over the real file system of a POSIX system: files in a private temporary
// directory, bare names in the configuration directory, permissions.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files/profile.h"

namespace {

using namespace std::string_literals;

// The real file system, in a private temporary directory.
class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zunit-profile-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Spit(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::string dir_;
};

TEST_F(ProfileFileTest, WriteCreatesTheFileAndKeepsOtherBytes) {
    const std::string path = Path("zUnitFinder.cfg");
    EXPECT_TRUE(zplat::CanWriteProfileFile(path.c_str()));
    ASSERT_TRUE(zplat::WritePrivateProfileStringA("SETUP", "CloseOnConnect", "1", path.c_str()));
    EXPECT_EQ(Slurp(path), "[SETUP]\nCloseOnConnect=1\n");

    const std::string garbage = "\x00\xC3\x28\xFF\n\x01\x02"s;
    Spit(path, garbage);
    EXPECT_EQ(zplat::GetPrivateProfileIntA("SETUP", "CloseOnConnect", 0, path.c_str()), 0u);
    ASSERT_TRUE(zplat::WritePrivateProfileStringA("SETUP", "CloseOnConnect", "1", path.c_str()));
    EXPECT_EQ(Slurp(path), garbage + "\n\n[SETUP]\nCloseOnConnect=1\n");
    EXPECT_EQ(zplat::GetPrivateProfileIntA("SETUP", "CloseOnConnect", 0, path.c_str()), 1u);

    // A shorter content cuts the file to its new length.
    Spit(path, "[SETUP]\nCloseOnConnect=1\nLong=" + std::string(100, 'x') + "\n");
    ASSERT_TRUE(zplat::WritePrivateProfileStringA("SETUP", "Long", nullptr, path.c_str()));
    EXPECT_EQ(Slurp(path), "[SETUP]\nCloseOnConnect=1\n");
}

TEST_F(ProfileFileTest, WritesThatCannotReachTheDiskFail) {
    const std::string missingDir = Path("no/such/dir/z.cfg");
    EXPECT_FALSE(zplat::CanWriteProfileFile(missingDir.c_str()));
    EXPECT_FALSE(zplat::WritePrivateProfileStringA("S", "k", "1", missingDir.c_str()));
    EXPECT_FALSE(std::filesystem::exists(Path("no")));

    // A directory where the file should be: not read, not written, not replaced.
    const std::string directory = Path("taken.cfg");
    ASSERT_EQ(::mkdir(directory.c_str(), 0700), 0);
    EXPECT_EQ(zplat::GetPrivateProfileIntA("S", "k", 9, directory.c_str()), 9u);
    EXPECT_FALSE(zplat::CanWriteProfileFile(directory.c_str()));
    EXPECT_FALSE(zplat::WritePrivateProfileStringA("S", "k", "1", directory.c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(directory));
}

TEST_F(ProfileFileTest, BareNamesLiveInTheConfigurationDirectory) {
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string keepConfig = savedConfig != nullptr ? savedConfig : "";
    const std::string keepHome = savedHome != nullptr ? savedHome : "";

    ::setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
    EXPECT_TRUE(zplat::CanWriteProfileFile("bare.cfg"));
    ASSERT_TRUE(zplat::WritePrivateProfileStringA("S", "k", "1", "bare.cfg"));
    EXPECT_EQ(Slurp(Path("config/bare.cfg")), "[S]\nk=1\n");
    EXPECT_EQ(zplat::GetPrivateProfileIntA("S", "k", 0, "bare.cfg"), 1u);

    // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    ::setenv("HOME", Path("home").c_str(), 1);
    ASSERT_TRUE(zplat::WritePrivateProfileStringA("S", "k", "2", "bare.cfg"));
    EXPECT_EQ(Slurp(Path("home/.config/bare.cfg")), "[S]\nk=2\n");

    if (savedConfig != nullptr) {
        ::setenv("XDG_CONFIG_HOME", keepConfig.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    if (savedHome != nullptr) {
        ::setenv("HOME", keepHome.c_str(), 1);
    } else {
        ::unsetenv("HOME");
    }
}

TEST_F(ProfileFileTest, ConcurrentWritersLoseNoKey) {
    const std::string path = Path("shared.cfg");
    constexpr int kThreads = 4;
    constexpr int kKeys = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&path, t] {
            for (int k = 0; k < kKeys; ++k) {
                std::string key = "k" + std::to_string(t) + "_" + std::to_string(k);
                zplat::WritePrivateProfileStringA("S", key.c_str(), "1", path.c_str());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k) {
            std::string key = "k" + std::to_string(t) + "_" + std::to_string(k);
            EXPECT_EQ(zplat::GetPrivateProfileIntA("S", key.c_str(), 0, path.c_str()), 1u) << key;
        }
    }
}

}  // namespace
