#include "platform/files/profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files/memory_profile_file_store.h"

namespace {

using namespace std::string_literals;

std::string Get(std::string_view content, const char* section, const char* key,
                const char* defaultValue = "default") {
    char buffer[256];
    zplat::ProfileGetString(content, section, key, defaultValue, buffer, sizeof buffer);
    return buffer;
}

TEST(ProfileReadTest, FindsValuesLikeTheProfileCalls) {
    const std::string content =
        "; leading comment\n"
        "[Setup]\n"
        "CloseOnConnect = 7\n"
        "  Name=\"quoted value\"  \n"
        "Single='x'\n"
        "Half=\"open\n"
        "Empty=\n"
        "NoEquals\n"
        ";Commented=1\n"
        "[ other ]\n"
        "key=other\n"
        "[SETUP]\n"
        "Shadowed=1\n";
    struct Case {
        const char* name;
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"section and key in any case", "SETUP", "closeonconnect", "7"},
        {"blanks around the value dropped", "setup", "NAME", "quoted value"},
        {"single quotes dropped", "Setup", "Single", "x"},
        {"an unmatched quote stays", "Setup", "Half", "\"open"},
        {"found but empty is not the default", "Setup", "Empty", ""},
        {"a line without = is a key with no value", "Setup", "NoEquals", ""},
        {"comments are no keys", "Setup", ";Commented", "default"},
        {"blanks inside the brackets dropped", "OTHER", "Key", "other"},
        {"only the first section of a name counts", "SETUP", "Shadowed", "default"},
        {"missing key", "Setup", "Missing", "default"},
        {"missing section", "Nowhere", "key", "default"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Get(content, c.section, c.key), c.expected);
    }
}

TEST(ProfileReadTest, DefaultLosesTrailingBlanksAndNullDefaultIsEmpty) {
    EXPECT_EQ(Get("", "S", "k", "  text \t "), "  text");
    EXPECT_EQ(Get("", "S", "k", nullptr), "");
}

TEST(ProfileReadTest, GarbageReadsAsDefaults) {
    const std::string garbage = "\x00\xFF\x13[SETU\x00P]\n\xFE=\x01\r\rCloseOnConnect\x00=1\n"s;
    EXPECT_EQ(Get(garbage, "SETUP", "CloseOnConnect"), "default");
    EXPECT_EQ(zplat::ProfileParseInt("", 3), 3u);
}

TEST(ProfileReadTest, ValueIsCutToTheBuffer) {
    char buffer[6];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(zplat::ProfileGetString("[S]\nk=abcdefgh\n", "S", "k", "", buffer, 4), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'X');
    EXPECT_EQ(zplat::ProfileGetString("[S]\nk=abc\n", "S", "k", "", buffer, 0), 0u);
    EXPECT_EQ(zplat::ProfileGetString("[S]\nk=abc\n", "S", "k", "", nullptr, 8), 0u);
}

TEST(ProfileReadTest, NullNamesListSectionsAndKeys) {
    const std::string content = "[One]\na=1\nbb=2\n[Two]\n";
    char buffer[32];
    EXPECT_EQ(zplat::ProfileGetString(content, nullptr, nullptr, "", buffer, sizeof buffer), 8u);
    EXPECT_EQ(std::string(buffer, 9), "One\0Two\0\0"s);
    EXPECT_EQ(zplat::ProfileGetString(content, "one", nullptr, "", buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 6), "a\0bb\0\0"s);
    EXPECT_EQ(zplat::ProfileGetString(content, "Two", nullptr, "", buffer, sizeof buffer), 0u);
    EXPECT_EQ(std::string(buffer, 2), "\0\0"s);

    struct Case {
        uint32_t size;
        uint32_t result;
        std::string bytes;
    };
    // A list that does not fit is cut, ends in two NULs and reports size - 2.
    const Case cut[] = {
        {6, 4, "One\0\0\0"s},  // "One" and its NUL fill all but the last byte
        {5, 3, "One\0\0"s},
        {3, 1, "O\0\0"s},
    };
    for (const Case& c : cut) {
        SCOPED_TRACE(c.size);
        std::memset(buffer, 'X', sizeof buffer);
        EXPECT_EQ(zplat::ProfileGetString(content, nullptr, nullptr, "", buffer, c.size), c.result);
        EXPECT_EQ(std::string(buffer, c.size), c.bytes);
        EXPECT_EQ(buffer[c.size], 'X');
    }
}

TEST(ProfileReadTest, IntegerReadingTakesLeadingDigits) {
    struct Case {
        const char* value;
        uint32_t expected;
    };
    const Case cases[] = {
        {"7", 7}, {" 12 ", 12},        {"7 days", 7},     {"abc", 0}, {"+5", 5},
        {"0", 0}, {"-1", 0xFFFFFFFFu}, {"4294967297", 1}, {"", 42},  // empty: the default
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(zplat::ProfileParseInt(c.value, 42), c.expected);
    }
}

