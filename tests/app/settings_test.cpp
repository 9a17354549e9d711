#include "app/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/files/memory_profile_file_store.h"
#include "platform/files/module.h"

namespace {

using namespace std::string_literals;

TEST(SettingsPathTest, BesideTheProgramWithItsBaseName) {
    struct Case {
        const char* program;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Zelvane\\zUnitFinder.exe",
         "C:\\Program Files\\Zelvane\\zUnitFinder.cfg"},
        {"/usr/lib/zunit/zUnitFinder", "/usr/lib/zunit/zUnitFinder.cfg"},  // no extension
        {"/opt/zunit-1.2/zUnitFinder", "/opt/zunit-1.2/zUnitFinder.cfg"},  // "." in a directory
        {"/opt/z/zUnitFinder.bin", "/opt/z/zUnitFinder.cfg"},
        {"/opt/z/zUnit.Finder.bin", "/opt/z/zUnit.Finder.cfg"},  // only the last "." counts
        {"/opt/z/.zUnitFinder", "/opt/z/.zUnitFinder.cfg"},      // a leading "." is no extension
        {"zUnitFinder", "zUnitFinder.cfg"},
        {"", "zUnitFinder.cfg"},
        {nullptr, "zUnitFinder.cfg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program != nullptr ? c.program : "(null)");
        char out[kSettingsPathSize];
        EXPECT_TRUE(SettingsPathBeside(c.program, out, sizeof out));
        EXPECT_STREQ(out, c.expected);
    }
}

TEST(SettingsPathTest, PathsThatDoNotFitAreRefused) {
    // 1019 characters and ".cfg" need 1024 bytes with the NUL; one more does not fit.
    const std::string fits = "/" + std::string(1018, 'a');
    const std::string tooLong = fits + "a";
    char out[kSettingsPathSize];
    EXPECT_TRUE(SettingsPathBeside(fits.c_str(), out, sizeof out));
    EXPECT_EQ(std::strlen(out), 1023u);
    EXPECT_FALSE(SettingsPathBeside(tooLong.c_str(), out, sizeof out));
    EXPECT_STREQ(out, "");
}

TEST(SettingsPathTest, UnwritableDirectoryFallsBackToTheBareName) {
    char out[kSettingsPathSize];
    EXPECT_TRUE(ChooseSettingsPath("/usr/bin/zUnitFinder.cfg", true, out, sizeof out));
    EXPECT_STREQ(out, "/usr/bin/zUnitFinder.cfg");
    EXPECT_TRUE(ChooseSettingsPath("/usr/bin/zUnitFinder.cfg", false, out, sizeof out));
    EXPECT_STREQ(out, "zUnitFinder.cfg");
}

TEST(SettingsPathTest, FixedForTheRunningProgram) {
    char program[kSettingsPathSize];
    ASSERT_GT(zplat::GetModuleFileNameA(nullptr, program, sizeof program), 0u);
    const std::string beside = std::string(program) + ".cfg";  // app_tests has no extension
    const std::string bare = std::filesystem::path(beside).filename().string();

    char path[kSettingsPathSize];
    FixSettingsPath(path, sizeof path);
    EXPECT_EQ(path, beside);  // the build directory can be written

    zplat::MemoryProfileFileStore store;
    store.SetReadOnly(beside);
    zplat::ProfileFileStore* previous = zplat::SetProfileFileStore(&store);
    FixSettingsPath(path, sizeof path);
    zplat::SetProfileFileStore(previous);
    EXPECT_EQ(path, bare);
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zunit-settings-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/zUnitFinder.cfg";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Content() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void SetContent(const std::string& bytes) const {
        std::ofstream(path_, std::ios::binary) << bytes;
    }

    std::string dir_;
    std::string path_;
};

TEST_F(SettingsFileTest, NoFileIsOffAndSavingCreatesTheSection) {
    EXPECT_FALSE(ReadCloseOnConnect(path_.c_str()));
    ASSERT_TRUE(WriteCloseOnConnect(path_.c_str(), true));
    EXPECT_EQ(Content(), "[SETUP]\nCloseOnConnect=1\n");
    EXPECT_TRUE(ReadCloseOnConnect(path_.c_str()));
    ASSERT_TRUE(WriteCloseOnConnect(path_.c_str(), false));
    EXPECT_EQ(Content(), "[SETUP]\nCloseOnConnect=0\n");
    EXPECT_FALSE(ReadCloseOnConnect(path_.c_str()));
}

TEST_F(SettingsFileTest, SevenReadsAsOnAndIsWrittenBackAsOneKeepingOtherSections) {
    const std::string before =
        "; written by hand\r\n[Window]\r\nLeft=10\r\n\r\n[setup]\r\ncloseonconnect=7\r\n"
        "Other=x\r\n\r\n[Later]\r\nA=1\r\n";
    SetContent(before);
    EXPECT_TRUE(ReadCloseOnConnect(path_.c_str()));
    ASSERT_TRUE(WriteCloseOnConnect(path_.c_str(), true));
    std::string expected = before;
    expected.replace(expected.find("closeonconnect=7"), 16, "closeonconnect=1");
    EXPECT_EQ(Content(), expected);
}

TEST_F(SettingsFileTest, GarbageReadsAsDefaultAndSurvivesASave) {
    const std::string garbage =
        "\x7F"
        "ELF\x02\x01\x01\x00\x00[SETUP\x00]\nCloseOnConnect=1"s;
    SetContent(garbage);
    EXPECT_FALSE(ReadCloseOnConnect(path_.c_str()));
    ASSERT_TRUE(WriteCloseOnConnect(path_.c_str(), true));
    EXPECT_TRUE(ReadCloseOnConnect(path_.c_str()));
    EXPECT_EQ(Content().substr(0, garbage.size()), garbage);
}

TEST_F(SettingsFileTest, UnwritablePlaceFails) {
    const std::string nowhere = dir_ + "/missing/zUnitFinder.cfg";
    EXPECT_FALSE(WriteCloseOnConnect(nowhere.c_str(), true));
    EXPECT_FALSE(ReadCloseOnConnect(nowhere.c_str()));
}

}  // namespace
