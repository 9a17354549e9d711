#include "foundation/string_parser.h"

#include <cstring>

namespace {

// Value of one hexadecimal digit, or -1. Written out rather than isxdigit so bytes 0x80-0xFF
// (negative chars) and the locale play no part.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

char* CopyText(const char* text) {
    if (!text) {
        return nullptr;
    }
    const size_t n = std::strlen(text);
    char* copy = new char[n + 1];
    std::memcpy(copy, text, n + 1);
    return copy;
}

}  // namespace

ZStringParser::ZStringParser(const char* text) {
    SetText(text);
}

ZStringParser::~ZStringParser() {
    delete[] text_;
    if (tokens_) {
        tokens_->DeleteAll();
        delete tokens_;
    }
}

void ZStringParser::SetText(const char* text) {
    char* copy = CopyText(text);  // before releasing: text may point into the old copy
    delete[] text_;
    text_ = copy;
}

void ZStringParser::SetQuotes(char open, char close) {
    openQuote_ = open;
    closeQuote_ = close;
}

LCharPtrList* ZStringParser::Split(char separator) {
    if (!text_ || !*text_) {
        return nullptr;
    }
    if (!tokens_) {
        tokens_ = new LCharPtrList(false);
    }
    tokens_->DeleteAll();

    bool quoted = false;
    const char* start = text_;
    const char* p = text_;
    for (; *p; ++p) {
        const char c = *p;
        if (openQuote_ && c == openQuote_ && !quoted) {
            quoted = true;
        } else if (closeQuote_ && c == closeQuote_ && quoted) {
            quoted = false;
        }
        if (c == separator && !quoted) {
            AddField(start, p);
            start = p + 1;
        }
    }
    AddField(start, p);
    return tokens_;
}

void ZStringParser::AddField(const char* begin, const char* end) {
    if (begin == end) {
        return;
    }
    const size_t n = static_cast<size_t>(end - begin);
    char* field = new char[n + 1];
    std::memcpy(field, begin, n);
    field[n] = '\0';
    tokens_->AddTail(field);
}

bool ZStringParser::IsHexPair(const char* s, char prefix) {
    if (!s) {
        return false;
    }
    size_t k = 0;
    if (prefix) {
        if (s[0] != prefix) {
            return false;
        }
        k = 1;
    }
    // The first digit is checked before the second is read, so a short text ends at its NUL.
    return HexDigit(s[k]) >= 0 && HexDigit(s[k + 1]) >= 0;
}

int ZStringParser::HexPairValue(const char* s, char prefix) {
    if (!IsHexPair(s, prefix)) {
        return 0;
    }
    const size_t k = prefix ? 1 : 0;
    return 16 * HexDigit(s[k]) + HexDigit(s[k + 1]);
}
