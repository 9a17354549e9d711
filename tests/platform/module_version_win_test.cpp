// The Windows face of the version calls: the test program's own VERSIONINFO resource (compiled in
// by zunit_version_block, see tests/platform/CMakeLists.txt), read back through the system.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files/module.h"
#include "platform/files/module_version.h"

namespace {

std::string Self() {
    char path[4096];
    uint32_t n = zplat::GetModuleFileNameA(nullptr, path, sizeof path);
    return n == 0 || n == sizeof path ? std::string() : std::string(path, n);
}

TEST(ModuleVersionWinTest, ProgramReadsItsOwnResource) {
    const std::string self = Self();
    ASSERT_FALSE(self.empty());
    EXPECT_TRUE(self.ends_with("platform_tests.exe")) << self;

    uint32_t handle = 7;
    const uint32_t size = zplat::GetFileVersionInfoSizeA(self.c_str(), &handle);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(handle, 0u);
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(zplat::GetFileVersionInfoA(self.c_str(), handle, size, block.data()));

    struct Case {
        const char* key;
        const char* text;
    };
    const Case cases[] = {
        {"\\StringFileInfo\\040904E4\\FileVersion", "3.2.1.0"},
        {"\\StringFileInfo\\040904E4\\ProductVersion", "3.2"},
        {"\\StringFileInfo\\040904E4\\ProductName", "Platform \"tests\""},
        {"\\stringfileinfo\\040904e4\\productname", "Platform \"tests\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        void* value = nullptr;
        uint32_t length = 0;
        ASSERT_TRUE(zplat::VerQueryValueA(block.data(), c.key, &value, &length));
        EXPECT_EQ(std::string(static_cast<const char*>(value)), c.text);
        EXPECT_EQ(length, std::string(c.text).size() + 1);
    }
    void* value = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(zplat::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const auto* bytes = static_cast<const unsigned char*>(value);
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 4),
              (std::vector<unsigned char>{0x09, 0x04, 0xE4, 0x04}));
    EXPECT_FALSE(zplat::VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\Missing", &value,
                                       &length));

    // Too little room copies nothing.
    std::vector<unsigned char> small(size - 1, 0xEE);
    EXPECT_FALSE(zplat::GetFileVersionInfoA(self.c_str(), 0, size - 1, small.data()));
    EXPECT_EQ(small, std::vector<unsigned char>(size - 1, 0xEE));
}

TEST(ModuleVersionWinTest, FilesWithoutAResourceHaveNoBlock) {
    EXPECT_EQ(zplat::GetFileVersionInfoSizeA("C:\\no\\such\\file.exe", nullptr), 0u);
    EXPECT_EQ(zplat::GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
    char other = 0;
    char path[64];
    EXPECT_EQ(zplat::GetModuleFileNameA(&other, path, sizeof path), 0u);
}

}  // namespace
