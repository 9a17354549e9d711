#include "catalogue/table_text.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

namespace {

TEST(TableTextTest, PrintableAndQuoteLeaveNoControlCharacter) {
    const struct {
        const char* what;
        std::string text;
        std::string printable;
        std::string quoted;
    } cases[] = {
        {"printable ASCII", "Booth 2 ~", "Booth 2 ~", "\"Booth 2 ~\""},
        {"UTF-8 stays", "B\xC3\xBChne", "B\xC3\xBChne", "\"B\xC3\xBChne\""},
        {"C0 controls, ESC and DEL", std::string("a\tb\x1b[2J\x7f\x00z", 10), "a?b?[2J??z",
         "\"a\\tb\\u001b[2J\\u007f\\u0000z\""},
        {"newline and carriage return", "a\nb\rc", "a?b?c", "\"a\\nb\\u000dc\""},
        // U+009B is CSI to terminals that take 8-bit controls: as dangerous as ESC [.
        {"C1 CSI as UTF-8",
         "x\xC2\x9B"
         "2Jy",
         "x?2Jy", "\"x\\u009b2Jy\""},
        {"C1 first and last", "\xC2\x80\xC2\x9F", "??", "\"\\u0080\\u009f\""},
        {"U+00A0 is no control", "\xC2\xA0", "\xC2\xA0", "\"\xC2\xA0\""},
        // Not UTF-8: read as Windows-1252, where 0x9B is a character, not CSI.
        {"Windows-1252 e acute", "Caf\xE9", "Caf\xC3\xA9", "\"Caf\xC3\xA9\""},
        {"Windows-1252 0x9B with ESC", "\x1b\x9B", "?\xE2\x80\xBA", "\"\\u001b\xE2\x80\xBA\""},
        {"quotes and backslashes", "say \"hi\" \\", "say \"hi\" \\", "\"say \\\"hi\\\" \\\\\""},
        {"empty", "", "", "\"\""},
        // Bidirectional embeddings, overrides and isolates reorder the rest of a terminal line.
        {"right-to-left override",
         "abc\xE2\x80\xAE"
         "def",
         "abc?def", "\"abc\\u202edef\""},
        {"every bidi control",
         "\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD\xE2\x81\xA6\xE2\x81\xA7\xE2\x81\xA8\xE2"
         "\x81\xA9",
         "????????", "\"\\u202a\\u202b\\u202c\\u202d\\u2066\\u2067\\u2068\\u2069\""},
        {"neighbours are characters", "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA",
         "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA",
         "\"\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(table_text::Printable(c.text), c.printable);
        EXPECT_EQ(table_text::Quote(c.text), c.quoted);
    }
}

TEST(TableTextTest, JsonKeepsTheDataWithControlsEscaped) {
    // nlohmann writes DEL and C1 raw (JSON allows it); the escaped text reads back the same.
    const std::string name =
        "a\x7f"
        "b\xC2\x9B"
        "c\xC2\x85\xC3\xA9";
    const std::string dumped = nlohmann::json({{"name", name}}).dump(2);
    const std::string escaped = table_text::EscapeJsonControls(dumped);
    EXPECT_NE(dumped.find('\x7f'), std::string::npos);
    EXPECT_EQ(escaped.find('\x7f'), std::string::npos);
    EXPECT_EQ(escaped.find("\xC2\x9B"), std::string::npos);
    EXPECT_NE(escaped.find("a\\u007fb\\u009bc\\u0085\xC3\xA9"), std::string::npos) << escaped;
    EXPECT_NE(escaped.find("\n  \"name\""), std::string::npos);  // the layout stays
    EXPECT_EQ(nlohmann::json::parse(escaped)["name"], name);

    // Bidirectional controls stay in JSON: they are the text's own.
    const std::string bidi = nlohmann::json({{"name",
                                              "a\xE2\x80\xAE"
                                              "b"}})
                                 .dump();
    EXPECT_EQ(table_text::EscapeJsonControls(bidi), bidi);
}

TEST(TableTextTest, CsvFieldQuotesAndDoublesInnerQuotes) {
    EXPECT_EQ(table_text::CsvField(""), "\"\"");
    EXPECT_EQ(table_text::CsvField("Caf\xE9"), "\"Caf\xC3\xA9\"");  // Windows-1252, as UTF-8
    EXPECT_EQ(table_text::CsvField("a\x1b\xC2\x9B"), "\"a\x1b\xC2\x9B\"");  // data kept
    EXPECT_EQ(table_text::CsvField("Booth \"2\", left"), "\"Booth \"\"2\"\", left\"");
    EXPECT_EQ(table_text::CsvField("two\nlines"), "\"two\nlines\"");
}

TEST(TableTextTest, AlignCountsCharactersAndLeavesNoTrailingSpaces) {
    EXPECT_EQ(table_text::DisplayWidth("Bühne"), 5u);  // ü: two bytes, one column
    const std::string text = table_text::Align({{"Name", "Port", "Note"},
                                                {"Bühne", "80"},  // a shorter row
                                                {"B", "4300", "x"}});
    EXPECT_EQ(text,
              "Name   Port  Note\n"
              "Bühne  80\n"
              "B      4300  x\n");
    EXPECT_EQ(table_text::Align({}), "");
}

}  // namespace
