// Files opened by UTF-8 paths: a name in any script is the same file for writing and reading.

#include "platform/files/file_open.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "tests/support/scratch_dir.h"

namespace {

TEST(FileOpen, AUtf8NameWritesAndReadsTheSameFile) {
    ScratchDir dir("zunit-open");
    ASSERT_TRUE(dir.ok());
    for (const char* name : {"plain.csv", "B\xC3\xBChne.csv", "\xE8\x88\x9E\xE5\x8F\xB0.json"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.path() + "/" + name;
        std::FILE* out = zplat::OpenFile(path.c_str(), "w");
        ASSERT_NE(out, nullptr);
        std::fputs("name,port\n", out);
        ASSERT_EQ(std::fclose(out), 0);
        std::FILE* in = zplat::OpenFile(path.c_str(), "r");
        ASSERT_NE(in, nullptr);
        char line[32] = {};
        EXPECT_NE(std::fgets(line, sizeof line, in), nullptr);
        EXPECT_STREQ(line, "name,port\n");
        std::fclose(in);
    }
    errno = 0;
    EXPECT_EQ(zplat::OpenFile((dir.path() + "/missing/x.csv").c_str(), "w"), nullptr);
    EXPECT_NE(errno, 0);
}

}  // namespace
