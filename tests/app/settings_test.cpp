#include "app/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files/memory_profile_file_store.h"
#include "platform/files/module.h"
#include "tests/support/scratch_dir.h"

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

// An installed program keeps its settings in the user's directory even when root could write
// beside it: only a program directly in the install directory counts as installed.
TEST(SettingsPathTest, ProgramsInTheInstallDirectory) {
    struct Case {
        const char* program;
        const char* installDir;
        bool installed;
    };
    const Case cases[] = {
        {"/usr/bin/zUnitFinder", "/usr/bin", true},
        {"/usr/bin/zUnitFinder", "/usr/bin/", true},
        {"/usr/bin//zUnitFinder", "/usr/bin", true},
        {"/usr/local/bin/zUnitFinder", "/usr/local/bin", true},
        {"/usr/local/bin/zUnitFinder", "/usr/bin", false},
        {"/usr/bin/old/zUnitFinder", "/usr/bin", false},
        {"/usr/binx/zUnitFinder", "/usr/bin", false},
        {"/usr/zUnitFinder", "/usr/bin", false},
        {"/home/me/zunit/build/default/app/zUnitFinder", "/usr/local/bin", false},
        {"/zUnitFinder", "/", true},
        {"zUnitFinder", "/usr/bin", false},
        {"/usr/bin/zUnitFinder", "", false},
        {"/usr/bin/zUnitFinder", nullptr, false},
        {nullptr, "/usr/bin", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.program != nullptr ? c.program : "(null)") + " in " +
                     (c.installDir != nullptr ? c.installDir : "(null)"));
        EXPECT_EQ(IsInInstallDirectory(c.program, c.installDir), c.installed);
    }
}

TEST(SettingsPathTest, FixedForTheRunningProgram) {
    char program[kSettingsPathSize];
    ASSERT_GT(zplat::GetModuleFileNameA(nullptr, program, sizeof program), 0u);
    // app_tests on Linux, app_tests.exe on Windows: app_tests.cfg either way.
    const std::string beside = std::filesystem::path(program).replace_extension(".cfg").string();
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
        ASSERT_TRUE(scratch_.ok());
        dir_ = scratch_.path();
        path_ = dir_ + "/zUnitFinder.cfg";
    }

    std::string Content() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void SetContent(const std::string& bytes) const {
        std::ofstream(path_, std::ios::binary) << bytes;
    }

    ScratchDir scratch_{"zunit-settings"};
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

TEST_F(SettingsFileTest, SubnetsAreReadWithBadEntriesIgnored) {
    struct Case {
        const char* content;
        std::vector<std::string> blocks;
    };
    const Case cases[] = {
        {"", {}},
        {"[SETUP]\nCloseOnConnect=1\n", {}},
        {"[SETUP]\nSubnets=10.31.2.0/24\n", {"10.31.2.0/24"}},
        {"[setup]\nsubnets = 10.20.0.0/22 ,\t10.31.2.0/24,,\n", {"10.20.0.0/22", "10.31.2.0/24"}},
        // Malformed, too large, host bits set, a repeat: each ignored, the rest used.
        {"[SETUP]\nSubnets=nonsense,10.0.0.0/8,10.31.2.0/24,10.20.1.0/22,10.31.2.0/24,"
         "192.168.7.8/31\n",
         {"10.31.2.0/24", "192.168.7.8/31"}},
        {"[SETUP]\nSubnets=\"10.31.2.0/24\"\n", {"10.31.2.0/24"}},  // quotes are the profile's
        // Where no device has its address: loopback, "this network", multicast, reserved.
        {"[SETUP]\nSubnets=127.0.0.0/16,0.0.0.0/16,10.31.2.0/24,224.0.0.0/16,240.0.0.0/16\n",
         {"10.31.2.0/24"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        SetContent(c.content);
        std::vector<std::string> texts;
        for (const ZCIDRBlock& b : ReadSubnets(path_.c_str())) {
            texts.push_back(b.GetText());
        }
        EXPECT_EQ(texts, c.blocks);
    }
    // A value longer than is read is cut; a block cut short is not taken for another.
    std::string many = "[SETUP]\nSubnets=";
    while (many.size() < kSubnetsValueSize + 100) {
        many += "10.31.2.0/24,";
    }
    SetContent(many + "10.40.0.0/16\n");
    const std::vector<ZCIDRBlock> read = ReadSubnets(path_.c_str());
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].GetText(), "10.31.2.0/24");
    EXPECT_TRUE(ReadSubnets((dir_ + "/missing.cfg").c_str()).empty());
}

