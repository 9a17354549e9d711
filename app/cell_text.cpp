#include "app/cell_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

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
    size_t length = std::strlen(buffer);
    if (static_cast<size_t>(wanted) > length) {
        // vsnprintf cut the text at the buffer's end; the byte it dropped tells whether that
        // cut split a character. Format once more into a bigger buffer only for that byte.
        char next[kCellTextSize + 1];
        va_start(args, format);
        std::vsnprintf(next, sizeof next, format, args);
        va_end(args);
        length = Utf8CutLength(next, kCellTextSize, length);
    }
    return QString::fromUtf8(buffer, static_cast<qsizetype>(length));
}
