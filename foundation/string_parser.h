#pragma once
// ZStringParser: splits a text at a separator character into separate heap-allocated field
// strings, optionally keeping a quoted stretch together; plus the conversion of a pair of
// hexadecimal digits to a byte value.
//
//   ZStringParser parser("10.0.0.1,10.0.0.2");
//   if (LCharPtrList* fields = parser.Split(',')) {
//       for (char* f = fields->First(); f; f = fields->Next()) { ... }   // "10.0.0.1", "10.0.0.2"
//   }
//   int v = ZStringParser::HexPairValue("x7F", 'x');                   // 127
//
// Ownership: the parser keeps its own copy of the text. The list returned by Split and its strings
// belong to the parser and stay valid until the next Split or the parser's destruction. Empty
// fields are dropped; quote characters stay in the fields.

#include "foundation/double_list.h"

// The field strings of a split; each element is a NUL-terminated array released by DeleteAll.
using LCharPtrList = ZIDoubleList<char>;

class ZStringParser {
public:
    // text may be null; no quote characters are set.
    explicit ZStringParser(const char* text = nullptr);
    virtual ~ZStringParser();

    ZStringParser(const ZStringParser&) = delete;
    ZStringParser& operator=(const ZStringParser&) = delete;

    // Replaces the text with a copy of text (null stays null); the fields of the last split stay.
    void SetText(const char* text);

    // The quote characters for the following splits: a separator between open and close is
    // ordinary text. 0 turns either off; close may equal open. Quoting does not nest.
    void SetQuotes(char open, char close);
    char GetOpenQuote() const { return openQuote_; }
    char GetCloseQuote() const { return closeQuote_; }

    // Splits the text at separator into the non-empty fields. Null or empty text: null, and the
    // fields of the previous split stay as they were.
    LCharPtrList* Split(char separator);

    // With k = 1 when prefix is not 0 (s must start with it) and 0 otherwise: true when s[k] and
    // s[k + 1] are both hexadecimal digits (0-9, A-F, a-f). Null or shorter s: false.
    static bool IsHexPair(const char* s, char prefix);
    // The byte value 0 to 255 of the two digits IsHexPair checks; 0 when it is false.
    static int HexPairValue(const char* s, char prefix);

private:
    void AddField(const char* begin, const char* end);

    char* text_ = nullptr;
    LCharPtrList* tokens_ = nullptr;
    char openQuote_ = 0;
    char closeQuote_ = 0;
};
