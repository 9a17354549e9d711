#include "foundation/string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/string_resources.h"

namespace {

// Reads the fields a ZString keeps, which its public face does not show.
class Probe : public ZString {
public:
    using ZString::ZString;
    Probe(const ZString& s) : ZString(s) {}  // NOLINT: tests wrap results freely
    int Capacity() const { return capacity; }
    bool HasStorage() const { return buffer != nullptr; }
};

// A string holding an empty text with storage (capacity 1).
Probe EmptyText() {
    Probe s;
    s.Assign("");
    return s;
}

// ---- Construction and storage --------------------------------------------------------------

TEST(ZStringTest, DefaultHasNoStorage) {
    Probe s;
    EXPECT_STREQ(s.GetString(), "");
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.GetBuffer(), nullptr);
    EXPECT_EQ(s.Capacity(), 0);
    EXPECT_EQ(s.Find(""), -1);
    EXPECT_EQ(s.ToInt(), 0);
    EXPECT_FALSE(s.IsNumber(false));
}

TEST(ZStringTest, EmptyTextHasStorageOfOneByte) {
    Probe s = EmptyText();
    EXPECT_TRUE(s.HasStorage());
    EXPECT_EQ(s.Capacity(), 1);
    EXPECT_TRUE(s.IsNumber(false));
    EXPECT_TRUE(s == "");
    EXPECT_TRUE(s == static_cast<const char*>(nullptr));
}

TEST(ZStringTest, ConstructFromTextWithMaxChars) {
    struct Case {
        const char* name;
        const char* text;
        int maxChars;
        bool storage;
        const char* expected;
    };
    const Case cases[] = {
        {"cut", "abcdef", 3, true, "abc"}, {"shorter than max", "ab", 10, true, "ab"},
        {"zero", "ab", 0, false, ""},      {"negative", "ab", -4, false, ""},
        {"null", nullptr, 5, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Probe s(c.text, c.maxChars);
        EXPECT_EQ(s.HasStorage(), c.storage);
        EXPECT_STREQ(s.GetString(), c.expected);
        EXPECT_EQ(s.Capacity(), c.storage ? static_cast<int>(std::strlen(c.expected)) + 1 : 0);
    }
}

TEST(ZStringTest, NumbersAsText) {
    EXPECT_STREQ(ZString(0).GetString(), "0");
    EXPECT_STREQ(ZString(-42).GetString(), "-42");
    EXPECT_STREQ(ZString(-2147483647 - 1).GetString(), "-2147483648");
    EXPECT_STREQ(ZString(1.5, 15).GetString(), "1.5");
    EXPECT_STREQ(ZString(2.0 / 3.0, 3).GetString(), "0.667");
    ZString s("v");
    s += 12;
    s += '.';
    s += 0.25;
    EXPECT_STREQ(s.GetString(), "v12.0.25");
}

// ---- Growth --------------------------------------------------------------------------------

TEST(ZStringTest, AppendGrowthCapacities) {
    Probe five("abcde");  // length 5, capacity 6
    ASSERT_EQ(five.Capacity(), 6);
    five.Append('f');
    EXPECT_EQ(five.Capacity(), 14);  // 2 x (6 + 1)
    EXPECT_STREQ(five.GetString(), "abcdef");

    Probe empty = EmptyText();  // capacity 1
    empty.Append('x');
    EXPECT_EQ(empty.Capacity(), 4);  // 2 x (1 + 1)
    EXPECT_STREQ(empty.GetString(), "x");

    empty.Append('y');  // room left: in place
    EXPECT_EQ(empty.Capacity(), 4);
    EXPECT_STREQ(empty.GetString(), "xy");
}

// ---- Comparison ----------------------------------------------------------------------------

TEST(ZStringTest, ComparisonWithoutStorage) {
    const ZString none;
    const ZString empty = EmptyText();
    const ZString abc("abc");
    EXPECT_FALSE(none < abc);
    EXPECT_FALSE(none > abc);
    EXPECT_TRUE(none <= abc);
    EXPECT_TRUE(none >= abc);
    EXPECT_TRUE(empty < abc);
    EXPECT_FALSE(empty >= abc);
    EXPECT_TRUE(none == empty);
    EXPECT_FALSE(none == abc);
}

// ---- Editing -------------------------------------------------------------------------------

TEST(ZStringTest, ReplaceAllBanana) {
    ZString s("banana");
    EXPECT_EQ(s.ReplaceAll("a", "aa"), 3);
    EXPECT_STREQ(s.GetString(), "baanaanaa");
}

TEST(ZStringTest, ReplaceAllEmptyNeedleChangesNothing) {
    ZString s("abc");
    EXPECT_EQ(s.ReplaceAll("", "x"), 0);
    EXPECT_EQ(s.ReplaceAll("", ""), 0);
    EXPECT_STREQ(s.GetString(), "abc");
}

// ---- Format --------------------------------------------------------------------------------

TEST(ZStringTest, FormatAllocatesTheEstimate) {
    Probe s;
    EXPECT_EQ(s.Format("%d-%s", 42, "x"), 4);
    EXPECT_STREQ(s.GetString(), "42-x");
    EXPECT_EQ(s.Capacity(), 11);
}

TEST(ZStringTest, FormatNeverOverrunsASmallEstimate) {
    Probe s;
    const std::string longText(5000, 'q');
    EXPECT_EQ(s.Format("%g|%s", 1.0, longText.c_str()), 5002);
    EXPECT_EQ(s.GetLength(), 5002);
    EXPECT_EQ(std::string(s.GetString()), "1|" + longText);
}

// ---- LoadString ----------------------------------------------------------------------------

TEST(ZStringTest, LoadStringRegisteredText) {
    zplat::HMODULE self = zplat::GetModuleHandleA(nullptr);
    zplat::RegisterStringResource(self, 1001, "Device Name");
    ZString s;
    EXPECT_TRUE(s.LoadString(self, 1001));
    EXPECT_STREQ(s.GetString(), "Device Name");
    EXPECT_FALSE(s.LoadString(self, 999999));
    EXPECT_EQ(s.GetBuffer(), nullptr);
    zplat::UnregisterStringResource(self, 1001);
}

}  // namespace
