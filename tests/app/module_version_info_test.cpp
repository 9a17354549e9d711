#include "app/module_version_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/files/module.h"
#include "platform/files/module_version.h"

namespace {

// This test program's own block, written by the build (tests/app/CMakeLists.txt).
TEST(ModuleVersionInfoTest, ReadsTheBlockTheBuildEmbedded) {
    char path[4096];
    ASSERT_GT(zplat::GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    int major = -1, minor = -1, release = -1, build = -1;
    char product[32] = "";
    ASSERT_TRUE(GetModuleVersion(path, &major, &minor, &release, &build, product, sizeof product));
    EXPECT_EQ(major, 7);
    EXPECT_EQ(minor, 1);
    EXPECT_EQ(release, 0);
    EXPECT_EQ(build, 12);
    EXPECT_STREQ(product, "7.0.0");
    char text[64];
    EXPECT_STREQ(FormatVersion(major, minor, release, build, product, text, sizeof text, false),
                 "7.1.0 7.0.0 12");
}

// What both programs' --version print: the same text as the caption, read from the same block.
TEST(ModuleVersionInfoTest, ProgramVersionTextIsTheCaptionsVersion) {
    char text[64];
    ASSERT_TRUE(GetProgramVersionText(text, sizeof text));
    EXPECT_STREQ(text, "7.1.0 7.0.0 12");
    char small[4];
    ASSERT_TRUE(GetProgramVersionText(small, sizeof small));
    EXPECT_STREQ(small, "7.1");
    EXPECT_FALSE(GetProgramVersionText(nullptr, 8));
}

TEST(ModuleVersionInfoTest, FormatsShortOrFull) {
    struct Case {
        const char* name;
        int build;
        const char* product;
        bool full;
        const char* expected;
    };
    const Case cases[] = {
        {"build 0, short", 0, "7.0.0", false, "7.1.0"},
        {"a build number always shows in full", 12, "7.0.0", false, "7.1.0 7.0.0 12"},
        {"full with build 0", 0, "7.0.0", true, "7.1.0 7.0.0 0"},
        {"no product version", 3, nullptr, true, "7.1.0 Undef 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char out[64];
        EXPECT_EQ(FormatVersion(7, 1, 0, c.build, c.product, out, sizeof out, c.full), out);
        EXPECT_STREQ(out, c.expected);
    }
    char small[6];
    std::memset(small, 'X', sizeof small);
    FormatVersion(7, 1, 0, 12, std::string(500, 'p').c_str(), small, 5, true);
    EXPECT_STREQ(small, "7.1.");
    EXPECT_EQ(small[5], 'X');
}

}  // namespace
