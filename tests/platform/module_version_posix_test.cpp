#include "platform/files/module_version.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files/module.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Values as the build writes them: language 0x0409 and code page 1252 (0x04E4), then two texts.
const zplat::VersionEntry kEntries[] = {
    {"\\VarFileInfo\\Translation", "\x09\x04\xE4\x04", 4, false},
    zplat::VersionText("\\StringFileInfo\\040904E4\\FileVersion", "7.1.0.12"),
    zplat::VersionText("\\StringFileInfo\\040904E4\\ProductVersion", "7.0.0"),
};

// The layout at compile time, field by field, for one small entry.
constexpr bool LayoutIsAsDocumented() {
    constexpr zplat::VersionEntry one[] = {zplat::VersionText("\\K", "v")};
    constexpr size_t size = zplat::VersionBlockSize(one, 1);
    static_assert(size == 20 + 6 + 3 + 2 + 4);  // header, entry header, "\K\0", "v\0", check
    unsigned char b[size] = {};
    zplat::WriteVersionBlock(one, 1, b);
    const unsigned char expected[size - 4] = {
        'Z',  'U', 'N', 'I', 'T', '-', 'V', 'E', 'R', 'S', 0x00, 0x01,  // magic
        35,   0,   0,   0,                                              // size of the block
        1,    0,   0,   0,                                              // one entry
        1,    0,                                                        // text, reserved
        3,    0,                                                        // key size with NUL
        2,    0,                                                        // value size with NUL
        '\\', 'K', 0,                                                   // key
        'v',  0,                                                        // value
    };
    for (size_t i = 0; i < size - 4; ++i) {
        if (b[i] != expected[i]) {
            return false;
        }
    }
    uint32_t check = zplat::VersionBlockCheck(b, size - 4);
    return b[31] == (check & 0xFF) && b[34] == (check >> 24);
}
static_assert(LayoutIsAsDocumented());

class ModuleVersionTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zunit-version-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        block_ = zplat::MakeVersionBlock(kEntries);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string WriteFile(const std::string& name, const Bytes& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static Bytes Concat(std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& part : parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }

    static Bytes Magic() {
        return Bytes(zplat::kVersionBlockMagic.begin(), zplat::kVersionBlockMagic.end());
    }

    std::string dir_;
    Bytes block_;
};