TEST_F(SettingsFileTest, ListSortAndRateKeysReadBackAndBadValuesReadAsDefaults) {
    struct Case {
        const char* content;
        uint32_t rate;
        bool hide;
        int column;
        bool descending;
    };
    const Case cases[] = {
        {"", 2000, false, kNoSortColumn, false},
        {"[SETUP]\nSweepRate=5000\nHideSilent=1\nSortColumn=3\nSortDescending=1\n", 5000, true, 3,
         true},
        {"[SETUP]\nSweepRate=0\nHideSilent=0\nSortColumn=5\nSortDescending=1\n", 2000, false,
         kNoSortColumn, false},
        {"[SETUP]\nSweepRate=1000001\nSortColumn=-2\n", 2000, false, kNoSortColumn, false},
        {"[SETUP]\nSweepRate=-3\nHideSilent=7\nSortColumn=0\n", 2000, true, 0, false},
        {"[SETUP]\nSweepRate=fast\nSortColumn=name\n", 2000, false, kNoSortColumn, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        SetContent(c.content);
        EXPECT_EQ(ReadSweepRate(path_.c_str()), c.rate);
        EXPECT_EQ(ReadHideSilent(path_.c_str()), c.hide);
        int column = 99;
        bool descending = true;
        ReadSortOrder(path_.c_str(), 5, &column, &descending);
        EXPECT_EQ(column, c.column);
        EXPECT_EQ(descending, c.descending);
    }
    SetContent("");
    ASSERT_TRUE(WriteSortOrder(path_.c_str(), 2, true));
    ASSERT_TRUE(WriteSweepRate(path_.c_str(), 750));
    ASSERT_TRUE(WriteHideSilent(path_.c_str(), true));
    EXPECT_EQ(Content(), "[SETUP]\nSortColumn=2\nSortDescending=1\nSweepRate=750\nHideSilent=1\n");
    ASSERT_TRUE(WriteSortOrder(path_.c_str(), kNoSortColumn, false));
    int column = 0;
    bool descending = true;
    ReadSortOrder(path_.c_str(), 5, &column, &descending);
    EXPECT_EQ(column, kNoSortColumn);
    EXPECT_FALSE(descending);
}

TEST_F(SettingsFileTest, SubnetsAreWrittenAsReadAndNeverLongerThanIsRead) {
    SetContent("[SETUP]\nSubnets=10.31.2.0/24 nonsense\n 10.20.0.0/22\n");
    EXPECT_EQ(ReadSubnetTexts(path_.c_str()),
              (std::vector<std::string>{"10.31.2.0/24", "nonsense"}));
    std::vector<ZCIDRBlock> blocks(2);
    ASSERT_TRUE(ZCIDRBlock::Parse("10.20.0.0/22", &blocks[0], nullptr));
    ASSERT_TRUE(ZCIDRBlock::Parse("10.31.2.0/24", &blocks[1], nullptr));
    ASSERT_TRUE(WriteSubnets(path_.c_str(), blocks));
    EXPECT_EQ(Content(), "[SETUP]\nSubnets=10.20.0.0/22, 10.31.2.0/24\n 10.20.0.0/22\n");
    EXPECT_EQ(ReadSubnets(path_.c_str()), blocks);
    // A list that would be cut when read is not written.
    std::vector<ZCIDRBlock> many(kSubnetsValueSize / 10, blocks[1]);
    EXPECT_FALSE(WriteSubnets(path_.c_str(), many));
    EXPECT_EQ(ReadSubnets(path_.c_str()), blocks);
    EXPECT_EQ(SplitSubnetList(" a,b\tc\r\n,,d "), (std::vector<std::string>{"a", "b", "c", "d"}));
}

}  // namespace
