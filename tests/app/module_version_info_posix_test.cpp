// The caption's version read from program files whose version block the POSIX face finds among
// the file's bytes. (On Windows the system reads only the resources of real programs; the test
// program's own block is read on both systems, see module_version_info_test.cpp.)

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/module_version_info.h"
#include "platform/files/module_version.h"
#include "tests/support/scratch_dir.h"

namespace {

// Blocks written into files of their own; each case is one way a program's block may look.
class ModuleVersionFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.ok());
        dir_ = scratch_.path();
    }

    std::string FileWith(const std::vector<zplat::VersionEntry>& entries) {
        std::vector<unsigned char> bytes(300, 0x90);  // stands for the rest of a program
        std::vector<unsigned char> block = zplat::MakeVersionBlock(entries);
        bytes.insert(bytes.end(), block.begin(), block.end());
        std::string path = dir_ + "/program" + std::to_string(files_++);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    ScratchDir scratch_{"zunit-modver"};
    std::string dir_;
    int files_ = 0;
};

constexpr zplat::VersionEntry kUsTranslation = {"\\VarFileInfo\\Translation", "\x09\x04\xE4\x04", 4,
                                                false};

zplat::VersionEntry Text(const char* key, const char* value) {
    return zplat::VersionText(key, value);
}

TEST_F(ModuleVersionFileTest, NumbersAndProductVersionByTranslation) {
    struct Case {
        const char* name;
        std::vector<zplat::VersionEntry> entries;
        bool result;
        int numbers[4];  // -1: left as it was
        const char* product;
    };
    const Case cases[] = {
        {"file version 7.1.0.0",
         {kUsTranslation, Text("\\StringFileInfo\\040904E4\\FileVersion", "7.1.0.0"),
          Text("\\StringFileInfo\\040904E4\\ProductVersion", "7.0.0")},
         true,
         {7, 1, 0, 0},
         "7.0.0"},
        {"no translation: the usual one is assumed",
         {Text("\\StringFileInfo\\040904E4\\FileVersion", "2.3.4.5"),
          Text("\\StringFileInfo\\040904E4\\ProductVersion", "p")},
         true,
         {2, 3, 4, 5},
         "p"},
        {"another translation picks its own texts",
         {{"\\VarFileInfo\\Translation", "\x07\x04\xB0\x04", 4, false},
          Text("\\StringFileInfo\\040904E4\\FileVersion", "9.9.9.9"),
          Text("\\StringFileInfo\\040704B0\\FileVersion", "1.2.3.4"),
          Text("\\StringFileInfo\\040704B0\\ProductVersion", "de")},
         true,
         {1, 2, 3, 4},
         "de"},
        {"three numbers are enough, the fourth is 0",
         {kUsTranslation, Text("\\StringFileInfo\\040904E4\\FileVersion", "7.1.0"),
          Text("\\StringFileInfo\\040904E4\\ProductVersion", "x")},
         true,
         {7, 1, 0, 0},
         "x"},
        {"two numbers leave the numbers alone but succeed",
         {kUsTranslation, Text("\\StringFileInfo\\040904E4\\FileVersion", "7.1"),
          Text("\\StringFileInfo\\040904E4\\ProductVersion", "x")},
         true,
         {-1, -1, -1, -1},
         "x"},
        {"blanks before numbers and a huge build",
         {kUsTranslation, Text("\\StringFileInfo\\040904E4\\FileVersion", " 7. 1.0.99999999999"),
          Text("\\StringFileInfo\\040904E4\\ProductVersion", "x")},
         true,
         {7, 1, 0, INT_MAX},
         "x"},
        {"no product version",
         {kUsTranslation, Text("\\StringFileInfo\\040904E4\\FileVersion", "7.1.0.0")},
         false,
         {7, 1, 0, 0},
         ""},
        {"no file version",
         {kUsTranslation, Text("\\StringFileInfo\\040904E4\\ProductVersion", "7.0.0")},
         false,
         {-1, -1, -1, -1},
         ""},
        {"a translation too short to use",
         {{"\\VarFileInfo\\Translation", "\x07\x04", 2, false},
          Text("\\StringFileInfo\\040904E4\\FileVersion", "3.2.1.0"),
          Text("\\StringFileInfo\\040904E4\\ProductVersion", "x")},
         true,
         {3, 2, 1, 0},
         "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = FileWith(c.entries);
        int n[4] = {-1, -1, -1, -1};
        char product[16] = "";
        EXPECT_EQ(
            GetModuleVersion(path.c_str(), &n[0], &n[1], &n[2], &n[3], product, sizeof product),
            c.result);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(n[i], c.numbers[i]) << "number " << i;
        }
        EXPECT_STREQ(product, c.product);
    }
}

TEST_F(ModuleVersionFileTest, LongProductVersionIsCutAndMissingFilesFail) {
    const std::string path =
        FileWith({kUsTranslation, Text("\\StringFileInfo\\040904E4\\FileVersion", "1.0.0.0"),
                  Text("\\StringFileInfo\\040904E4\\ProductVersion", "0123456789abcdef")});
    int n[4];
    char product[9];
    std::memset(product, 'X', sizeof product);
    EXPECT_TRUE(GetModuleVersion(path.c_str(), &n[0], &n[1], &n[2], &n[3], product, 8));
    EXPECT_STREQ(product, "0123456");
    EXPECT_EQ(product[8], 'X');

    EXPECT_FALSE(GetModuleVersion((dir_ + "/missing").c_str(), &n[0], &n[1], &n[2], &n[3], product,
                                  sizeof product));
    const std::string plain = dir_ + "/plain";
    std::ofstream(plain) << "no version here";
    EXPECT_FALSE(
        GetModuleVersion(plain.c_str(), &n[0], &n[1], &n[2], &n[3], product, sizeof product));
}

}  // namespace
