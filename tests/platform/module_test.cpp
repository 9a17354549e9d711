// Whether a program's path lies in a folder, as the settings path asks of the Program Files
// folder; and the Windows face's answer for a program outside it.

#include <gtest/gtest.h>

#include "platform/files/module.h"

namespace {

TEST(ModuleTest, PathInFolder) {
    struct Case {
        const char* name;
        const char* path;
        const char* folder;
        bool in;
    };
    const Case cases[] = {
        {"directly inside", R"(C:\Program Files\zUnitFinder.exe)", R"(C:\Program Files)", true},
        {"deeper", R"(C:\Program Files\zUnitFinder\zUnitFinder.exe)", R"(C:\Program Files)", true},
        {"letter case ignored", R"(c:\PROGRAM FILES\z\z.exe)", R"(C:\Program Files)", true},
        {"either separator", "C:/Program Files/z/z.exe", R"(C:\Program Files\)", true},
        {"folder with its separator", R"(C:\Program Files\z.exe)", R"(C:\Program Files\)", true},
        {"a longer name is another folder", R"(C:\Program Files (x86)\z.exe)",
         R"(C:\Program Files)", false},
        {"the folder itself", R"(C:\Program Files)", R"(C:\Program Files)", false},
        {"the folder and its separator alone", R"(C:\Program Files\)", R"(C:\Program Files)",
         false},
        {"elsewhere", R"(C:\Tools\z.exe)", R"(C:\Program Files)", false},
        {"empty folder", R"(C:\z.exe)", "", false},
        {"root only", R"(\z.exe)", R"(\)", false},
        {"empty path", "", R"(C:\Program Files)", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(zplat::IsPathInFolder(c.path, c.folder), c.in);
    }
}

TEST(ModuleTest, TheTestProgramIsNotInProgramFiles) {
    char path[1024];
    ASSERT_GT(zplat::GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    EXPECT_FALSE(zplat::IsInProgramFilesFolder(path));
    EXPECT_FALSE(zplat::IsInProgramFilesFolder(nullptr));
}

}  // namespace
