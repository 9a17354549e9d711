#include "foundation/device_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

uint32_t CodePoint(int byte) {
    return ZDeviceText::Windows1252CodePoint(static_cast<unsigned char>(byte));
}

struct DecodeCase {
    const char* what;
    std::string bytes;
    bool utf8;
    std::string expected;  // UTF-8
};

TEST(DeviceTextTest, WellFormedUtf8StaysElseTheBytesAreWindows1252) {
    const DecodeCase cases[] = {
        {"empty", "", true, ""},
        {"ASCII", "Booth 2", true, "Booth 2"},
        {"controls are kept", "a\x1b[2J\x7f", true, "a\x1b[2J\x7f"},
        {"two-byte e acute", "Caf\xC3\xA9", true, "Caf\xC3\xA9"},
        {"three-byte euro", "\xE2\x82\xAC 5", true, "\xE2\x82\xAC 5"},
        {"four-byte U+1F600", "\xF0\x9F\x98\x80", true, "\xF0\x9F\x98\x80"},
        {"highest code point U+10FFFF", "\xF4\x8F\xBF\xBF", true, "\xF4\x8F\xBF\xBF"},
        {"U+D7FF below the surrogates", "\xED\x9F\xBF", true, "\xED\x9F\xBF"},
        {"C1 control U+009B written as UTF-8", "\xC2\x9B", true, "\xC2\x9B"},
        // Not UTF-8: every byte is one Windows-1252 character.
        {"lone e acute", "Caf\xE9", false, "Caf\xC3\xA9"},
        {"e acute before ASCII", "\xE9t\xE9", false, "\xC3\xA9t\xC3\xA9"},
        {"Latin-1 range A0..FF", "\xA0\xFF", false, "\xC2\xA0\xC3\xBF"},
        {"overlong slash C0 AF", "\xC0\xAF", false, "\xC3\x80\xC2\xAF"},
        {"overlong NUL C1 80", "\xC1\x80", false, "\xC3\x81\xE2\x82\xAC"},
        {"overlong three-byte E0 80 AF", "\xE0\x80\xAF", false, "\xC3\xA0\xE2\x82\xAC\xC2\xAF"},
        {"overlong four-byte F0 8F BF BF", "\xF0\x8F\xBF\xBF", false,
         "\xC3\xB0\xEF\xBF\xBD\xC2\xBF\xC2\xBF"},
        {"surrogate U+D800", "\xED\xA0\x80", false, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"surrogate U+DFFF", "\xED\xBF\xBF", false, "\xC3\xAD\xC2\xBF\xC2\xBF"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false,
         "\xC3\xB4\xEF\xBF\xBD\xE2\x82\xAC\xE2\x82\xAC"},
        {"F5 lead byte", "\xF5\x80\x80\x80", false, "\xC3\xB5\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
        {"stray continuation byte", "a\x80", false, "a\xE2\x82\xAC"},
        {"sequence cut short at the end", "ab\xC3", false, "ab\xC3\x83"},
        {"sequence cut short by ASCII", "\xE2\x82x", false, "\xC3\xA2\xE2\x80\x9Ax"},
        {"one bad byte turns the whole text", "\xC3\xA9\xE9", false, "\xC3\x83\xC2\xA9\xC3\xA9"},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ZDeviceText::IsUtf8(c.bytes.data(), c.bytes.size()), c.utf8);
        const std::string decoded = ZDeviceText::ToUtf8(c.bytes);
        EXPECT_EQ(decoded, c.expected);
        EXPECT_TRUE(ZDeviceText::IsUtf8(decoded.data(), decoded.size()));
        // Decoding twice changes nothing, so any layer may decode again safely.
        EXPECT_EQ(ZDeviceText::ToUtf8(decoded), decoded);
    }
}

TEST(DeviceTextTest, Windows1252HighHalfMapsAsTheCodePageDefinesIt) {
    // 0x80..0x9F, the part where Windows-1252 differs from Latin-1.
    const char32_t expected[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
    };
    for (int b = 0x80; b <= 0x9F; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(CodePoint(b), static_cast<uint32_t>(expected[b - 0x80]));
    }
    for (int b : {0x00, 0x1B, 0x41, 0x7F, 0xA0, 0xE9, 0xFF}) {
        SCOPED_TRACE(b);
        EXPECT_EQ(CodePoint(b), static_cast<uint32_t>(b));
    }
    // Written as UTF-8: the undefined bytes as U+FFFD, none as a C1 control.
    EXPECT_EQ(ZDeviceText::FromWindows1252("\x80\x81\x8D\x8F\x90\x9D\x9B\x9F", 8),
              "\xE2\x82\xAC\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
              "\xE2\x80\xBA\xC5\xB8");
}

TEST(DeviceTextTest, NullAndEmbeddedNulTexts) {
    EXPECT_EQ(ZDeviceText::ToUtf8(nullptr), "");
    EXPECT_EQ(ZDeviceText::ToUtf8(nullptr, 5), "");
    EXPECT_TRUE(ZDeviceText::IsUtf8(nullptr, 5));
    // A C string stops at its NUL; with a length the NUL is a character like another.
    EXPECT_EQ(ZDeviceText::ToUtf8("Caf\xE9\0\xC3\xA9"), "Caf\xC3\xA9");
    EXPECT_EQ(ZDeviceText::ToUtf8(std::string("a\0\xE9", 3)), std::string("a\0\xC3\xA9", 4));
}

}  // namespace
