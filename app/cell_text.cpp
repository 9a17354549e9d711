#include "app/cell_text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/device_text.h"

size_t Utf8CutLength(const char* text, size_t length, size_t limit) {
    if (length <= limit) {
        return length;
    }
    auto byte = [text](size_t i) { return static_cast<unsigned char>(text[i]); };
    auto continues = [&byte](size_t i) { return (byte(i) & 0xC0) == 0x80; };
    if (!continues(limit)) {
        return limit;
    }
    // Back over continuation bytes (10xxxxxx) to the lead byte of the character the cut
    // splits; a character has at most three of them.
    size_t lead = limit;
    while (lead > 0 && limit - lead < 4 && continues(lead)) {
        --lead;
    }
    const unsigned char first = byte(lead);
    const size_t size = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    // Only a lead byte whose character reaches past the cut goes; stray continuation bytes
    // (no UTF-8 at all) are cut where they are.
    if ((first & 0xC0) == 0xC0 && lead + size > limit) {
        return lead;
    }
    return limit;
}

QString CellText(const char* format, ...) {
    char buffer[kCellTextSize];
    va_list args;
    va_start(args, format);
    const int wanted = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (wanted < 0) {
        return QString();
    }
    const char* text = buffer;
    size_t length = std::strlen(buffer);
    std::vector<char> whole;
    if (static_cast<size_t>(wanted) > length) {
        // vsnprintf cut the text at the buffer's end. Whether the text is UTF-8 or the device's
        // Windows-1252 is a question about all of it, and so is where a cut may fall: format
        // once more, whole.
        whole.resize(static_cast<size_t>(wanted) + 1);
        va_start(args, format);
        std::vsnprintf(whole.data(), whole.size(), format, args);
        va_end(args);
        text = whole.data();
        length = static_cast<size_t>(wanted);
    }
    const size_t limit = kCellTextSize - 1;
    if (ZDeviceText::IsUtf8(text, length)) {
        const size_t kept = Utf8CutLength(text, length, limit);
        return QString::fromUtf8(text, static_cast<qsizetype>(kept));
    }
    // One byte, one character: any cut is a clean one.
    const std::string utf8 = ZDeviceText::FromWindows1252(text, std::min(length, limit));
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