TEST_F(ModuleVersionTest, FindsTheBlockBehindFalseStartsAndAnswersQueries) {
    // Before the block: a bare magic, and a magic with a whole header whose check value is wrong.
    Bytes wrongCheck = block_;
    wrongCheck[wrongCheck.size() - 1] ^= 0xFF;
    const Bytes file =
        Concat({Bytes(1000, 0xCC), Magic(), Bytes(7, 0), wrongCheck, block_, Bytes(500, 0x5A)});
    const std::string path = WriteFile("program", file);

    uint32_t handle = 99;
    const uint32_t size = zplat::GetFileVersionInfoSizeA(path.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    ASSERT_EQ(size, block_.size());
    Bytes copy(size);
    ASSERT_TRUE(zplat::GetFileVersionInfoA(path.c_str(), handle, size, copy.data()));
    EXPECT_EQ(copy, block_);

    void* value = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(zplat::VerQueryValueA(copy.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(std::memcmp(value, "\x09\x04\xE4\x04", 4), 0);

    struct Case {
        const char* key;
        const char* text;
    };
    const Case texts[] = {
        {"\\StringFileInfo\\040904E4\\FileVersion", "7.1.0.12"},
        {"\\stringfileinfo\\040904e4\\productversion", "7.0.0"},  // any letter case
    };
    for (const Case& c : texts) {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(zplat::VerQueryValueA(copy.data(), c.key, &value, &length));
        EXPECT_STREQ(static_cast<const char*>(value), c.text);
        EXPECT_EQ(length, std::strlen(c.text) + 1);  // with the NUL
        // The value points into the caller's block.
        EXPECT_GE(static_cast<unsigned char*>(value), copy.data());
        EXPECT_LT(static_cast<unsigned char*>(value), copy.data() + copy.size());
    }
    EXPECT_FALSE(zplat::VerQueryValueA(copy.data(), "\\StringFileInfo\\040904E4\\Comments", &value,
                                       &length));
    EXPECT_FALSE(zplat::VerQueryValueA(copy.data(), "\\", &value, &length));
    EXPECT_FALSE(zplat::VerQueryValueA(copy.data(), nullptr, &value, &length));
}

TEST_F(ModuleVersionTest, BrokenOrMissingBlocksAreNotFound) {
    auto corrupt = [this](size_t at) {
        Bytes bytes = block_;
        bytes[at] ^= 0x01;
        return bytes;
    };
    Bytes hugeSize = block_;
    hugeSize[14] = 0x10;  // size field: 0x100000 and more, beyond the largest block
    Bytes tooShort = block_;
    tooShort[12] = 8;  // smaller than a header
    tooShort[13] = tooShort[14] = tooShort[15] = 0;
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"no block", Bytes(4096, 0x00)},
        {"empty file", Bytes()},
        {"a byte of a key changed", corrupt(30)},
        {"the entry count changed", corrupt(16)},
        {"size beyond the largest block", hugeSize},
        {"size smaller than a header", tooShort},
        {"cut short", Bytes(block_.begin(), block_.end() - 1)},
        {"only the magic at the end", Concat({Bytes(10, 1), Magic()})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteFile("bad", c.bytes);
        EXPECT_EQ(zplat::GetFileVersionInfoSizeA(path.c_str(), nullptr), 0u);
        Bytes out(200, 0xEE);
        EXPECT_FALSE(zplat::GetFileVersionInfoA(path.c_str(), 0, 200, out.data()));
        EXPECT_EQ(out, Bytes(200, 0xEE));
    }
    EXPECT_EQ(zplat::GetFileVersionInfoSizeA((dir_ + "/missing").c_str(), nullptr), 0u);
    EXPECT_EQ(zplat::GetFileVersionInfoSizeA(dir_.c_str(), nullptr), 0u);  // a directory
    EXPECT_EQ(zplat::GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
}

TEST_F(ModuleVersionTest, CopyNeedsRoomForTheWholeBlock) {
    const std::string path = WriteFile("program", Concat({Bytes(64, 0), block_}));
    Bytes out(block_.size() - 1, 0xEE);
    EXPECT_FALSE(
        zplat::GetFileVersionInfoA(path.c_str(), 0, static_cast<uint32_t>(out.size()), out.data()));
    EXPECT_EQ(out, Bytes(block_.size() - 1, 0xEE));
}

TEST(ModuleFileNameTest, RunningProgramIsItsOwnFile) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    char path[4096];
    EXPECT_EQ(zplat::GetModuleFileNameA(nullptr, path, sizeof path), self.size());
    EXPECT_EQ(path, self);
    EXPECT_EQ(zplat::GetModuleFileNameA(zplat::GetModuleHandleA(nullptr), path, sizeof path),
              self.size());
    int other = 0;
    EXPECT_EQ(zplat::GetModuleFileNameA(&other, path, sizeof path), 0u);
}

TEST(ModuleFileNameTest, PathIsCutToTheBuffer) {
    struct Case {
        uint32_t size;
        uint32_t result;
        const char* text;
    };
    const Case cases[] = {
        {16, 10, "/opt/z/zUF"},
        {11, 10, "/opt/z/zUF"},  // exactly room for the NUL
        {10, 10, "/opt/z/zU"},   // cut: the result is the buffer size
        {1, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        char buffer[20];
        std::memset(buffer, 'X', sizeof buffer);
        EXPECT_EQ(zplat::CopyModuleFileName("/opt/z/zUF", buffer, c.size), c.result);
        EXPECT_STREQ(buffer, c.text);
        EXPECT_EQ(buffer[c.size], 'X');
    }
    char buffer[4] = "abc";
    EXPECT_EQ(zplat::CopyModuleFileName("/opt/z/zUF", buffer, 0), 0u);
    EXPECT_STREQ(buffer, "abc");
}

}  // namespace