TEST(ProfileWriteTest, ChangesOnlyWhatTheCallIsAbout) {
    struct Case {
        const char* name;
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    };
    const Case cases[] = {
        {"new file", "", "SETUP", "CloseOnConnect", "1", "[SETUP]\nCloseOnConnect=1\n"},
        {"existing key keeps its spelling, indentation and neighbours",
         "; top\n[A]\nx=1\n[setup]\n  closeonconnect = 7 ; note\nz=2\n", "SETUP", "CloseOnConnect",
         "1", "; top\n[A]\nx=1\n[setup]\n  closeonconnect=1\nz=2\n"},
        {"new key goes after the section's last line, before the blank that parts it",
         "[SETUP]\na=1\n\n[B]\nb=2\n", "SETUP", "CloseOnConnect", "1",
         "[SETUP]\na=1\nCloseOnConnect=1\n\n[B]\nb=2\n"},
        {"new section after a blank line, in the file's own line breaks", "[A]\r\nx=1\r\n", "SETUP",
         "CloseOnConnect", "0", "[A]\r\nx=1\r\n\r\n[SETUP]\r\nCloseOnConnect=0\r\n"},
        {"last line without a line break", "[SETUP]\na=1", "SETUP", "k", "v",
         "[SETUP]\na=1\nk=v\n"},
        {"garbage kept byte for byte", "\x00\xFF\x01junk"s, "SETUP", "CloseOnConnect", "1",
         "\x00\xFF\x01junk\n\n[SETUP]\nCloseOnConnect=1\n"s},
        {"byte order mark kept", "\xEF\xBB\xBF[SETUP]\nx=1\n", "setup", "y", "2",
         "\xEF\xBB\xBF[SETUP]\nx=1\ny=2\n"},
        {"null value deletes the key", "[S]\na=1\nb=2\n", "S", "A", nullptr, "[S]\nb=2\n"},
        {"null key deletes the section with its blank lines", "[A]\na=1\n\n[S]\nb=2\n\n[C]\nc=3\n",
         "s", nullptr, nullptr, "[A]\na=1\n\n[C]\nc=3\n"},
        {"deleting what is not there changes nothing", "[S]\na=1\n", "S", "zz", nullptr,
         "[S]\na=1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string content = c.before;
        EXPECT_TRUE(zplat::ProfileSetString(&content, c.section, c.key, c.value));
        EXPECT_EQ(content, c.after);
        if (c.key != nullptr && c.value != nullptr) {
            EXPECT_EQ(Get(content, c.section, c.key), c.value);
        }
    }
}

TEST(ProfileWriteTest, RefusesTextsThatWouldNotReadBack) {
    struct Case {
        const char* name;
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"line break in the value", "S", "k", "1\n[Evil]"},
        {"carriage return in the key", "S", "k\r", "1"},
        {"= in the key", "S", "a=b", "1"},
        {"] in the section", "a]b", "k", "1"},
        {"no section", nullptr, "k", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string content = "[S]\nk=0\n";
        EXPECT_FALSE(zplat::ProfileSetString(&content, c.section, c.key, c.value));
        EXPECT_EQ(content, "[S]\nk=0\n");
    }
}

// The calls over a store in memory: what reaches the file and when nothing may.
class ProfileStoreTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = zplat::SetProfileFileStore(&store_); }
    void TearDown() override { zplat::SetProfileFileStore(previous_); }

    zplat::MemoryProfileFileStore store_;
    zplat::ProfileFileStore* previous_ = nullptr;
};

TEST_F(ProfileStoreTest, IntReadsSevenAndDefaults) {
    store_.SetContent("/c/z.cfg", "[SETUP]\nCloseOnConnect=7\nEmpty=\n");
    EXPECT_EQ(zplat::GetPrivateProfileIntA("setup", "closeonconnect", 0, "/c/z.cfg"), 7u);
    EXPECT_EQ(zplat::GetPrivateProfileIntA("SETUP", "Empty", 5, "/c/z.cfg"), 5u);
    EXPECT_EQ(zplat::GetPrivateProfileIntA("SETUP", "Missing", 5, "/c/z.cfg"), 5u);
    EXPECT_EQ(zplat::GetPrivateProfileIntA("SETUP", "CloseOnConnect", 5, "/c/none.cfg"), 5u);
}

TEST_F(ProfileStoreTest, FailedOrNeedlessWritesLeaveTheFileAlone) {
    store_.SetContent("/c/ro.cfg", "[SETUP]\nCloseOnConnect=0\n");
    store_.SetReadOnly("/c/ro.cfg");
    EXPECT_FALSE(zplat::WritePrivateProfileStringA("SETUP", "CloseOnConnect", "1", "/c/ro.cfg"));
    EXPECT_FALSE(zplat::CanWriteProfileFile("/c/ro.cfg"));
    // The same value again needs no write, so it succeeds even here.
    EXPECT_TRUE(zplat::WritePrivateProfileStringA("SETUP", "CloseOnConnect", "0", "/c/ro.cfg"));

    // A file that exists but cannot be read is not replaced by one holding only the new key.
    store_.SetContent("/c/locked.cfg", "[Other]\nkeep=1\n");
    store_.SetUnreadable("/c/locked.cfg");
    EXPECT_FALSE(zplat::WritePrivateProfileStringA("SETUP", "k", "1", "/c/locked.cfg"));
    EXPECT_EQ(store_.Content("/c/locked.cfg"), "[Other]\nkeep=1\n");

    // Deleting from a missing file creates none.
    EXPECT_TRUE(zplat::WritePrivateProfileStringA("SETUP", "k", nullptr, "/c/new.cfg"));
    EXPECT_FALSE(store_.Exists("/c/new.cfg"));
    EXPECT_EQ(store_.WriteCount(), 0);
}

}  // namespace
