#include "foundation/string.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/files/string_resources.h"

namespace {

// Reads the fields a ZString keeps, which its public face does not show.
class Probe : public ZString {
public:
    using ZString::ZString;
    Probe(const ZString& s) : ZString(s) {}  // NOLINT: a copy, with no spare room
    // Taking over a result keeps its buffer as it is; a copy would drop spare room.
    Probe(ZString&& s) : ZString(std::move(s)) {}  // NOLINT: tests wrap results freely
    int Capacity() const { return capacity; }
    bool HasStorage() const { return buffer != nullptr; }
};

// A string holding the empty text with storage (capacity 1).
Probe EmptyText() {
    Probe s;
    s.Assign("");
    return s;
}

// The three kinds of string the comparisons tell apart, by name.
Probe Make(const char* kind) {
    if (std::strcmp(kind, "none") == 0) {
        return Probe();
    }
    if (std::strcmp(kind, "empty") == 0) {
        return EmptyText();
    }
    return Probe(kind);
}

// ---- Construction, assignment and storage -------------------------------------------------

TEST(ZStringConstruct, DefaultHasNoStorage) {
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

TEST(ZStringConstruct, EmptyTextHasStorageOfOneByte) {
    Probe s = EmptyText();
    EXPECT_TRUE(s.HasStorage());
    EXPECT_EQ(s.Capacity(), 1);
    EXPECT_TRUE(s.IsNumber(false));
    EXPECT_TRUE(s == "");
    EXPECT_TRUE(s == static_cast<const char*>(nullptr));
}

TEST(ZStringConstruct, FromTextCopiesExactly) {
    Probe s("abc");
    EXPECT_STREQ(s.GetString(), "abc");
    EXPECT_EQ(s.Capacity(), 4);
    Probe none(static_cast<const char*>(nullptr));
    EXPECT_FALSE(none.HasStorage());
}

TEST(ZStringConstruct, FromTextWithMaxChars) {
    struct Case {
        const char* name;
        const char* text;
        int maxChars;
        bool storage;
        const char* expected;
    };
    const Case cases[] = {
        {"cut", "abcdef", 3, true, "abc"},          {"shorter than max", "ab", 10, true, "ab"},
        {"largest max", "ab", INT_MAX, true, "ab"}, {"zero", "ab", 0, false, ""},
        {"negative", "ab", -4, false, ""},          {"null", nullptr, 5, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Probe s(c.text, c.maxChars);
        EXPECT_EQ(s.HasStorage(), c.storage);
        EXPECT_STREQ(s.GetString(), c.expected);
        EXPECT_EQ(s.Capacity(), c.storage ? static_cast<int>(std::strlen(c.expected)) + 1 : 0);
    }
}

TEST(ZStringConstruct, MaxCharsNeverReadsPastTheCount) {
    const char unterminated[3] = {'x', 'y', 'z'};  // no NUL: only the counted bytes may be read
    ZString s(unterminated, 3);
    EXPECT_STREQ(s.GetString(), "xyz");
}

TEST(ZStringConstruct, CopyDropsSpareRoomAndKeepsTheStorageState) {
    Probe grown("abcde");
    grown.Append('f');  // capacity 14
    Probe copy(static_cast<const ZString&>(grown));
    EXPECT_STREQ(copy.GetString(), "abcdef");
    EXPECT_EQ(copy.Capacity(), 7);

    Probe fromEmpty(static_cast<const ZString&>(EmptyText()));
    EXPECT_TRUE(fromEmpty.HasStorage());
    EXPECT_EQ(fromEmpty.Capacity(), 1);

    Probe fromNone(static_cast<const ZString&>(ZString()));
    EXPECT_FALSE(fromNone.HasStorage());
}

TEST(ZStringConstruct, NumbersAsText) {
    struct Case {
        const char* name;
        Probe value;
        const char* expected;
    };
    const Case cases[] = {
        {"zero", ZString(0), "0"},
        {"negative", ZString(-42), "-42"},
        {"smallest int", ZString(INT_MIN), "-2147483648"},
        {"largest int", ZString(INT_MAX), "2147483647"},
        {"double", ZString(1.5, 15), "1.5"},
        {"three digits", ZString(2.0 / 3.0, 3), "0.667"},
        {"exponent", ZString(1.0e20, 15), "1e+20"},
        {"fifteen digits", ZString(0.1 + 0.2, 15), "0.3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(c.value.GetString(), c.expected);
        EXPECT_EQ(c.value.Capacity(), static_cast<int>(std::strlen(c.expected)) + 1);
    }
}

TEST(ZStringConstruct, MoveTakesTheBuffer) {
    Probe source("abc");
    source.Append('d');  // spare room that a move keeps
    const char* text = source.GetString();
    Probe moved(std::move(source));
    EXPECT_EQ(moved.GetString(), text);
    EXPECT_EQ(moved.Capacity(), 10);
    EXPECT_FALSE(source.HasStorage());  // NOLINT(bugprone-use-after-move): left without storage

    ZString target("old");
    target = std::move(moved);
    EXPECT_STREQ(target.GetString(), "abcd");
}

TEST(ZStringAssign, Forms) {
    Probe s("abc");
    s.Assign("");
    EXPECT_EQ(s.Capacity(), 1);
    s.Assign(static_cast<const char*>(nullptr));
    EXPECT_FALSE(s.HasStorage());

    s.Assign("xyz");
    s.Assign(EmptyText());  // an empty source leaves no storage, even one with storage
    EXPECT_FALSE(s.HasStorage());

    s.Assign(ZString("text"));
    EXPECT_STREQ(s.GetString(), "text");
    const ZString& alias = s;
    s = alias;  // assigning a string its own text keeps the text
    EXPECT_STREQ(s.GetString(), "text");
    s = "other";
    EXPECT_STREQ(s.GetString(), "other");
}

TEST(ZStringAssign, FromOwnText) {
    ZString s("abcdef");
    s.Assign(s.GetTail(2));
    EXPECT_STREQ(s.GetString(), "cdef");
    EXPECT_EQ(s.AssignN(s.GetTail(1), 3), 2);
    EXPECT_STREQ(s.GetString(), "de");
}

TEST(ZStringAssign, AssignN) {
    struct Case {
        const char* name;
        const char* text;
        unsigned maxSize;
        int result;
        const char* expected;
        int capacity;
    };
    const Case cases[] = {
        {"cut to size - 1", "abcdef", 4, 3, "abc", 4}, {"shorter than size", "ab", 10, 2, "ab", 3},
        {"size 1: empty text", "ab", 1, 0, "", 1},     {"largest size", "ab", UINT_MAX, 2, "ab", 3},
        {"null: no change", nullptr, 5, 0, "keep", 5}, {"size 0: no change", "ab", 0, 0, "keep", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Probe s("keep");
        EXPECT_EQ(s.AssignN(c.text, c.maxSize), c.result);
        EXPECT_STREQ(s.GetString(), c.expected);
        EXPECT_EQ(s.Capacity(), c.capacity);
    }
}

TEST(ZStringStorage, AllocateAndCompact) {
    Probe s("old");
    s.Allocate(32);
    EXPECT_EQ(s.Capacity(), 32);
    EXPECT_STREQ(s.GetString(), "");
    std::strcpy(s.GetBuffer(), "written");
    s.Compact();
    EXPECT_EQ(s.GetLength(), 7);
    EXPECT_EQ(s.Capacity(), 8);
    EXPECT_STREQ(s.GetString(), "written");

    s.Allocate(0);
    EXPECT_FALSE(s.HasStorage());
    s.Compact();  // nothing to measure
    EXPECT_FALSE(s.HasStorage());

    s.Allocate(-5);  // refused size: no storage, nothing allocated
    EXPECT_FALSE(s.HasStorage());
}

TEST(ZStringStorage, CompactKeepsABufferFilledWithoutNul) {
    Probe s;
    s.Allocate(3);
    std::memcpy(s.GetBuffer(), "abc", 3);  // every byte written, no room for a NUL
    s.Compact();
    EXPECT_STREQ(s.GetString(), "abc");
    EXPECT_EQ(s.Capacity(), 4);
}

TEST(ZStringStorage, CloneAndDuplicate) {
    ZString s("abc");
    ZString* clone = s.Clone();
    EXPECT_STREQ(clone->GetString(), "abc");
    EXPECT_NE(clone->GetString(), s.GetString());
    delete clone;

    char* copy = s.Duplicate();
    EXPECT_STREQ(copy, "abc");
    delete[] copy;
    char* nothing = ZString().Duplicate();
    EXPECT_STREQ(nothing, "");
    delete[] nothing;
}

// ---- Read access ---------------------------------------------------------------------------

TEST(ZStringRead, IndexAndTail) {
    ZString s("abc");
    EXPECT_EQ(s[0u], 'a');
    EXPECT_EQ(s[2u], 'c');
    EXPECT_EQ(s[3u], '\0');
    EXPECT_EQ(s[UINT_MAX], '\0');
    s[1u] = 'B';
    EXPECT_STREQ(s.GetString(), "aBc");
    EXPECT_STREQ(s.GetTail(1), "Bc");
    EXPECT_STREQ(s.GetTail(3), "");
    const int position = 1;
    EXPECT_EQ(s[position], 'B');
    const ZString& constant = s;
    EXPECT_EQ(constant[2u], 'c');
    EXPECT_EQ(constant[7u], '\0');
}

TEST(ZStringRead, WritingOutOfRangeChangesNoOtherString) {
    ZString none;
    ZString other;
    none[5u] = 'X';
    EXPECT_STREQ(other.GetString(), "");
    EXPECT_STREQ(none.GetString(), "");
    EXPECT_EQ(none[5u], '\0');
}

// ---- Appending -----------------------------------------------------------------------------

TEST(ZStringAppend, GrowthCapacities) {
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

TEST(ZStringAppend, RepeatedAppendsDoubleTheBuffer) {
    Probe s;
    std::vector<int> capacities;
    for (int i = 0; i < 40; ++i) {
        s.Append('a');
        if (capacities.empty() || capacities.back() != s.Capacity()) {
            capacities.push_back(s.Capacity());
        }
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 10, 22, 46}));
    EXPECT_EQ(s.GetLength(), 40);
}

TEST(ZStringAppend, TextForms) {
    Probe s;
    s.Append(static_cast<const char*>(nullptr));
    EXPECT_FALSE(s.HasStorage());
    s.Append("");  // the growth rule gives even an empty append storage
    EXPECT_EQ(s.Capacity(), 2);
    s.Append("ab");
    s.Append(ZString("cd"));
    s.Append('\0');  // a NUL appends nothing
    EXPECT_EQ(s.GetLength(), 4);
    EXPECT_STREQ(s.GetString(), "abcd");
    s.Append(s);  // its own text
    EXPECT_STREQ(s.GetString(), "abcdabcd");
    s.Append(s.GetTail(6));
    EXPECT_STREQ(s.GetString(), "abcdabcdcd");
}

TEST(ZStringAppend, AppendN) {
    struct Case {
        const char* name;
        const char* text;
        int count;
        const char* expected;
    };
    const Case cases[] = {
        {"cut", "xyz", 2, "s-xy"}, {"whole", "xyz", 3, "s-xyz"},  {"past the NUL", "x", 10, "s-x"},
        {"zero", "xyz", 0, "s-"},  {"negative", "xyz", -1, "s-"}, {"null", nullptr, 3, "s-"},
        {"empty", "", 3, "s-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZString s("s-");
        s.AppendN(c.text, c.count);
        EXPECT_STREQ(s.GetString(), c.expected);
    }
    Probe none;
    none.AppendN("", 4);  // no character: no storage either
    EXPECT_FALSE(none.HasStorage());
}

TEST(ZStringAppend, CompoundAndPlusOperators) {
    ZString s("v");
    s += 12;
    s += '.';
    s += 0.25;
    s += "|";
    s += ZString("z");
    EXPECT_STREQ(s.GetString(), "v12.0.25|z");

    const ZString base("ab");
    struct Case {
        const char* name;
        Probe result;
        const char* expected;
    };
    const Case cases[] = {
        {"text", base + "cd", "abcd"},
        {"null text", base + static_cast<const char*>(nullptr), "ab"},
        {"int", base + -7, "ab-7"},
        {"double", base + 2.5, "ab2.5"},
        {"string", base + ZString("xy"), "abxy"},
        {"no storage on both sides", ZString() + "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(c.result.GetString(), c.expected);
        EXPECT_EQ(c.result.Capacity(), static_cast<int>(std::strlen(c.expected)) + 1);
    }
    EXPECT_STREQ(base.GetString(), "ab");
}

// ---- Comparison ----------------------------------------------------------------------------

TEST(ZStringCompare, AllOperatorsOverTheStorageStates) {
    struct Case {
        const char* left;
        const char* right;
        bool eq, lt, gt;
    };
    // "none" has no storage, "empty" is the empty text with storage.
    const Case cases[] = {
        {"none", "none", true, false, false},   {"none", "empty", true, false, false},
        {"none", "abc", false, false, false},   {"abc", "none", false, false, false},
        {"empty", "empty", true, false, false}, {"empty", "abc", false, true, false},
        {"abc", "empty", false, false, true},   {"abc", "abc", true, false, false},
        {"abc", "abd", false, true, false},     {"ab", "abc", false, true, false},
        {"abc", "ab", false, false, true},      {"\xE9", "a", false, false, true},
        {"ABC", "abc", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.left) + " vs " + c.right);
        const ZString l = Make(c.left);
        const ZString r = Make(c.right);
        EXPECT_EQ(l == r, c.eq);
        EXPECT_EQ(l != r, !c.eq);
        EXPECT_EQ(l < r, c.lt);
        EXPECT_EQ(l > r, c.gt);
        EXPECT_EQ(l <= r, !c.gt);
        EXPECT_EQ(l >= r, !c.lt);
    }
}

TEST(ZStringCompare, AgainstText) {
    struct Case {
        const char* left;
        const char* text;
        bool eq;
    };
    const Case cases[] = {
        {"none", nullptr, true},  {"none", "", true},   {"none", "a", false},
        {"empty", nullptr, true}, {"empty", "", true},  {"empty", "a", false},
        {"abc", "abc", true},     {"abc", "ab", false}, {"abc", nullptr, false},
        {"abc", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.left) + " vs " + (c.text ? c.text : "null"));
        const ZString l = Make(c.left);
        EXPECT_EQ(l == c.text, c.eq);
        EXPECT_EQ(l != c.text, !c.eq);
    }
}

// ---- Search --------------------------------------------------------------------------------

TEST(ZStringSearch, FindChar) {
    struct Case {
        const char* name;
        const char* text;
        char c;
        int start;  // -100: the form without a start
        bool reverse;
        int expected;
    };
    const Case cases[] = {
        {"last a", "banana", 'a', -100, true, 5},
        {"first a", "banana", 'a', -100, false, 1},
        {"forward from start", "banana", 'n', 3, false, 4},
        {"backward from start", "banana", 'n', 3, true, 2},
        {"start beyond the text", "abc", 'x', 10, false, -1},
        {"backward from 0 without a match", "banana", 'a', 0, true, -1},
        {"backward reaches the first character", "banana", 'b', 3, true, 0},
        {"backward from 0 with a match", "banana", 'b', 0, true, 0},
        {"one character, backward", "a", 'a', -100, true, 0},
        {"negative start", "abc", 'a', -1, false, -1},
        {"negative start backward", "abc", 'a', -1, true, -1},
        {"NUL is never found", "abc", '\0', 0, false, -1},
        {"empty text", "empty", 'a', -100, true, -1},
        {"no storage", "none", 'a', -100, false, -1},
        {"high byte", "a\xE9z", '\xE9', -100, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ZString s = Make(c.text);
        const int found =
            c.start == -100 ? s.FindChar(c.c, c.reverse) : s.FindChar(c.c, c.start, c.reverse);
        EXPECT_EQ(found, c.expected);
    }
}

TEST(ZStringSearch, Find) {
    struct Case {
        const char* name;
        const char* text;
        const char* needle;
        int start;
        int expected;
    };
    const Case cases[] = {
        {"first", "banana", "an", 0, 1},
        {"from start", "banana", "an", 2, 3},
        {"empty needle at start", "banana", "", 2, 2},
        {"missing", "banana", "x", 0, -1},
        {"null needle", "banana", nullptr, 0, -1},
        {"start at the end", "banana", "a", 6, -1},
        {"negative start", "banana", "a", -1, -1},
        {"empty text", "empty", "", 0, -1},
        {"no storage", "none", "", 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ZString s = Make(c.text);
        EXPECT_EQ(s.Find(c.needle, c.start), c.expected);
        if (c.start == 0) {
            EXPECT_EQ(s.Find(c.needle), c.expected);
        }
    }
}

// ---- Editing -------------------------------------------------------------------------------

TEST(ZStringEdit, Insert) {
    struct Case {
        const char* name;
        const char* text;
        const char* insert;
        int pos;
        bool result;
        const char* expected;
        int capacity;
    };
    const Case cases[] = {
        {"at the end appends", "abc", "X", 3, true, "abcX", 10},
        {"past the end", "abc", "X", 4, false, "abc", 4},
        {"middle: exact buffer", "abc", "X", 1, true, "aXbc", 5},
        {"front", "abc", "XY", 0, true, "XYabc", 6},
        {"negative position", "abc", "X", -1, false, "abc", 4},
        {"null", "abc", nullptr, 1, false, "abc", 4},
        {"into no storage", "none", "X", 0, true, "X", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Probe s = Make(c.text);
        EXPECT_EQ(s.Insert(c.insert, c.pos), c.result);
        EXPECT_STREQ(s.GetString(), c.expected);
        EXPECT_EQ(s.Capacity(), c.capacity);
    }
    ZString own("ab");
    EXPECT_TRUE(own.Insert(own.GetString(), 1));
    EXPECT_STREQ(own.GetString(), "aabb");
}

TEST(ZStringEdit, RemoveAndReplace) {
    struct Case {
        const char* name;
        int pos;
        int count;
        bool result;
        const char* expected;
    };
    const Case removes[] = {
        {"past the end cuts", 1, 100, true, "a"},
        {"count overflowing int", 1, INT_MAX, true, "a"},
        {"at the length", 6, 1, false, "abcdef"},
        {"middle", 2, 2, true, "abef"},
        {"nothing", 2, 0, true, "abcdef"},
        {"negative position", -1, 1, false, "abcdef"},
        {"negative count", 2, -1, false, "abcdef"},
    };
    for (const Case& c : removes) {
        SCOPED_TRACE(c.name);
        Probe s("abcdef");
        EXPECT_EQ(s.Remove(c.pos, c.count), c.result);
        EXPECT_STREQ(s.GetString(), c.expected);
        EXPECT_EQ(s.Capacity(), 7);  // Remove never reallocates
    }
    EXPECT_FALSE(ZString().Remove(0, 1));

    ZString s("abcdef");
    EXPECT_FALSE(s.Replace(2, 2, nullptr));  // the span goes, nothing is inserted
    EXPECT_STREQ(s.GetString(), "abef");
    EXPECT_TRUE(s.Replace(1, 2, "XYZ"));
    EXPECT_STREQ(s.GetString(), "aXYZf");
    EXPECT_FALSE(s.Replace(5, 1, "q"));
    EXPECT_STREQ(s.GetString(), "aXYZf");
}

TEST(ZStringEdit, ReplaceAll) {
    struct Case {
        const char* name;
        const char* text;
        const char* from;
        const char* to;
        int count;
        const char* expected;
    };
    const Case cases[] = {
        {"replacement holds the needle", "banana", "a", "aa", 3, "baanaanaa"},
        {"to empty", "banana", "an", "", 2, "ba"},
        {"overlapping needles", "aaa", "aa", "b", 1, "ba"},
        {"grows at the end", "abab", "ab", "abab", 2, "abababab"},
        {"none found", "abc", "x", "y", 0, "abc"},
        {"empty needle", "abc", "", "x", 0, "abc"},
        {"empty needle and replacement", "abc", "", "", 0, "abc"},
        {"null needle", "abc", nullptr, "x", 0, "abc"},
        {"null replacement", "abc", "a", nullptr, 0, "abc"},
        {"no storage", "none", "a", "b", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZString s = Make(c.text);
        EXPECT_EQ(s.ReplaceAll(c.from, c.to), c.count);
        EXPECT_STREQ(s.GetString(), c.expected);
    }
}

TEST(ZStringEdit, ReplaceAllWithItsOwnText) {
    ZString s("abcab");
    EXPECT_EQ(s.ReplaceAll(s.GetTail(3), "x"), 2);  // the needle lives in the changing buffer
    EXPECT_STREQ(s.GetString(), "xcx");
    ZString t("ab");
    EXPECT_EQ(t.ReplaceAll("b", t.GetString()), 1);
    EXPECT_STREQ(t.GetString(), "aab");
}

TEST(ZStringEdit, SubString) {
    struct Case {
        const char* name;
        int start;
        int count;
        bool storage;
        const char* expected;
    };
    const Case cases[] = {
        {"middle", 2, 2, true, "cd"},
        {"past the end", 4, 100, true, "ef"},
        {"last", 5, 1, true, "f"},
        {"start at the length", 6, 1, false, ""},
        {"zero count", 2, 0, false, ""},
        {"negative count", 2, -3, false, ""},
        {"negative start", -1, 2, false, ""},
    };
    const ZString s("abcdef");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Probe sub = s.SubString(c.start, c.count);
        EXPECT_EQ(sub.HasStorage(), c.storage);
        EXPECT_STREQ(sub.GetString(), c.expected);
    }
    EXPECT_FALSE(Probe(ZString().SubString(0, 1)).HasStorage());
}

// ---- Case, trims, strips and reversal ------------------------------------------------------

TEST(ZStringCase, HighBytesStay) {
    ZString s("a\xE9\x01z");
    EXPECT_EQ(s.ToUpper(), 2);
    EXPECT_STREQ(s.GetString(), "A\xE9\x01Z");
    ZString t("AbC\xC9[@");
    EXPECT_EQ(t.ToLower(), 2);
    EXPECT_STREQ(t.GetString(), "abc\xC9[@");
    Probe none;
    EXPECT_EQ(none.ToUpper(), 0);
    EXPECT_EQ(none.ToLower(), 0);
    EXPECT_FALSE(none.HasStorage());
}

TEST(ZStringTrim, Trims) {
    enum Op { kTrim, kLeft, kRight };
    struct Case {
        const char* name;
        const char* text;
        Op op;
        bool spacesOnly;
        int removed;
        const char* expected;
    };
    const Case cases[] = {
        {"right keeps the first character", "   ", kRight, false, 2, " "},
        {"both sides empty it", "   ", kTrim, false, 3, ""},
        {"0xE9 is a blank",
         "\xE9"
         "abc",
         kLeft, false, 1, "abc"},
        {"0xE9 is no space",
         "\xE9"
         "abc",
         kLeft, true, 0,
         "\xE9"
         "abc"},
        {"controls and high bytes", "\t\r\n abc \x01\xFF", kTrim, false, 7, "abc"},
        {"only spaces", " \tabc\t ", kTrim, true, 2, "\tabc\t"},
        {"0x7F is no blank",
         "\x7F"
         "a\x7F",
         kTrim, false, 0,
         "\x7F"
         "a\x7F"},
        {"0x80 on the right", "a\x80\x80", kRight, false, 2, "a"},
        {"nothing to trim", "abc", kTrim, false, 0, "abc"},
        {"right spaces", "x   ", kRight, true, 3, "x"},
        {"empty text", "empty", kTrim, false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZString s = Make(c.text);
        const int removed = c.op == kTrim   ? s.Trim(c.spacesOnly)
                            : c.op == kLeft ? s.TrimLeft(c.spacesOnly)
                                            : s.TrimRight(c.spacesOnly);
        EXPECT_EQ(removed, c.removed);
        EXPECT_STREQ(s.GetString(), c.expected);
        EXPECT_EQ(s.GetLength(), static_cast<int>(std::strlen(c.expected)));
    }
    Probe none;
    EXPECT_EQ(none.Trim(false), 0);
    EXPECT_FALSE(none.HasStorage());
}

TEST(ZStringTrim, TrimsKeepTheBuffer) {
    Probe s("  ab  ");
    s.Trim(true);
    EXPECT_EQ(s.Capacity(), 7);
}

TEST(ZStringTrim, Strips) {
    ZString s("xxabcxx");
    EXPECT_EQ(s.Strip('x'), 4);
    EXPECT_STREQ(s.GetString(), "abc");
    ZString right("xxx");
    EXPECT_EQ(right.StripRight('x'), 2);
    EXPECT_STREQ(right.GetString(), "x");
    ZString all("xxx");
    EXPECT_EQ(all.Strip('x'), 3);
    EXPECT_STREQ(all.GetString(), "");
    ZString left(
        "\xE9\xE9"
        "a");
    EXPECT_EQ(left.StripLeft('\xE9'), 2);
    EXPECT_STREQ(left.GetString(), "a");
    EXPECT_EQ(left.StripLeft('\0'), 0);
    EXPECT_EQ(ZString().Strip('x'), 0);
}

TEST(ZStringReverse, SwapsHalf) {
    struct Case {
        const char* text;
        int swaps;
        const char* expected;
    };
    const Case cases[] = {
        {"abcde", 2, "edcba"}, {"ab", 1, "ba"}, {"a", 0, "a"}, {"empty", 0, ""}, {"none", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ZString s = Make(c.text);
        EXPECT_EQ(s.Reverse(), c.swaps);
        EXPECT_STREQ(s.GetString(), c.expected);
    }
}

// ---- Numbers -------------------------------------------------------------------------------

TEST(ZStringNumber, ToIntAndToDouble) {
    struct Case {
        const char* text;
        int asInt;
        double asDouble;
    };
    const Case cases[] = {
        {"42", 42, 42.0},
        {"  -17abc", -17, -17.0},
        {"+8", 8, 8.0},
        {"abc", 0, 0.0},
        {"1.5", 1, 1.5},
        {"-2e3", -2, -2000.0},
        {"99999999999", INT_MAX, 99999999999.0},  // out of int range: stops at the limit
        {"-99999999999", INT_MIN, -99999999999.0},
        {"empty", 0, 0.0},
        {"none", 0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ZString s = Make(c.text);
        EXPECT_EQ(s.ToInt(), c.asInt);
        EXPECT_DOUBLE_EQ(s.ToDouble(), c.asDouble);
    }
}

TEST(ZStringNumber, IsNumber) {
    struct Case {
        const char* text;
        bool integerOnly;
        bool expected;
    };
    const Case cases[] = {
        {"1.5", true, false}, {"1.5.5", false, true}, {"--1", true, true},
        {"123", true, true},  {"1a", false, false},   {" 1", false, false},
        {"+1", false, false}, {"empty", true, true},  {"none", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + (c.integerOnly ? " integer" : " any"));
        EXPECT_EQ(Make(c.text).IsNumber(c.integerOnly), c.expected);
    }
}

// ---- Chaining forms ------------------------------------------------------------------------

// Counts the operations the chaining forms reach through the virtual slots.
class CountingString : public ZString {
public:
    using ZString::ZString;
    int ToUpper() override {
        ++upperCalls;
        return ZString::ToUpper();
    }
    int Trim(bool spacesOnly) override {
        ++trimCalls;
        return ZString::Trim(spacesOnly);
    }
    int upperCalls = 0;
    int trimCalls = 0;
};

TEST(ZStringChain, RefFormsChainThroughTheVirtualOperations) {
    CountingString s("  hello  ");
    ZString& result = s.TrimRef(true).ToUpperRef().AppendRef("!").InsertRef(">", 0);
    EXPECT_EQ(&result, &s);
    EXPECT_STREQ(s.GetString(), ">HELLO!");
    EXPECT_EQ(s.upperCalls, 1);
    EXPECT_EQ(s.trimCalls, 1);

    ZString t("xxabcxx");
    t.StripLeftRef('x').StripRightRef('x').ReverseRef().ToLowerRef();
    EXPECT_STREQ(t.GetString(), "cba");
    t.AppendNRef("defg", 2).RemoveRef(0, 1).ReplaceRef(0, 1, "B").ReplaceAllRef("a", "A");
    EXPECT_STREQ(t.GetString(), "BAde");
    t.TrimLeftRef(false).TrimRightRef(false).StripRef('B');
    EXPECT_STREQ(t.GetString(), "Ade");
}

// ---- Format and its estimate ---------------------------------------------------------------

int Estimate(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int estimate = ZString().EstimateFormatSize(format, args);
    va_end(args);
    return estimate;
}

TEST(ZStringFormat, Estimates) {
    // Each row: the format length + 1, less the characters of each % directive, plus the
    // width its conversion is given.
    struct Case {
        const char* name;
        int estimate;
        int expected;
    };
    const Case cases[] = {
        {"%d-%s: 6 - 2 - 2 + 7 + 2", Estimate("%d-%s", 42, "x"), 11},
        {"plain text", Estimate("abc"), 4},
        {"%%: 3 - 2 + 1", Estimate("%%"), 2},
        {"%c: 3 - 2 + 1", Estimate("%c", 'a'), 2},
        {"%5d: 4 - 3 + 7", Estimate("%5d", 1), 8},
        {"%10d: 5 - 4 + 10", Estimate("%10d", 1), 11},
        {"%+d: 4 + 1 - 3 + 7", Estimate("%+d", 1), 9},
        {"%hd: the d counts as text, 4 - 2 + 5", Estimate("%hd", 1), 7},
        {"%ld: the d counts as text, 4 - 2 + 7", Estimate("%ld", 5L), 9},
        {"%f: 3 - 2 + 12", Estimate("%f", 1.0), 13},
        {"%8.6f: 6 - 5 + 14", Estimate("%8.6f", 1.0), 15},
        {"%x: 3 - 2 + 8", Estimate("%x", 1u), 9},
        {"%#x: 4 - 3 + 10", Estimate("%#x", 1u), 11},
        {"%p: 3 - 2 + 8", Estimate("%p", static_cast<void*>(nullptr)), 9},
        {"%s of null: 3 - 2 + 1", Estimate("%s", static_cast<const char*>(nullptr)), 2},
        {"%8s: 4 - 3 + 8", Estimate("%8s", "ab"), 9},
        {"%*d: star width 12", Estimate("%*d", 12, 5), 13},
        {"%.*f: star precision 3", Estimate("%.*f", 3, 1.0), 13},
        {"%g: 3 - 2 + 8", Estimate("%g", 1.5), 9},
        {"%g then %s keeps the string", Estimate("%g %s", 1.5, "hello"), 16},
        {"%lld then %s keeps the string", Estimate("%lld %s", 1LL, "hello"), 18},
        {"%zu then %s", Estimate("%zu%s", static_cast<size_t>(3), "abc"), 14},
        {"trailing %", Estimate("ab%"), 3},
        {"%ls: wide length, the s counts as text", Estimate("%ls", L"abc"), 6},
        {"%lc then %s: 6 - 2 + 1 - 2 + 3", Estimate("%lc%s", static_cast<wint_t>(L'w'), "ab"), 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.estimate, c.expected);
    }
    EXPECT_EQ(Estimate(nullptr), 0);
}

TEST(ZStringFormat, ElevenByteExample) {
    Probe s;
    EXPECT_EQ(s.Format("%d-%s", 42, "x"), 4);
    EXPECT_STREQ(s.GetString(), "42-x");
    EXPECT_EQ(s.GetLength(), 4);
    EXPECT_EQ(s.Capacity(), 11);
}

TEST(ZStringFormat, RoomWhenTheEstimateIsTooSmall) {
    struct Case {
        const char* name;
        int result;
        std::string formatted;
        std::string expected;
    };
    const std::string longText(5000, 'q');
    std::vector<Case> cases;
    auto add = [&cases](const char* name, const Probe& s, int result, std::string expected) {
        cases.push_back({name, result, std::string(s.GetString(), s.GetLength()), expected});
        EXPECT_GE(s.Capacity(), s.GetLength() + 1) << name;
    };
    {
        Probe s;
        int r = s.Format("%.20f", 1e20);
        add("precision beyond the estimate", s, r, "100000000000000000000.00000000000000000000");
    }
    {
        Probe s;
        int r = s.Format("%g|%s", 1.0, longText.c_str());
        add("long string after %g", s, r, "1|" + longText);
    }
    {
        Probe s;
        int r = s.Format("%lld %s", 123456789012345LL, "x");
        add("long long", s, r, "123456789012345 x");
    }
    {
        Probe s;
        int r = s.Format("%ls|%lc", L"wide", static_cast<wint_t>(L'w'));
        add("wide texts", s, r, "wide|w");
    }
    {
        Probe s;
        int r = s.Format("%-12s|%05d|%+.2e", "ab", 42, 12345.678);
        add("flags", s, r, "ab          |00042|+1.23e+04");
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.formatted, c.expected);
        EXPECT_EQ(c.result, static_cast<int>(c.expected.size()));
    }
}

TEST(ZStringFormat, NullFormatEmptyFormatAndOwnText) {
    Probe s("old");
    EXPECT_EQ(s.Format(nullptr), 0);
    EXPECT_FALSE(s.HasStorage());
    EXPECT_EQ(s.Format("%s", ""), 0);
    EXPECT_TRUE(s.HasStorage());

    ZString own("abc");
    EXPECT_EQ(own.Format("%s-%s", own.GetString(), own.GetTail(1)), 6);
    EXPECT_STREQ(own.GetString(), "abc-bc");
}

// ---- LoadString ----------------------------------------------------------------------------

// Records the room LoadString offers on each round.
class AllocationRecorder : public ZString {
public:
    void Allocate(int size) override {
        sizes.push_back(size);
        ZString::Allocate(size);
    }
    int Capacity() const { return capacity; }
    std::vector<int> sizes;
};

class ZStringLoadTest : public ::testing::Test {
protected:
    void TearDown() override { zplat::ClearStringResources(); }
    zplat::HMODULE self_ = zplat::GetModuleHandleA(nullptr);
};

TEST_F(ZStringLoadTest, TextsOfEveryLength) {
    struct Case {
        size_t length;
        std::vector<int> rooms;
    };
    const Case cases[] = {
        {1, {1024}},
        {1022, {1024}},
        {1023, {1024, 2048}},  // room - 1 characters may be cut: load again with more room
        {1024, {1024, 2048}},
        {2047, {1024, 2048, 3072}},
        {5000, {1024, 2048, 3072, 4096, 5120}},
    };
    unsigned id = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string text(c.length, 'r');
        text[0] = '\xE9';  // bytes are bytes
        text[c.length - 1] = 'Z';
        zplat::RegisterStringResource(self_, ++id, text);
        AllocationRecorder s;
        EXPECT_TRUE(s.LoadString(self_, id));
        EXPECT_EQ(std::string(s.GetString(), s.GetLength()), text);
        EXPECT_EQ(s.Capacity(), static_cast<int>(c.length) + 1);
        EXPECT_EQ(s.sizes, c.rooms);
    }
}

TEST_F(ZStringLoadTest, MissingOrEmptyResourceLeavesNoStorage) {
    zplat::RegisterStringResource(self_, 5, "");
    zplat::RegisterStringResource(self_, 6, "six");
    struct Case {
        const char* name;
        zplat::HMODULE module;
        unsigned id;
    };
    const Case cases[] = {
        {"unknown id", self_, 999},
        {"empty text", self_, 5},
        {"other module", zplat::GetModuleHandleA("other.dll"), 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZString s("previous");
        EXPECT_FALSE(s.LoadString(c.module, c.id));
        EXPECT_EQ(s.GetBuffer(), nullptr);
    }
    ZString s;
    EXPECT_TRUE(s.LoadString(self_, 6));
    EXPECT_STREQ(s.GetString(), "six");
}

// ---- Layout --------------------------------------------------------------------------------

// The position of each operation in the table of virtual operations is part of the class's
// layout. Under the Itanium C++ ABI a pointer to a virtual member holds 1 + its byte offset in
// the table, and the destructor takes two entries (complete and deleting).
TEST(ZStringLayout, VirtualOperationsInSlotOrder) {
#if defined(__GXX_ABI_VERSION) && (defined(__x86_64__) || defined(__i386__))
    struct Raw {
        ptrdiff_t ptr;
        ptrdiff_t adjust;
    };
    auto slot = [](auto member) {
        static_assert(sizeof(member) == sizeof(Raw));
        Raw raw;
        std::memcpy(&raw, &member, sizeof raw);
        return static_cast<int>((raw.ptr - 1) / static_cast<ptrdiff_t>(sizeof(void*)));
    };
    using S = ZString;
    const int order[] = {
        slot(&S::Empty),
        slot(static_cast<void (S::*)(const S&)>(&S::Append)),
        slot(static_cast<void (S::*)(char)>(&S::Append)),
        slot(&S::EstimateFormatSize),
        slot(&S::Compact),
        // the destructor: two entries
        slot(&S::Clone),
        slot(&S::GetString),
        slot(&S::GetLength),
        slot(static_cast<void (S::*)(const char*)>(&S::Assign)),
        slot(static_cast<void (S::*)(const S&)>(&S::Assign)),
        slot(static_cast<S& (S::*)(const char*)>(&S::operator+=)),
        slot(static_cast<S& (S::*)(char)>(&S::operator+=)),
        slot(static_cast<S& (S::*)(int)>(&S::operator+=)),
        slot(static_cast<S& (S::*)(double)>(&S::operator+=)),
        slot(static_cast<S& (S::*)(const S&)>(&S::operator+=)),
        slot(static_cast<S (S::*)(const char*) const>(&S::operator+)),
        slot(static_cast<S (S::*)(int) const>(&S::operator+)),
        slot(static_cast<S (S::*)(double) const>(&S::operator+)),
        slot(static_cast<S (S::*)(const S&) const>(&S::operator+)),
        slot(static_cast<bool (S::*)(const S&) const>(&S::operator==)),
        slot(static_cast<bool (S::*)(const char*) const>(&S::operator==)),
        slot(static_cast<bool (S::*)(const S&) const>(&S::operator!=)),
        slot(static_cast<bool (S::*)(const char*) const>(&S::operator!=)),
        slot(&S::operator<),
        slot(&S::operator>),
        slot(&S::operator<=),
        slot(&S::operator>=),
        slot(static_cast<char& (S::*)(unsigned)>(&S::operator[])),
        slot(&S::GetBuffer),
        slot(&S::IsEmpty),
        slot(&S::GetTail),
        slot(static_cast<int (S::*)(char, bool) const>(&S::FindChar)),
        slot(static_cast<int (S::*)(char, int, bool) const>(&S::FindChar)),
        slot(static_cast<int (S::*)(const char*) const>(&S::Find)),
        slot(static_cast<int (S::*)(const char*, int) const>(&S::Find)),
        slot(&S::Allocate),
        slot(&S::AppendN),
        slot(static_cast<void (S::*)(const char*)>(&S::Append)),
        slot(&S::Insert),
        slot(&S::Remove),
        slot(&S::Replace),
        slot(&S::ReplaceAll),
        slot(&S::ToUpper),
        slot(&S::ToLower),
        slot(&S::ToInt),
        slot(&S::ToDouble),
        slot(&S::Trim),
        slot(&S::TrimLeft),
        slot(&S::TrimRight),
        slot(&S::Strip),
        slot(&S::StripLeft),
        slot(&S::StripRight),
        slot(&S::SubString),
        slot(&S::Reverse),
        slot(&S::Duplicate),
        slot(&S::Format),
        slot(&S::AssignN),
        slot(&S::LoadString),
        slot(&S::IsNumber),
        slot(&S::AppendNRef),
        slot(&S::AppendRef),
        slot(&S::InsertRef),
        slot(&S::RemoveRef),
        slot(&S::ReplaceRef),
        slot(&S::ReplaceAllRef),
        slot(&S::ToUpperRef),
        slot(&S::ToLowerRef),
        slot(&S::TrimRef),
        slot(&S::TrimLeftRef),
        slot(&S::TrimRightRef),
        slot(&S::StripRef),
        slot(&S::StripLeftRef),
        slot(&S::StripRightRef),
        slot(&S::ReverseRef),
    };
    for (int i = 0; i < static_cast<int>(std::size(order)); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(order[i], i < 5 ? i : i + 2);  // slots 5 and 6: the destructor
    }
#else
    GTEST_SKIP() << "slot offsets are read through the Itanium C++ ABI";
#endif
}

}  // namespace
