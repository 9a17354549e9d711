#pragma once
// ZDeviceText: turns a text a device sent (name, model, version, info text, service name, ...)
// into UTF-8 for display. Devices send their texts in their ANSI code page, which on Western
// systems is Windows-1252, while newer devices send UTF-8; a text is taken as UTF-8 when its
// bytes are well-formed UTF-8 and as Windows-1252 otherwise. The result is always well-formed
// UTF-8, so it can go into JSON or a QString as it is.
//
//   std::string name = ZDeviceText::ToUtf8("Caf\xE9");       // "Caf\xC3\xA9" ("Café")
//   std::string same = ZDeviceText::ToUtf8("Caf\xC3\xA9");   // already UTF-8: unchanged
//
// Well-formed means RFC 3629: no overlong forms, no surrogates (U+D800..U+DFFF), nothing above
// U+10FFFF, no stray continuation bytes, no sequence cut short. The five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD. Control characters are kept: making a
// text safe for a terminal is the printer's job.
//
// Pure functions over bytes; no state, no ownership. A null text reads as empty.

#include <cstddef>
#include <string>

class ZDeviceText {
public:
    // The text as UTF-8: unchanged when it is well-formed UTF-8, else read as Windows-1252.
    static std::string ToUtf8(const char* text, size_t length);
    static std::string ToUtf8(const char* text);
    static std::string ToUtf8(const std::string& text) { return ToUtf8(text.data(), text.size()); }

    // True when the bytes are well-formed UTF-8 (the empty text is).
    static bool IsUtf8(const char* text, size_t length);

    // The bytes read as Windows-1252, written as UTF-8.
    static std::string FromWindows1252(const char* text, size_t length);

    // The character Windows-1252 gives a byte (U+FFFD for the five undefined ones).
    static char32_t Windows1252CodePoint(unsigned char byte);
};
