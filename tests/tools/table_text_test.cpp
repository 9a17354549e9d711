#include "tools/table_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TableTextTest, PrintableReplacesControlCharactersOnly) {
    EXPECT_EQ(table_text::Printable(std::string("a\tb\x1b[2J\x7f\x00z", 10)), "a?b?[2J??z");
    EXPECT_EQ(table_text::Printable("Bühne ~"), "Bühne ~");  // UTF-8 and printable ASCII stay
}

TEST(TableTextTest, CsvFieldQuotesAndDoublesInnerQuotes) {
    EXPECT_EQ(table_text::CsvField(""), "\"\"");
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
