#pragma once
// Text helpers the product and device tables and the command line's messages share
// (ZProductTable, ZDeviceTable, ZWatchView, the commands' errors): texts that come from the
// network or a file made safe for a terminal or a CSV file, and cells aligned in columns.
//
//   std::string cell = table_text::Printable(name);     // "Booth?[2J" for "Booth\x1b[2J"
//   std::string quoted = table_text::Quote(name);       // "\"Booth\\u001b[2J\""
//   std::string field = table_text::CsvField(name);     // "\"Booth \"\"2\"\"\"" for Booth "2"
//   std::fputs(table_text::Align({{"Name", "Port"}, {cell, "80"}}).c_str(), stdout);
//
// Printable, Quote and CsvField first decode the text as ZDeviceText does (UTF-8 when well-formed,
// else Windows-1252), so their result is always UTF-8 and decoding before them does no harm.
//
// Pure functions over plain strings; no state, no ownership.

#include <cstddef>
#include <string>
#include <vector>

namespace table_text {

// The text with every control character replaced by '?': C0 (below U+0020), DEL and C1
// (U+0080..U+009F, which some terminals obey as ESC sequences, e.g. U+009B as CSI), so that a
// name from the network cannot move the cursor or clear the terminal; and the bidirectional
// controls (U+202A..U+202E, U+2066..U+2069), so that it cannot make the rest of a line read
// backwards.
std::string Printable(const std::string& text);

// The text in double quotes with JSON's escapes (\" \\ \n \t \uXXXX), and DEL, the C1
// controls and the bidirectional controls escaped as well, so that a message shows odd
// characters visibly and safely.
std::string Quote(const std::string& text);

// The text as one CSV field: always in double quotes, inner quotes doubled; its characters are
// kept as they are (controls included), which is all CSV asks.
std::string CsvField(const std::string& text);

// A JSON document's text (well-formed UTF-8, as nlohmann's dump gives it) with DEL and the C1
// controls inside its strings written as \u escapes too: JSON allows them raw, but a terminal
// that shows the output would obey them. A reader gets the same texts back. Bidirectional
// controls are kept as they are (they only reorder, and they are the text's).
std::string EscapeJsonControls(const std::string& json);

// Characters on screen: UTF-8 continuation bytes take no column of their own.
size_t DisplayWidth(const std::string& text);

// Rows of cells in columns two spaces apart (no trailing spaces), one line each, widths counted
// with DisplayWidth.
std::string Align(const std::vector<std::vector<std::string>>& rows);

}  // namespace table_text
