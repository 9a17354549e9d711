#include "foundation/device_text.h"

#include <cstring>

namespace {

// Windows-1252 0x80..0x9F; zeros mark the five bytes the code page does not define. The rest of
// the code page (0x00..0x7F, 0xA0..0xFF) is Latin-1, byte value = code point.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88..8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98..9F
};

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        // Every code point of the code page lies below U+10000.
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

}  // namespace

char32_t ZDeviceText::Windows1252CodePoint(unsigned char byte) {
    if (byte < 0x80 || byte >= 0xA0) {
        return byte;
    }
    const char16_t c = kHigh1252[byte - 0x80];
    return c != 0 ? c : kReplacement;
}

bool ZDeviceText::IsUtf8(const char* text, size_t length) {
    if (text == nullptr) {
        return true;
    }
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < length) {
        const unsigned char lead = s[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The allowed range of the second byte follows from the lead byte (RFC 3629, section 4):
        // it is what rules out overlong forms, surrogates and code points above U+10FFFF.
        size_t size = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (InRange(lead, 0xC2, 0xDF)) {
            size = 2;
        } else if (lead == 0xE0) {
            size = 3;
            low = 0xA0;
        } else if (lead == 0xED) {
            size = 3;
            high = 0x9F;
        } else if (InRange(lead, 0xE1, 0xEF)) {
            size = 3;
        } else if (lead == 0xF0) {
            size = 4;
            low = 0x90;
        } else if (lead == 0xF4) {
            size = 4;
            high = 0x8F;
        } else if (InRange(lead, 0xF1, 0xF3)) {
            size = 4;
        } else {
            return false;  // a continuation byte, C0, C1 or F5..FF
        }
        if (length - i < size || !InRange(s[i + 1], low, high)) {
            return false;
        }
        for (size_t k = 2; k < size; ++k) {
            if (!InRange(s[i + k], 0x80, 0xBF)) {
                return false;
            }
        }
        i += size;
    }
    return true;
}

std::string ZDeviceText::FromWindows1252(const char* text, size_t length) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    out.reserve(length + length / 2);
    for (size_t i = 0; i < length; ++i) {
        AppendUtf8(Windows1252CodePoint(static_cast<unsigned char>(text[i])), &out);
    }
    return out;
}

std::string ZDeviceText::ToUtf8(const char* text, size_t length) {
    if (text == nullptr) {
        return std::string();
    }
    if (IsUtf8(text, length)) {
        return std::string(text, length);
    }
    return FromWindows1252(text, length);
}

std::string ZDeviceText::ToUtf8(const char* text) {
    return ToUtf8(text, text != nullptr ? std::strlen(text) : 0);
}
