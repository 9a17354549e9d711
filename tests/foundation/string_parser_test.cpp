#include "foundation/string_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Fields(LCharPtrList* list) {
    std::vector<std::string> out;
    for (char* f = list->First(); f; f = list->Next()) {
        out.emplace_back(f);
    }
    return out;
}

TEST(StringParserTest, SplitsIntoNonEmptyFields) {
    struct Case {
        const char* name;
        const char* text;
        char separator;
        char open;
        char close;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"plain", "a,b,c", ',', 0, 0, {"a", "b", "c"}},
        {"empty fields dropped", "a,,b,", ',', 0, 0, {"a", "b"}},
        {"only separators", ",,,", ',', 0, 0, {}},
        {"leading separator", ",a", ',', 0, 0, {"a"}},
        {"no separator", "abc", ',', 0, 0, {"abc"}},
        {"other separator", "10.0.0.1 10.0.0.2", ' ', 0, 0, {"10.0.0.1", "10.0.0.2"}},
        {"quoted stretch kept", "x,\"y,z\"", ',', '"', '"', {"x", "\"y,z\""}},
        {"quotes unset: quote is text", "x,\"y,z\"", ',', 0, 0, {"x", "\"y", "z\""}},
        {"unclosed quote runs to end", "a,\"b,c", ',', '"', '"', {"a", "\"b,c"}},
        {"distinct quotes", "[a,b],c", ',', '[', ']', {"[a,b]", "c"}},
        {"no nesting", "[a,[b],c],d", ',', '[', ']', {"[a,[b]", "c]", "d"}},
        {"close alone is text", "a],b", ',', '[', ']', {"a]", "b"}},
        {"high bytes are text", "\xE9,\xFF\xFE", ',', 0, 0, {"\xE9", "\xFF\xFE"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZStringParser parser(c.text);
        parser.SetQuotes(c.open, c.close);
        LCharPtrList* list = parser.Split(c.separator);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(Fields(list), c.fields);
        EXPECT_EQ(list->GetCount(), static_cast<int>(c.fields.size()));
    }
}

TEST(StringParserTest, NullOrEmptyTextGivesNullAndKeepsPreviousFields) {
    EXPECT_EQ(ZStringParser(nullptr).Split(','), nullptr);
    EXPECT_EQ(ZStringParser("").Split(','), nullptr);

    ZStringParser parser("a,b");
    LCharPtrList* list = parser.Split(',');
    ASSERT_NE(list, nullptr);
    parser.SetText("");
    EXPECT_EQ(parser.Split(','), nullptr);
    parser.SetText(nullptr);
    EXPECT_EQ(parser.Split(','), nullptr);
    EXPECT_EQ(Fields(list), (std::vector<std::string>{"a", "b"}));
}

TEST(StringParserTest, SecondSplitReplacesFieldsOfFirst) {
    ZStringParser parser("a,b,c");
    LCharPtrList* first = parser.Split(',');
    ASSERT_NE(first, nullptr);
    // SetText keeps the old fields until the next split.
    parser.SetText("x;y");
    EXPECT_EQ(Fields(first), (std::vector<std::string>{"a", "b", "c"}));
    LCharPtrList* second = parser.Split(';');
    EXPECT_EQ(second, first);  // the one list, refilled; ASan reports any field left behind
    EXPECT_EQ(Fields(second), (std::vector<std::string>{"x", "y"}));
}

TEST(StringParserTest, KeepsItsOwnCopyOfTheText) {
    char text[] = "a,b";
    ZStringParser parser(text);
    text[0] = 'z';
    EXPECT_EQ(Fields(parser.Split(',')), (std::vector<std::string>{"a", "b"}));
}

TEST(StringParserTest, QuotesAreOffUntilSet) {
    ZStringParser parser("x");
    EXPECT_EQ(parser.GetOpenQuote(), 0);
    EXPECT_EQ(parser.GetCloseQuote(), 0);
    parser.SetQuotes('\'', '"');
    EXPECT_EQ(parser.GetOpenQuote(), '\'');
    EXPECT_EQ(parser.GetCloseQuote(), '"');
}

TEST(StringParserTest, HexPairs) {
    struct Case {
        const char* s;
        char prefix;
        bool is_pair;
        int value;
    };
    const Case cases[] = {
        {"7f", 0, true, 127},
        {"x7F", 'x', true, 127},
        {"00", 0, true, 0},
        {"FF", 0, true, 255},
        {"aB", 0, true, 171},
        {"7fzz", 0, true, 127},
        {"7g", 0, false, 0},
        {"g7", 0, false, 0},
        {"7", 0, false, 0},
        {"", 0, false, 0},
        {"x7", 'x', false, 0},
        {"x", 'x', false, 0},
        {"y7F", 'x', false, 0},
        {"7F", 'x', false, 0},
        {"X7F", 'x', false, 0},
        {"\xC1"
         "1",
         0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.s) + " prefix " + (c.prefix ? std::string(1, c.prefix) : "0"));
        EXPECT_EQ(ZStringParser::IsHexPair(c.s, c.prefix), c.is_pair);
        EXPECT_EQ(ZStringParser::HexPairValue(c.s, c.prefix), c.value);
    }
    EXPECT_FALSE(ZStringParser::IsHexPair(nullptr, 0));
    EXPECT_EQ(ZStringParser::HexPairValue(nullptr, 'x'), 0);
}

}  // namespace
